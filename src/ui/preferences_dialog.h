#pragma once

#include <QDialog>
#include <QFont>

class DisplayPreferencesDialog;
class PathPreferencesDialog;
class QTabWidget;

// File > Preferences and the `prefs` command: the "Display" and "Path"
// pages. The caller reads the display choices after OK; the path file is
// written by OK itself.
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    PreferencesDialog(int precision, const QFont &consoleFont, QWidget *parent = nullptr);

    int precision() const;
    QFont consoleFont() const;
    // OK wrote the path file, so the search path must be read again.
    bool isPathSaved() const { return _pathSaved; }

    DisplayPreferencesDialog *displayPage() const { return _displayPage; }
    PathPreferencesDialog *pathPage() const { return _pathPage; }

public slots:
    // The dialog closes even when the path file cannot be written.
    void accept() override;

private:
    QTabWidget *_tabWidget;
    DisplayPreferencesDialog *_displayPage;
    PathPreferencesDialog *_pathPage;
    bool _pathSaved = false;
};
