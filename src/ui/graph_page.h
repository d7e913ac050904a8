#pragma once

#include <QFont>
#include <QWidget>

class Graph;

// A graph page of the central tab widget: the graph paints itself into the
// whole page. The page owns its graph; closing the page destroys both.
class GraphPage : public QWidget {
    Q_OBJECT
public:
    GraphPage(Graph *graph, const QFont &font, QWidget *parent = nullptr);
    ~GraphPage() override;

    Graph *graph() const { return _graph; }
    const QFont &graphFont() const { return _font; }
    void setGraphFont(const QFont &font);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Graph *_graph;
    QFont _font;
};
