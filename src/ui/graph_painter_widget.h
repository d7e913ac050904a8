#pragma once

#include <QWidget>

class Graph;

// The picture part of a graph page: the graph paints itself into the whole
// widget in the widget's font, which is the graph font of all pages.
class GraphPainterWidget : public QWidget {
    Q_OBJECT
public:
    // `graph` is not owned; it lives until its page is closed.
    explicit GraphPainterWidget(Graph *graph, QWidget *parent = nullptr);

    Graph *graph() const { return _graph; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Graph *_graph;
};
