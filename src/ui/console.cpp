#include "ui/console.h"

#include "values/assert.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

// Text a key may insert: printable characters and the tab.
bool isInsertableText(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c != QLatin1Char('\t') && (c.unicode() < 0x20 || c.unicode() == 0x7f))
            return false;
    return true;
}

} // namespace

Console::Console(const QString &historyDirectory, QWidget *parent)
    : QTextEdit(parent)
    , _history(new History(historyDirectory, this))
{
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    document()->setUndoRedoEnabled(false);
    setMouseTracking(true);
    updateTabStop();
    setPromptFor(NO_STATEMENT);

    _contextMenu = new QMenu(this);
    _cutAction = _contextMenu->addAction(QIcon::fromTheme(QStringLiteral("edit-cut")), tr("Cut\tCtrl+X"), this, &Console::cut);
    _copyAction = _contextMenu->addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), tr("Copy\tCtrl+C"), this, &Console::copy);
    _pasteAction = _contextMenu->addAction(QIcon::fromTheme(QStringLiteral("edit-paste")), tr("Paste\tCtrl+V"), this, &Console::paste);
    _contextMenu->addSeparator();
    _clearAction = _contextMenu->addAction(tr("Clear\tCtrl+L"), this, &Console::clear);
}

// ---------------------------------------------------------------------------
// Positions and small editing steps

int Console::inputStart() const
{
    return document()->lastBlock().position() + _promptLength;
}

int Console::inputPosition() const
{
    return textCursor().position() - document()->lastBlock().position();
}

QString Console::inputText() const
{
    return document()->lastBlock().text().mid(_promptLength);
}

bool Console::cursorIntoInputBlock()
{
    if (textCursor().block() == document()->lastBlock())
        return true;
    moveToEnd();
    return false;
}

bool Console::cursorPastPrompt()
{
    if (inputPosition() >= _promptLength)
        return true;
    moveToInputStart();
    return false;
}

bool Console::prepareEdit()
{
    return cursorIntoInputBlock() && cursorPastPrompt();
}

bool Console::selectionInsideInput() const
{
    const QTextCursor cursor = textCursor();
    return cursor.hasSelection() && cursor.selectionStart() >= inputStart();
}

bool Console::handleSelectionForDelete()
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return prepareEdit();
    if (selectionInsideInput()) {
        cursor.removeSelectedText();
        setTextCursor(cursor);
    } else {
        moveToEnd();
    }
    return false;
}

void Console::moveToInputStart()
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(inputStart());
    setTextCursor(cursor);
}

void Console::moveToEnd()
{
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
}

