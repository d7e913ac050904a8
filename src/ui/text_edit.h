#pragma once

#include <QDateTime>
#include <QList>
#include <QPlainTextEdit>

class FindBar;
class LineNumberArea;
class QAction;
class QPrinter;
class ScriptHighlighter;

// An editor or viewer page of the central tab widget. The page carries the
// dynamic properties "file_name" (absolute path, empty for a new page),
// "read_only" (a viewer) and "last_modified" (the file's time when it was
// read or saved); the window and the tab widget read them from there.
//
// Beside plain editing it shows line numbers, the current line and matching
// brackets, colours scripts, and finds text (Ctrl+F). Page keys that belong
// to the tab widget (F5, F8, F9, Ctrl+S) are passed on to it.
class TextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextEdit(bool readOnly, QWidget *parent = nullptr);

    QString fileName() const;
    bool isViewer() const;
    QDateTime lastModified() const;

    // Reads `path` into the page. An editor page for a file that does not
    // exist yet starts empty and creates the file when saved; a viewer needs
    // the file. False after one critical message.
    bool openFile(const QString &path);
    // Reads the page's file again ("Can't open file" on failure).
    bool reload();
    // Writes the text to `path`, which becomes the page's file. False after
    // "Can't open file "%1" to write".
    bool saveFile(const QString &path);
    // The file was changed on disk after the page read or wrote it.
    bool changedOnDisk() const;
    // Remembers the file's present time, so that a change is offered once.
    void markCurrent();

    // The console's font, with tab stops of four characters.
    void setEditorFont(const QFont &font);
    // The tab widget's page actions, offered below the editing actions of
    // the context menu.
    void setPageActions(const QList<QAction *> &actions) { _pageActions = actions; }
    FindBar *findBar() const { return _findBar; }

    // For the gutter.
    int lineNumberAreaWidth() const;
    void paintLineNumbers(QPaintEvent *event);

signals:
    void switchToPreviousTab();
    void switchToNextTab();
    void closeCurrentPage();

public slots:
    void print(QPrinter *printer);
    void showFindBar();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    bool readFile(const QString &path);
    void setFileName(const QString &path);
    void updateMargins();
    void layoutChildren();
    void updateLineNumbers(const QRect &rect, int dy);
    void updateExtraSelections();

    LineNumberArea *_gutter;
    FindBar *_findBar;
    ScriptHighlighter *_highlighter;
    QList<QAction *> _pageActions;
};
