#include "graphs/graph.h"

namespace {

QList<Graph *> &registry()
{
    static QList<Graph *> graphs;
    return graphs;
}

} // namespace

Graph::Graph()
{
    registry().append(this);
}

Graph::~Graph()
{
    registry().removeOne(this);
}

const QList<Graph *> &Graph::graphList()
{
    return registry();
}

Graph *Graph::activeGraph()
{
    const QList<Graph *> &graphs = registry();
    return graphs.isEmpty() ? nullptr : graphs.last();
}
