#include "ui/text_edit.h"

#include "app/constants.h"
#include "app/message_hook.h"
#include "ui/find_bar.h"
#include "ui/line_number_area.h"
#include "ui/script_highlighter.h"

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextStream>

namespace {

const char *const kFileNameProperty = "file_name";
const char *const kReadOnlyProperty = "read_only";
const char *const kLastModifiedProperty = "last_modified";

QColor blend(const QColor &a, const QColor &b, double weight)
{
    return QColor::fromRgbF(float(a.redF() * weight + b.redF() * (1 - weight)),
                            float(a.greenF() * weight + b.greenF() * (1 - weight)),
                            float(a.blueF() * weight + b.blueF() * (1 - weight)));
}

// Scripts and the startup file are coloured; other text files are not.
bool isScript(const QString &path)
{
    const QFileInfo info(path);
    return path.isEmpty() || info.suffix() == Numlyra::scriptSuffix || info.fileName() == Numlyra::startupFileName;
}

// The position of the bracket matching the one at `position`, or -1.
int matchingBracket(const QTextDocument *document, int position)
{
    static const QString opening = QStringLiteral("([{");
    static const QString closing = QStringLiteral(")]}");
    const QChar c = document->characterAt(position);
    const qsizetype open = opening.indexOf(c);
    const qsizetype close = closing.indexOf(c);
    if (open < 0 && close < 0)
        return -1;
    const QChar self = c;
    const QChar other = open >= 0 ? closing.at(open) : opening.at(close);
    const int step = open >= 0 ? 1 : -1;
    const int end = document->characterCount();
    int depth = 0;
    for (int i = position; i >= 0 && i < end; i += step) {
        const QChar here = document->characterAt(i);
        if (here == self)
            ++depth;
        else if (here == other && --depth == 0)
            return i;
    }
    return -1;
}

} // namespace

TextEdit::TextEdit(bool readOnly, QWidget *parent)
    : QPlainTextEdit(parent)
    , _gutter(new LineNumberArea(this))
    , _findBar(new FindBar(this, this))
    , _highlighter(new ScriptHighlighter(palette(), document()))
{
    setProperty(kFileNameProperty, QString());
    setProperty(kReadOnlyProperty, readOnly);
    setProperty(kLastModifiedProperty, QDateTime());
    setReadOnly(readOnly);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(this, &QPlainTextEdit::blockCountChanged, this, &TextEdit::updateMargins);
    connect(_findBar, &FindBar::closed, this, &TextEdit::updateMargins);
    connect(this, &QPlainTextEdit::updateRequest, this, &TextEdit::updateLineNumbers);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TextEdit::updateExtraSelections);
    updateMargins();
    updateExtraSelections();
}

QString TextEdit::fileName() const
{
    return property(kFileNameProperty).toString();
}

bool TextEdit::isViewer() const
{
    return property(kReadOnlyProperty).toBool();
}

QDateTime TextEdit::lastModified() const
{
    return property(kLastModifiedProperty).toDateTime();
}

bool TextEdit::openFile(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!isViewer() && !QFileInfo::exists(absolute)) {
        setFileName(absolute);
        return true;
    }
    if (!QFileInfo::exists(absolute)) {
        showCriticalMessage(tr("File \"%1\" doesn't exists").arg(absolute));
        return false;
    }
    if (!readFile(absolute))
        return false;
    setFileName(absolute);
    return true;
}

bool TextEdit::reload()
{
    return readFile(fileName());
}

bool TextEdit::readFile(const QString &path)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        showCriticalMessage(tr("Can't open file \"%1\".").arg(path));
        return false;
    }
    QTextStream in(&file);
    setPlainText(in.readAll());
    document()->setModified(false);
    setProperty(kLastModifiedProperty, QFileInfo(path).lastModified());
    return true;
}

bool TextEdit::saveFile(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QFile file(absolute);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate)) {
        showCriticalMessage(tr("Can't open file \"%1\" to write").arg(absolute));
        return false;
    }
    QTextStream out(&file);
    out << toPlainText();
    out.flush();
    file.close();
    if (file.error() != QFileDevice::NoError) {
        showCriticalMessage(tr("Can't open file \"%1\" to write").arg(absolute));
        return false;
    }
    setFileName(absolute);
    markCurrent();
    document()->setModified(false);
    return true;
}

bool TextEdit::changedOnDisk() const
{
    const QFileInfo info(fileName());
    return !fileName().isEmpty() && info.exists() && info.lastModified() > lastModified();
}

void TextEdit::markCurrent()
{
    setProperty(kLastModifiedProperty, QFileInfo(fileName()).lastModified());
}

void TextEdit::setFileName(const QString &path)
{
    setProperty(kFileNameProperty, path);
    _highlighter->setDocument(isScript(path) ? document() : nullptr);
}

void TextEdit::setEditorFont(const QFont &font)
{
    setFont(font);
    setTabStopDistance(4 * QFontMetricsF(font).averageCharWidth());
}

void TextEdit::print(QPrinter *printer)
{
    QPlainTextEdit::print(printer);
}