void Console::selectToInputStart()
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(inputStart(), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void Console::selectToEnd()
{
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void Console::clearInput()
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(inputStart());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

void Console::clearLine()
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(document()->lastBlock().position());
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

// The lines of the statement in progress stand in the last blocks, one
// block per pair of _multilineList plus the line being typed.
void Console::removeStatementInProgress()
{
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    if (_state == MULTILINE_STATE)
        for (qsizetype i = 0; i < _multilineList.size(); ++i)
            cursor.movePosition(QTextCursor::PreviousBlock, QTextCursor::KeepAnchor);
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

void Console::cutRange(int from, int to, bool toClipboard)
{
    if (from >= to)
        return;
    QTextCursor cursor = textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    if (toClipboard)
        QApplication::clipboard()->setText(cursor.selectedText());
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

void Console::insertTypedText(const QString &text)
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() && !selectionInsideInput()) {
        moveToEnd();
    } else if (!cursor.hasSelection()) {
        cursorIntoInputBlock();
        cursorPastPrompt();
    }
    cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void Console::setPromptFor(StatementType type)
{
    _prompt = statementPrompt(type);
    _promptLength = int(_prompt.size());
}

void Console::insertPrompt()
{
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(_prompt);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void Console::newPrompt(bool lineFeed)
{
    if (_pager)
        _pager->clear();
    _browsing = false;
    _history->reset();
    _state = INPUT_STATE;
    _currentStatement = NO_STATEMENT;
    setPromptFor(NO_STATEMENT);
    _multilineList.clear();
    moveToEnd();
    if (lineFeed) {
        QTextCursor cursor = textCursor();
        cursor.insertText(QStringLiteral("\n"));
        setTextCursor(cursor);
    }
    insertPrompt();
}

void Console::updateTabStop()
{
    setTabStopDistance(4 * QFontMetricsF(font()).averageCharWidth());
}

// ---------------------------------------------------------------------------
// Entering lines and the life of a statement

void Console::enterLine()
{
    _browsing = false;
    _history->reset();
    const QString text = inputText();
    if (text.trimmed().isEmpty()) {
        if (_state == MULTILINE_STATE) {
            _multilineList.append(HistoryLine(int(_currentStatement), QString()));
        } else {
            NUMLYRA_ASSERT(_currentStatement == NO_STATEMENT);
        }
        insertPrompt();
        return;
    }
    _entered = true;
    _multilineList.append(HistoryLine(int(_currentStatement), text));
    if (_state != MULTILINE_STATE) {
        emit inputCommand(text);
        return;
    }
    QString joined;
    for (const HistoryLine &line : std::as_const(_multilineList))
        joined += line.second + QLatin1Char('\n');
    emit inputCommand(joined);
}

void Console::startMultiline(StatementType type)
{
    _currentStatement = type;
    _state = MULTILINE_STATE;
    setPromptFor(type);
    insertPrompt();
}

void Console::statementFinished()
{
    if (_state == MULTILINE_STATE)
        _state = INPUT_STATE;
    _currentStatement = NO_STATEMENT;
    setPromptFor(NO_STATEMENT);
    if (!_multilineList.isEmpty()) {
        if (_blockHistory)
            _blockHistory = false;
        else
            _history->add(_multilineList);
        _multilineList.clear();
    }
    _entered = false;
    // The input line holds the finished command, which goes with the rest;
    // the prompt comes with the command's output.
    if (_clearWhenFinished) {
        _clearWhenFinished = false;
        QTextEdit::clear();
    }
}

void Console::setBusy()
{
    if (_state == BUSY_STATE)
        return;
    _savedState = _state;
    _state = BUSY_STATE;
    viewport()->setCursor(Qt::WaitCursor);
    _savedCursorWidth = cursorWidth();
    setCursorWidth(0);
}

// A command refused before it ran (a syntax error) finishes without having
// made the console busy; then there is nothing to restore.
void Console::setReady()
{
    if (_state != BUSY_STATE)
        return;
    _state = _savedState;
    viewport()->setCursor(Qt::IBeamCursor);
    setCursorWidth(_savedCursorWidth);
}

int Console::visibleRows() const
{
    const QFontMetrics metrics(font());
    return height() / std::max(1, metrics.lineSpacing()) - 1;
}

int Console::visibleColumns() const
{
    const QFontMetrics metrics(font());
    return width() / std::max(1, metrics.averageCharWidth()) - 3;
}

void Console::printResults()
{
    if (_pager) {
        _pager->setPageSize(visibleRows(), visibleColumns());
        if (_pager->hasText()) {
            QTextCursor cursor = textCursor();
            cursor.movePosition(QTextCursor::End);
            // The first page starts below the line that was entered.
            if (_state == INPUT_STATE && !cursor.block().text().isEmpty())
                cursor.insertBlock();
            cursor.insertText(_pager->nextPage());
            setTextCursor(cursor);
            ensureCursorVisible();
            if (_pager->hasText()) {
                _state = PAGING_STATE;
                return;
            }
        }
    }
    const State previous = _state;
    newPrompt(false);
    if (previous == PAGING_STATE)
        continuePendingLines();
}

// ---------------------------------------------------------------------------
// Clipboard, paste and pending lines

void Console::pasteText(const QString &text)
{
    if (_state == BUSY_STATE)
        return;
    if (_state == PAGING_STATE)
        newPrompt(true);
    QString plain = text;
    plain.remove(QLatin1Char('\r'));
    _pendingLines += plain.split(QLatin1Char('\n'));
    continuePendingLines();
}

// Enters one pending line and stops: the rest waits until the engine has
// finished with it (the main window calls back, and so does the last page of
// paged output). The last line is only inserted, never entered.
void Console::continuePendingLines()
{
    while (_state != PAGING_STATE && _state != BUSY_STATE && !_pendingLines.isEmpty()) {
        const QString line = _pendingLines.takeFirst();
        insertTypedText(line);
        if (line.isEmpty())
            continue;
        if (!_pendingLines.isEmpty())
            enterLine();
        break;
    }
}

void Console::paste()
{
    if (_state == BUSY_STATE)
        return;
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        if (selectionInsideInput()) {
            cursor.removeSelectedText();
            setTextCursor(cursor);
        } else {
            moveToEnd();
        }
    } else {
        cursorIntoInputBlock();
        cursorPastPrompt();
    }
    pasteText(text);
}

void Console::copy()
{
    if (textCursor().hasSelection())
        QTextEdit::copy();
    emit updateCopyPasteActionsState();
}

void Console::cut()
{
    if (_state != BUSY_STATE && selectionInsideInput()) {
        QTextEdit::copy();
        QTextCursor cursor = textCursor();
        cursor.removeSelectedText();
        setTextCursor(cursor);
    }
    emit updateCopyPasteActionsState();
}

void Console::clear()
{
    // During a run the transcript is cleared once the command is over, so
    // that its prompt comes back in the right place.
    if (_state == BUSY_STATE) {
        _clearWhenFinished = true;
        return;
    }
    const int column = inputPosition();
    const QString text = inputText();
    QTextEdit::clear();
    if (_state == MULTILINE_STATE) {
        HistoryEntry entry = _multilineList;
        entry.append(HistoryLine(int(_currentStatement), text));
        writeEntry(entry);
        return;
    }
    insertPrompt();
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    cursor.setPosition(document()->lastBlock().position() + std::clamp(column, _promptLength, _promptLength + int(text.size())));
    setTextCursor(cursor);
}

void Console::updateActions()
{
    const QTextCursor cursor = textCursor();
    const bool selection = cursor.hasSelection();
    const bool inside = selectionInsideInput();
    const bool clipboardText = !QApplication::clipboard()->text().isEmpty();
    const bool cursorInInput = cursor.block() == document()->lastBlock() && inputPosition() >= _promptLength;
    _copyAction->setEnabled(selection);
    _cutAction->setEnabled(inside);
    _pasteAction->setEnabled(clipboardText && ((!selection && cursorInInput) || inside));
}

// ---------------------------------------------------------------------------
// History browsing

void Console::historyPrevious()
{
    if (!_history->hasPrevious())
        return;
    if (!_browsing) {
        _savedInput = _multilineList;
        _savedInput.append(HistoryLine(int(_currentStatement), inputText()));
        _browsing = true;
    }
    _history->previous();
    showEntry(_history->current());
}

void Console::historyNext()
{
    if (_history->hasNext()) {
        _history->next();
        showEntry(_history->current());
    } else if (_browsing) {
        showEntry(_savedInput);
        _browsing = false;
        _history->reset();
    }
}

void Console::showEntry(const HistoryEntry &entry)
{
    NUMLYRA_ASSERT(entry.size() > 0);
    removeStatementInProgress();
    writeEntry(entry);
}

// Writes the entry into the (empty) input area: every pair behind the prompt
// of its statement type, the last one left editable.
void Console::writeEntry(const HistoryEntry &entry)
{
    const qsizetype size = entry.size();
    NUMLYRA_ASSERT(size > 0);
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    for (qsizetype i = 0; i < size; ++i) {
        if (i > 0)
            cursor.insertBlock();
        QString text = entry[i].second;
        text.remove(QLatin1Char('\n'));
        cursor.insertText(statementPrompt(StatementType(entry[i].first)) + text);
    }
    setTextCursor(cursor);
    _multilineList = entry.mid(0, size - 1);
    _currentStatement = StatementType(entry.last().first);
    setPromptFor(_currentStatement);
    _state = size > 1 ? MULTILINE_STATE : INPUT_STATE;
    ensureCursorVisible();
}

// Ctrl+G: the current line goes and the last entered line is typed anew.
void Console::takeBackLine()
{
    if (_multilineList.isEmpty())
        return;
    const HistoryLine removed = _multilineList.takeLast();
    clearLine();
    QTextCursor cursor = textCursor();
    cursor.deletePreviousChar(); // the block separator: back onto the taken line
    setTextCursor(cursor);
    clearLine();
    if (_multilineList.isEmpty()) {
        _state = INPUT_STATE;
        _currentStatement = NO_STATEMENT;
    } else {
        _currentStatement = StatementType(removed.first);
    }
    setPromptFor(_currentStatement);
    cursor = textCursor();
    cursor.insertText(_prompt);
    setTextCursor(cursor);
}

// Ctrl+C without a selection in the input state: the line stays in the
// transcript as typed and a fresh prompt opens below it.
void Console::abandonLine()
{
    _browsing = false;
    _history->reset();
    _multilineList.clear();
    insertPrompt();
}

// ---------------------------------------------------------------------------
// Keys

void Console::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    const bool ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    if (ctrl && key == Qt::Key_Tab) {
        emit switchToNextTab();
        return;
    }
    if ((ctrlShift && key == Qt::Key_Tab) || ((ctrl || ctrlShift) && key == Qt::Key_Backtab)) {
        emit switchToPreviousTab();
        return;
    }
    switch (_state) {
    case BUSY_STATE:
        handleBusyKey(event);
        break;
    case PAGING_STATE:
        handlePagingKey(event);
        break;
    default:
        handleInputKey(event);
        break;
    }
}

void Console::handleBusyKey(QKeyEvent *event)
{
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier && event->key() == Qt::Key_C) {
        _pendingLines.clear();
        emit terminateProcess();
    }
}

void Console::handlePagingKey(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (isModifierKey(key))
        return;
    if (mods == Qt::NoModifier && (key == Qt::Key_N || key == Qt::Key_Q)) {
        newPrompt(true);
        continuePendingLines();
        return;
    }
    if (mods == Qt::ControlModifier && key == Qt::Key_C) {
        _pendingLines.clear();
        newPrompt(false);
        QTextEdit::clear();
        insertPrompt();
        return;
    }
    if (mods == Qt::ControlModifier && key == Qt::Key_L) {
        const QString question = document()->lastBlock().text();
        QTextEdit::clear();
        QTextCursor cursor = textCursor();
        cursor.insertText(question);
        setTextCursor(cursor);
        return;
    }
    clearLine();
    printResults();
}

void Console::handleInputKey(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool none = mods == Qt::NoModifier;
    const bool shift = mods == Qt::ShiftModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    const bool ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    const bool enterKey = key == Qt::Key_Return || key == Qt::Key_Enter;
    QTextCursor cursor = textCursor();

    if ((none && enterKey) || (ctrl && (key == Qt::Key_M || key == Qt::Key_Return))) {
        enterLine();
    } else if (none && key == Qt::Key_Escape) {
        if (_state == MULTILINE_STATE) {
            newPrompt(true);
        } else if (cursor.hasSelection()) {
            cursor.clearSelection();
            setTextCursor(cursor);
        } else {
            clearInput();
        }
    } else if ((none && key == Qt::Key_Backspace) || (ctrl && key == Qt::Key_H)) {
        if (handleSelectionForDelete() && inputPosition() > _promptLength) {
            cursor = textCursor();
            cursor.deletePreviousChar();
            setTextCursor(cursor);
        }
    } else if ((none && key == Qt::Key_Delete) || (ctrl && key == Qt::Key_I)) {
        if (handleSelectionForDelete()) {
            cursor = textCursor();
            cursor.deleteChar();
            setTextCursor(cursor);
        }
    } else if (ctrl && (key == Qt::Key_Backspace || key == Qt::Key_W)) {
        if (handleSelectionForDelete() && inputPosition() > _promptLength) {
            cursor = textCursor();
            const int end = cursor.position();
            cursor.movePosition(QTextCursor::PreviousWord);
            cutRange(std::max(cursor.position(), inputStart()), end, false);
        }
    } else if (ctrl && (key == Qt::Key_Delete || key == Qt::Key_D)) {
        if (handleSelectionForDelete()) {
            cursor = textCursor();
            const int start = cursor.position();
            cursor.movePosition(QTextCursor::NextWord);
            cutRange(start, cursor.position(), false);
        }
    } else if ((none && key == Qt::Key_Home) || (ctrl && (key == Qt::Key_Home || key == Qt::Key_A))) {
        moveToInputStart();
    } else if ((none && key == Qt::Key_End) || (ctrl && (key == Qt::Key_End || key == Qt::Key_E))) {
        moveToEnd();
    } else if ((none && key == Qt::Key_Left) || (ctrl && key == Qt::Key_B)) {
        if (prepareEdit()) {
            cursor = textCursor();
            if (inputPosition() > _promptLength)
                cursor.movePosition(QTextCursor::Left);
            else
                cursor.clearSelection();
            setTextCursor(cursor);
        }
    } else if ((none && key == Qt::Key_Right) || (ctrl && key == Qt::Key_F)) {
        if (prepareEdit()) {
            cursor = textCursor();
            if (!cursor.atEnd())
                cursor.movePosition(QTextCursor::Right);
            else
                cursor.clearSelection();
            setTextCursor(cursor);
        }
    } else if (ctrl && (key == Qt::Key_Left || key == Qt::Key_Comma)) {
        if (prepareEdit()) {
            cursor = textCursor();
            cursor.movePosition(QTextCursor::PreviousWord);
            if (cursor.position() < inputStart())
                cursor.setPosition(inputStart());
            setTextCursor(cursor);
        }
    } else if (ctrl && (key == Qt::Key_Right || key == Qt::Key_Period)) {
        if (prepareEdit()) {
            cursor = textCursor();
            cursor.movePosition(QTextCursor::NextWord);
            setTextCursor(cursor);
        }
    } else if ((none && (key == Qt::Key_Up || key == Qt::Key_PageUp)) || (ctrl && key == Qt::Key_P)) {
        historyPrevious();
    } else if ((none && (key == Qt::Key_Down || key == Qt::Key_PageDown)) || (ctrl && key == Qt::Key_N)) {
        historyNext();
    } else if (ctrl && key == Qt::Key_U) {
        clearInput();
    } else if (ctrl && key == Qt::Key_G) {
        if (_state == MULTILINE_STATE)
            takeBackLine();
        else
            clearInput();
    } else if (ctrl && key == Qt::Key_J) {
        if (prepareEdit())
            cutRange(inputStart(), textCursor().position(), false);
    } else if (ctrl && key == Qt::Key_K) {
        if (prepareEdit())
            cutRange(textCursor().position(), document()->characterCount() - 1, false);
    } else if (ctrl && key == Qt::Key_C) {
        if (cursor.hasSelection())
            copy();
        else if (_state == MULTILINE_STATE)
            newPrompt(true);
        else
            abandonLine();
    } else if (ctrl && key == Qt::Key_Y) {
        if (cursor.hasSelection()) {
            copy();
        } else {
            const QString text = inputText();
            if (!text.isEmpty())
                QApplication::clipboard()->setText(text);
        }
    } else if ((ctrl && key == Qt::Key_X) || (shift && key == Qt::Key_Delete)) {
        cut();
    } else if ((ctrl && key == Qt::Key_V) || (shift && key == Qt::Key_Insert)) {
        paste();
    } else if (ctrl && key == Qt::Key_L) {
        clear();
    } else if ((shift && key == Qt::Key_Home) || (ctrlShift && (key == Qt::Key_A || key == Qt::Key_Home))) {
        if (prepareEdit())
            selectToInputStart();
    } else if ((shift && key == Qt::Key_End) || (ctrlShift && (key == Qt::Key_E || key == Qt::Key_End))) {
        if (prepareEdit())
            selectToEnd();
    } else if ((shift && key == Qt::Key_Left) || (ctrlShift && key == Qt::Key_B)) {
        if (prepareEdit() && inputPosition() > _promptLength) {
            cursor = textCursor();
            cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor);
            setTextCursor(cursor);
        }
    } else if ((shift && key == Qt::Key_Right) || (ctrlShift && key == Qt::Key_F)) {
        if (prepareEdit()) {
            cursor = textCursor();
            cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor);
            setTextCursor(cursor);
        }
    } else if (ctrlShift && (key == Qt::Key_Left || key == Qt::Key_Comma || key == Qt::Key_Less)) {
        if (prepareEdit()) {
            cursor = textCursor();
            cursor.movePosition(QTextCursor::PreviousWord, QTextCursor::KeepAnchor);
            if (cursor.position() < inputStart())
                cursor.setPosition(inputStart(), QTextCursor::KeepAnchor);
            setTextCursor(cursor);
        }
    } else if (ctrlShift && (key == Qt::Key_Right || key == Qt::Key_Period || key == Qt::Key_Greater)) {
        if (prepareEdit()) {
            cursor = textCursor();
            cursor.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
            setTextCursor(cursor);
        }
    } else if (ctrlShift && key == Qt::Key_J) {
        if (prepareEdit())
            cutRange(inputStart(), textCursor().position(), true);
    } else if (ctrlShift && key == Qt::Key_K) {
        if (prepareEdit())
            cutRange(textCursor().position(), document()->characterCount() - 1, true);
    } else if (shift
               && (key == Qt::Key_Escape || key == Qt::Key_Tab || key == Qt::Key_Backtab || enterKey || key == Qt::Key_Up
                   || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown)) {
        // Shifted navigation keys are deliberately inert.
    } else if ((none || shift) && isInsertableText(event->text())) {
        insertTypedText(event->text());
    } else {
        event->ignore();
    }
}

