#pragma once

#include "language/statement_type.h"
#include "persistence/history.h"

#include <QStringList>
#include <QTextEdit>

class QAction;
class QMenu;

// Where the console takes the output of a run from, one page at a time. The
// main window hands the console an adapter over the output pager; tests hand
// it pages of their own.
class ConsolePager {
public:
    virtual ~ConsolePager() = default;
    virtual void setPageSize(int rows, int columns) = 0;
    virtual bool hasText() const = 0;
    // The next page; when output remains it ends with the paging question.
    virtual QString nextPage() = 0;
    // Drops whatever output is left.
    virtual void clear() = 0;
};

// The command window: everything above the last prompt is a read-only
// transcript, only the text behind the prompt can be edited. Entered lines go
// out through inputCommand; incomplete statements continue under the
// continuation prompts until the engine accepts them.
class Console : public QTextEdit {
    Q_OBJECT
public:
    enum State {
        INPUT_STATE = 0,
        PAGING_STATE = 1,
        MULTILINE_STATE = 2,
        BUSY_STATE = 3,
    };

    // `historyDirectory` is the program directory (empty: the history is
    // neither loaded nor saved).
    explicit Console(const QString &historyDirectory, QWidget *parent = nullptr);

    // Not owned; without a pager printResults only shows the prompt.
    void setPager(ConsolePager *pager) { _pager = pager; }
    History *history() const { return _history; }

    // Called by the main window around a run.
    void setBusy();
    void setReady();
    void statementFinished();
    void continuePendingLines();
    void clearWhenFinished() { _clearWhenFinished = true; }
    void blockHistory() { _blockHistory = true; }
    // The page size given to the pager.
    int visibleRows() const;
    int visibleColumns() const;

    State state() const { return _state; }
    const QString &prompt() const { return _prompt; }
    StatementType currentStatement() const { return _currentStatement; }
    const HistoryEntry &multilineList() const { return _multilineList; }
    const QStringList &pendingLines() const { return _pendingLines; }
    // Pasted lines still waiting are forgotten (the window is closing).
    void dropPendingLines() { _pendingLines.clear(); }
    bool isStatementEntered() const { return _entered; }
    // The last block without its prompt.
    QString inputText() const;

signals:
    void inputCommand(const QString &command);
    void terminateProcess();
    void switchToNextTab();
    void switchToPreviousTab();
    void updateCopyPasteActionsState();

public slots:
    void pasteText(const QString &text);
    void printResults();
    void paste();
    void copy();
    void cut();
    void clear();
    void startMultiline(StatementType type);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    void changeEvent(QEvent *event) override;

private:
    void handleBusyKey(QKeyEvent *event);
    void handlePagingKey(QKeyEvent *event);
    void handleInputKey(QKeyEvent *event);

    void enterLine();
    void newPrompt(bool lineFeed);
    void insertPrompt();
    void setPromptFor(StatementType type);
    void historyPrevious();
    void historyNext();
    void showEntry(const HistoryEntry &entry);
    void writeEntry(const HistoryEntry &entry);
    void takeBackLine();
    void abandonLine();
    void updateActions();
    void updateTabStop();

    int inputStart() const;
    int inputPosition() const;
    bool cursorIntoInputBlock();
    bool cursorPastPrompt();
    bool prepareEdit();
    bool selectionInsideInput() const;
    // Backspace and friends: a selection inside the input is removed, one
    // outside moves the cursor to the end; false when nothing else may happen.
    bool handleSelectionForDelete();
    void moveToInputStart();
    void moveToEnd();
    void selectToInputStart();
    void selectToEnd();
    void clearInput();
    void clearLine();
    void removeStatementInProgress();
    void insertTypedText(const QString &text);
    void cutRange(int from, int to, bool toClipboard);

    QString _prompt;
    int _promptLength = 0;
    QMenu *_contextMenu = nullptr;
    QAction *_cutAction = nullptr;
    QAction *_copyAction = nullptr;
    QAction *_pasteAction = nullptr;
    QAction *_clearAction = nullptr;
    State _state = INPUT_STATE;
    bool _entered = false;
    HistoryEntry _multilineList;
    StatementType _currentStatement = NO_STATEMENT;
    History *_history = nullptr;
    bool _browsing = false;
    HistoryEntry _savedInput;
    bool _clearWhenFinished = false;
    bool _blockHistory = false;
    State _savedState = INPUT_STATE;
    int _savedCursorWidth = 1;
    QStringList _pendingLines;
    ConsolePager *_pager = nullptr;
};
