#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

// The editor's search line: Return or "Next" finds the next match, Shift+
// Return or "Previous" the one before, both wrapping around the document;
// Escape closes the bar and gives the focus back to the text. A search
// without a match leaves the cursor where it was and tints the field.
class FindBar : public QWidget {
    Q_OBJECT
public:
    FindBar(QPlainTextEdit *editor, QWidget *parent);

    // Shows the bar with the editor's selection (if any) as the text to find.
    void open();
    QLineEdit *lineEdit() const { return _text; }
    QCheckBox *matchCase() const { return _matchCase; }

signals:
    void closed();

public slots:
    bool findNext();
    bool findPrevious();
    void close();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool find(bool backward);
    void showFound(bool found);

    QPlainTextEdit *_editor;
    QLineEdit *_text;
    QCheckBox *_matchCase;
};
