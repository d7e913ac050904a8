#include "ui/graph_painter_widget.h"

#include "graphs/graph.h"
#include "graphs/graph_painter.h"

#include <QPainter>

GraphPainterWidget::GraphPainterWidget(Graph *graph, QWidget *parent)
    : QWidget(parent)
    , _graph(graph)
{
    // The graph paints every pixel of its rectangle itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize GraphPainterWidget::sizeHint() const
{
    return DEFAULT_GRAPH_IMAGE_SIZE;
}

void GraphPainterWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    _graph->paint(painter, contentsRect(), font());
}
