#pragma once

#include <QWidget>

class FileBrowserModel;
class FileBrowserView;
class FilePathEdit;
class QAction;

// The File Browser dock: a tool bar ("Open", up, new folder), the path
// field and the list. Requests to run, edit, view or import a file are
// passed on from the list.
class FileBrowserWidget : public QWidget {
    Q_OBJECT
public:
    explicit FileBrowserWidget(QWidget *parent = nullptr);

    FileBrowserModel *model() const { return _model; }
    FileBrowserView *listView() const { return _view; }
    FilePathEdit *pathEdit() const { return _pathEdit; }
    QAction *upAction() const { return _upAction; }

    // "FileBrowser/pwd" (else the current directory) and the column widths
    // "FileBrowser/c%1"; written back when the window closes.
    void restoreSettings();
    void saveSettings() const;

signals:
    void directoryCreated();
    void run(const QString &path);
    void edit(const QString &path);
    void view(const QString &path);
    void loadCSV(const QString &path);

public slots:
    void upSlot();
    bool setPath(const QString &path);
    void selectFolderSlot();
    void newFolderSlot();

private:
    void showRoot(const QString &path);

    FileBrowserModel *_model;
    FileBrowserView *_view;
    FilePathEdit *_pathEdit;
    QAction *_upAction = nullptr;
};