void TextEdit::showFindBar()
{
    _findBar->open();
    updateMargins();
}

// Matched on the key and exactly the modifiers named; the tab widget's keys
// go on to it.
void TextEdit::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const bool ctrl = modifiers == Qt::ControlModifier;
    const bool ctrlShift = modifiers == (Qt::ControlModifier | Qt::ShiftModifier);
    if (ctrl && key == Qt::Key_Tab) {
        emit switchToNextTab();
    } else if (ctrlShift && (key == Qt::Key_Tab || key == Qt::Key_Backtab)) {
        emit switchToPreviousTab();
    } else if (ctrl && (key == Qt::Key_W || key == Qt::Key_F4)) {
        emit closeCurrentPage();
    } else if (ctrl && key == Qt::Key_F) {
        showFindBar();
    } else if (key == Qt::Key_Escape && modifiers == Qt::NoModifier && _findBar->isVisible()) {
        _findBar->close();
    } else if ((modifiers == Qt::NoModifier && (key == Qt::Key_F5 || key == Qt::Key_F8 || key == Qt::Key_F9))
               || (ctrl && key == Qt::Key_S)) {
        event->ignore();
    } else {
        QPlainTextEdit::keyPressEvent(event);
    }
}

void TextEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu(event->pos());
    menu->addSeparator();
    menu->addAction(tr("Find...\tCtrl+F"), this, &TextEdit::showFindBar);
    if (!_pageActions.isEmpty()) {
        menu->addSeparator();
        menu->addActions(_pageActions);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TextEdit::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    layoutChildren();
}

void TextEdit::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateMargins();
    } else if (event->type() == QEvent::PaletteChange) {
        _highlighter->setPalette(palette());
        updateExtraSelections();
    }
}

int TextEdit::lineNumberAreaWidth() const
{
    int digits = 1;
    for (int lines = std::max(1, blockCount()); lines >= 10; lines /= 10)
        ++digits;
    digits = std::max(digits, 3);
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void TextEdit::updateMargins()
{
    const int bottom = _findBar->isVisibleTo(this) ? _findBar->sizeHint().height() : 0;
    setViewportMargins(lineNumberAreaWidth(), 0, 0, bottom);
    layoutChildren();
}

void TextEdit::layoutChildren()
{
    const QRect area = contentsRect();
    const int bottom = _findBar->isVisibleTo(this) ? _findBar->sizeHint().height() : 0;
    _gutter->setGeometry(area.left(), area.top(), lineNumberAreaWidth(), area.height() - bottom);
    _findBar->setGeometry(area.left(), area.bottom() + 1 - bottom, area.width(), bottom);
}

void TextEdit::updateLineNumbers(const QRect &rect, int dy)
{
    if (dy)
        _gutter->scroll(0, dy);
    else
        _gutter->update(0, rect.y(), _gutter->width(), rect.height());
    if (rect.contains(viewport()->rect()))
        updateMargins();
}

void TextEdit::paintLineNumbers(QPaintEvent *event)
{
    QPainter painter(_gutter);
    const QPalette &colours = palette();
    painter.fillRect(event->rect(), blend(colours.color(QPalette::Window), colours.color(QPalette::Base), 0.6));
    const QColor number = blend(colours.color(QPalette::Text), colours.color(QPalette::Base), 0.5);
    const int current = textCursor().blockNumber();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    const int width = _gutter->width() - 4;
    const int height = fontMetrics().height();
    while (block.isValid() && top <= event->rect().bottom()) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && bottom >= event->rect().top()) {
            painter.setPen(block.blockNumber() == current ? colours.color(QPalette::Text) : number);
            painter.drawText(0, top, width, height, Qt::AlignRight, QString::number(block.blockNumber() + 1));
        }
        block = block.next();
        top = bottom;
    }
}

// The current line is tinted and the bracket at (or just before) the cursor
// is shown with its partner.
void TextEdit::updateExtraSelections()
{
    QList<QTextEdit::ExtraSelection> selections;
    const QColor base = palette().color(QPalette::Base);
    const QColor highlight = palette().color(QPalette::Highlight);
    QTextEdit::ExtraSelection line;
    line.format.setBackground(blend(highlight, base, 0.12));
    line.format.setProperty(QTextFormat::FullWidthSelection, true);
    line.cursor = textCursor();
    line.cursor.clearSelection();
    selections << line;

    const int position = textCursor().position();
    for (int at : {position, position - 1}) {
        if (at < 0)
            continue;
        const int partner = matchingBracket(document(), at);
        if (partner < 0)
            continue;
        for (int bracket : {at, partner}) {
            QTextEdit::ExtraSelection mark;
            mark.format.setBackground(blend(highlight, base, 0.4));
            mark.cursor = QTextCursor(document());
            mark.cursor.setPosition(bracket);
            mark.cursor.setPosition(bracket + 1, QTextCursor::KeepAnchor);
            selections << mark;
        }
        break;
    }
    setExtraSelections(selections);
    _gutter->update();
}