// ---------------------------------------------------------------------------
// Mouse, context menu, drag and drop

void Console::mousePressEvent(QMouseEvent *event)
{
    if (_state != BUSY_STATE)
        QTextEdit::mousePressEvent(event);
}

void Console::mouseReleaseEvent(QMouseEvent *event)
{
    if (_state != BUSY_STATE)
        QTextEdit::mouseReleaseEvent(event);
}

void Console::mouseMoveEvent(QMouseEvent *event)
{
    if (_state != BUSY_STATE)
        QTextEdit::mouseMoveEvent(event);
}

void Console::mouseDoubleClickEvent(QMouseEvent *event)
{
    (void)event;
    if (_state == INPUT_STATE || _state == MULTILINE_STATE)
        enterLine();
}

void Console::contextMenuEvent(QContextMenuEvent *event)
{
    if (_state == BUSY_STATE)
        return;
    updateActions();
    _contextMenu->exec(event->globalPos());
}

void Console::dragEnterEvent(QDragEnterEvent *event)
{
    if (_state == BUSY_STATE || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void Console::dragMoveEvent(QDragMoveEvent *event)
{
    if (_state == BUSY_STATE || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    setTextCursor(cursorForPosition(event->position().toPoint()));
    event->acceptProposedAction();
}

void Console::dropEvent(QDropEvent *event)
{
    if (_state == BUSY_STATE || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    setTextCursor(cursorForPosition(event->position().toPoint()));
    cursorIntoInputBlock();
    cursorPastPrompt();
    // A copy, never a move: text dragged out of the transcript stays there.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    pasteText(event->mimeData()->text());
}

bool Console::canInsertFromMimeData(const QMimeData *source) const
{
    return _state != BUSY_STATE && source->hasText();
}

// The editor's own paste paths (the middle mouse button) go through
// pasteText like every other paste.
void Console::insertFromMimeData(const QMimeData *source)
{
    if (_state == BUSY_STATE || !source->hasText())
        return;
    cursorIntoInputBlock();
    cursorPastPrompt();
    pasteText(source->text());
}

void Console::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        updateTabStop();
    QTextEdit::changeEvent(event);
}
