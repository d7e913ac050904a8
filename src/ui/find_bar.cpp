#include "ui/find_bar.h"

#include "ui/icons.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QToolButton>

FindBar::FindBar(QPlainTextEdit *editor, QWidget *parent)
    : QWidget(parent)
    , _editor(editor)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    _text = new QLineEdit(this);
    _text->setClearButtonEnabled(true);
    _matchCase = new QCheckBox(tr("Match case"), this);
    auto *previous = new QToolButton(this);
    previous->setText(tr("Previous"));
    previous->setToolTip(tr("Find previous (Shift+Return)"));
    auto *next = new QToolButton(this);
    next->setText(tr("Next"));
    next->setToolTip(tr("Find next (Return)"));
    auto *closeButton = new QToolButton(this);
    closeButton->setIcon(Icons::get(QStringLiteral("close_tab")));
    closeButton->setAutoRaise(true);
    closeButton->setToolTip(tr("Close (Escape)"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(tr("Find:"), this));
    layout->addWidget(_text, 1);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(_matchCase);
    layout->addWidget(closeButton);

    connect(_text, &QLineEdit::textEdited, this, [this] { showFound(true); });
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(closeButton, &QToolButton::clicked, this, &FindBar::close);
    hide();
}

void FindBar::open()
{
    const QString selected = _editor->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        _text->setText(selected);
    show();
    _text->selectAll();
    _text->setFocus();
}

bool FindBar::findNext()
{
    return find(false);
}

bool FindBar::findPrevious()
{
    return find(true);
}

void FindBar::close()
{
    hide();
    showFound(true);
    _editor->setFocus();
    emit closed();
}

// The field leaves Return and the keys it does not use to its parent; the
// bar stops them here, so that none of them edits the text being searched.
// Keys with Ctrl and function keys go on to the page (Ctrl+W, F5, ...).
void FindBar::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        close();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (event->modifiers().testFlag(Qt::ShiftModifier))
            findPrevious();
        else
            findNext();
    } else if (event->modifiers().testFlag(Qt::ControlModifier) || (key >= Qt::Key_F1 && key <= Qt::Key_F35)) {
        event->ignore();
    }
}

// From the cursor on; past the end (or the start) the search wraps around.
bool FindBar::find(bool backward)
{
    const QString text = _text->text();
    if (text.isEmpty())
        return false;
    QTextDocument::FindFlags flags;
    if (backward)
        flags |= QTextDocument::FindBackward;
    if (_matchCase->isChecked())
        flags |= QTextDocument::FindCaseSensitively;
    bool found = _editor->find(text, flags);
    if (!found) {
        const QTextCursor saved = _editor->textCursor();
        QTextCursor wrap = saved;
        wrap.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        _editor->setTextCursor(wrap);
        found = _editor->find(text, flags);
        if (!found)
            _editor->setTextCursor(saved);
    }
    showFound(found);
    return found;
}

// A search without a match tints the field.
void FindBar::showFound(bool found)
{
    QPalette palette = _editor->palette();
    if (!found) {
        const QColor base = palette.color(QPalette::Base);
        const bool dark = base.lightness() < 128;
        palette.setColor(QPalette::Base, dark ? QColor(110, 40, 40) : QColor(255, 205, 205));
    }
    _text->setPalette(palette);
}
