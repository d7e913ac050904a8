#pragma once

#include <QFont>
#include <QWidget>

class QFontComboBox;
class QPlainTextEdit;
class QSpinBox;

// The "Display" page of the preferences: the command window's font, shown on
// a sample of script text, and the significant digits of printed numbers.
class DisplayPreferencesDialog : public QWidget {
    Q_OBJECT
public:
    DisplayPreferencesDialog(const QFont &font, int precision, QWidget *parent = nullptr);

    QFont chosenFont() const;
    int precision() const;

public slots:
    // The combo box and the size spin box report here; the sample follows.
    void fontChanged(const QFont &font);
    void fontSizeChanged(int size);

private:
    QFontComboBox *_fontComboBox;
    QSpinBox *_fontSizeSpinBox;
    QPlainTextEdit *_fontSampleTextEdit;
    QSpinBox *_precSpinBox;
};
