#include "ui/graph_page.h"

#include "graphs/graph.h"
#include "graphs/graph_painter.h"

#include <QPainter>

GraphPage::GraphPage(Graph *graph, const QFont &font, QWidget *parent)
    : QWidget(parent)
    , _graph(graph)
    , _font(font)
{
    // The graph paints every pixel of its rectangle itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

GraphPage::~GraphPage()
{
    delete _graph;
}

void GraphPage::setGraphFont(const QFont &font)
{
    _font = font;
    update();
}

QSize GraphPage::sizeHint() const
{
    return DEFAULT_GRAPH_IMAGE_SIZE;
}

void GraphPage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    _graph->paint(painter, rect(), _font);
}
