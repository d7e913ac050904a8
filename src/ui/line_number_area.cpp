#include "ui/line_number_area.h"

#include "ui/text_edit.h"

LineNumberArea::LineNumberArea(TextEdit *editor)
    : QWidget(editor)
    , _editor(editor)
{
}

QSize LineNumberArea::sizeHint() const
{
    return QSize(_editor->lineNumberAreaWidth(), 0);
}

void LineNumberArea::paintEvent(QPaintEvent *event)
{
    _editor->paintLineNumbers(event);
}
