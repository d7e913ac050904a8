#include "engine/run_state.h"
#include "graphs/bar_graph.h"
#include "graphs/pie_graph.h"
#include "graphs/plot_graph.h"
#include "library/native_definition.h"

#include <memory>
#include <new>

// The graph commands. Checks run in one order: argument count, the active
// graph (changing commands), availability, argument types, then values. A
// new graph is built before its values are checked and destroyed again if
// one is refused, so a failing plot, bar or pie leaves nothing behind.
namespace {

VariableType elementType(const Variable &v)
{
    return v.type() == VECTOR_TYPE ? v.getVector().type() : v.type();
}

// Argument `index` must hold doubles: an array of them (an empty array of
// any type passes; its size is judged later) or, when `scalarToo`, a double.
bool checkDoubles(NativeFrame &frame, unsigned index, bool scalarToo)
{
    const Variable &v = frame.arg(index);
    if (v.type() == DOUBLE_TYPE && scalarToo)
        return true;
    if (v.type() != VECTOR_TYPE) {
        frame.context.badArgument(VECTOR_TYPE, v.type(), int(index));
        return false;
    }
    if (v.getVector().isEmpty() || v.getVector().type() == DOUBLE_TYPE)
        return true;
    frame.context.badArgument(DOUBLE_TYPE, elementType(v), int(index));
    return false;
}

bool checkType(NativeFrame &frame, unsigned index, VariableType type)
{
    if (frame.arg(index).type() == type)
        return true;
    frame.context.badArgument(type, frame.arg(index).type(), int(index));
    return false;
}

// The elements of a double or of a row or column of doubles; any other
// non-empty shape is "Expect row-vector".
bool lineElements(NativeFrame &frame, const Variable &v, QList<double> &out)
{
    out.clear();
    if (v.type() == DOUBLE_TYPE) {
        out.append(v.getDouble());
        return true;
    }
    const Vector &vector = v.getVector();
    if (vector.isEmpty())
        return true;
    if (!vector.isLine()) {
        frame.context.report(ERR_EXPECT_ROW_VECTOR);
        return false;
    }
    const double *items = vector.doubles();
    out = QList<double>(items, items + vector.count());
    return true;
}

// Labels of a bar or pie graph with `count` elements: strings as they are,
// doubles written with 6 significant digits. An empty array means no labels.
bool labelTexts(NativeFrame &frame, const Variable &v, qsizetype count, QStringList &out)
{
    out.clear();
    const Vector &vector = v.getVector();
    if (vector.isEmpty())
        return true;
    if (vector.type() != STRING_TYPE && vector.type() != DOUBLE_TYPE) {
        frame.context.report(ERR_TYPE_MISMATCH);
        return false;
    }
    if (!vector.isLine()) {
        frame.context.report(ERR_EXPECT_ROW_VECTOR);
        return false;
    }
    if (qsizetype(vector.count()) != count) {
        frame.context.report(ERR_DIFFERENT_MATRIX_SIZE);
        return false;
    }
    out.reserve(count);
    for (uint32_t i = 0; i < vector.count(); ++i) {
        if (vector.type() == STRING_TYPE)
            out.append(vector.getString(i).toQString());
        else
            out.append(QString::number(vector.getDouble(i), 'g', 6));
    }
    return true;
}

bool succeed(NativeFrame &frame)
{
    frame.setResult(Variable(true));
    return true;
}

// The host shows the graph after the command and owns it from then on.
bool handOverNew(NativeFrame &frame, std::unique_ptr<Graph> graph)
{
    RunState::instance().graphList.append(graph.get());
    graph.release();
    return succeed(frame);
}

bool handOverChanged(NativeFrame &frame, Graph *graph)
{
    QList<Graph *> &changed = RunState::instance().updateGraphList;
    if (!changed.contains(graph))
        changed.append(graph);
    return succeed(frame);
}

bool refuse(NativeFrame &frame, quint32 code)
{
    frame.context.report(code);
    return false;
}

Graph *activeGraph(NativeFrame &frame)
{
    Graph *graph = Graph::activeGraph();
    if (!graph)
        frame.context.report(ERR_NO_ACTIVE_GRAPH);
    return graph;
}

QString stringArgument(NativeFrame &frame, unsigned index)
{
    return frame.arg(index).getString().toQString();
}

// plot(y), plot(x, y), plot(x, y, title)
bool plotNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 3))
        return false;
    const bool withX = frame.argc >= 2;
    if (!checkDoubles(frame, 0, true) || (withX && !checkDoubles(frame, 1, true))
        || (frame.argc == 3 && !checkType(frame, 2, STRING_TYPE)))
        return false;
    auto graph = std::make_unique<PlotGraph>();
    graph->setGridOn(true);
    QList<double> x;
    QList<double> y;
    if (withX) {
        if (!lineElements(frame, frame.arg(0), x) || !lineElements(frame, frame.arg(1), y))
            return false;
        if (x.size() != y.size())
            return refuse(frame, ERR_DIFFERENT_MATRIX_SIZE);
    } else {
        if (!lineElements(frame, frame.arg(0), y))
            return false;
        x.reserve(y.size());
        for (qsizetype i = 0; i < y.size(); ++i)
            x.append(double(i));
    }
    if (!graph->setYData(y))
        return refuse(frame, ERR_BAD_PLOT_Y_DATA);
    if (!graph->setXData(x))
        return refuse(frame, ERR_BAD_PLOT_X_DATA);
    if (frame.argc == 3)
        graph->setTitle(stringArgument(frame, 2));
    return handOverNew(frame, std::move(graph));
}

// bar(data), bar(data, labels), bar(data, labels, title),
// bar(data, labels, title, baseline)
bool barNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 4))
        return false;
    if (!checkDoubles(frame, 0, false) || (frame.argc >= 2 && !checkType(frame, 1, VECTOR_TYPE))
        || (frame.argc >= 3 && !checkType(frame, 2, STRING_TYPE))
        || (frame.argc == 4 && !checkType(frame, 3, DOUBLE_TYPE)))
        return false;
    auto graph = std::make_unique<BarGraph>();
    graph->setGridOn(true);
    // A column is stored as a row: only the element order matters.
    QList<double> data;
    if (!lineElements(frame, frame.arg(0), data))
        return false;
    if (!graph->setData(data))
        return refuse(frame, ERR_BAD_BAR_DATA);
    if (frame.argc >= 2) {
        QStringList labels;
        if (!labelTexts(frame, frame.arg(1), data.size(), labels))
            return false;
        graph->setLabels(labels);
    }
    if (frame.argc >= 3)
        graph->setTitle(stringArgument(frame, 2));
    if (frame.argc == 4 && !graph->setBaseline(frame.arg(3).getDouble()))
        return refuse(frame, ERR_BAD_BAR_BASELINE);
    return handOverNew(frame, std::move(graph));
}

// pie(data), pie(data, labels), pie(data, labels, title)
bool pieNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 3))
        return false;
    if (!checkDoubles(frame, 0, false) || (frame.argc >= 2 && !checkType(frame, 1, VECTOR_TYPE))
        || (frame.argc == 3 && !checkType(frame, 2, STRING_TYPE)))
        return false;
    auto graph = std::make_unique<PieGraph>();
    QList<double> data;
    if (!lineElements(frame, frame.arg(0), data))
        return false;
    if (!graph->setData(data))
        return refuse(frame, ERR_BAD_PIE_DATA);
    if (frame.argc >= 2) {
        QStringList labels;
        if (!labelTexts(frame, frame.arg(1), data.size(), labels))
            return false;
        graph->setLabels(labels);
    }
    if (frame.argc == 3)
        graph->setTitle(stringArgument(frame, 2));
    return handOverNew(frame, std::move(graph));
}

bool titleNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    Graph *graph = activeGraph(frame);
    if (!graph || !checkType(frame, 0, STRING_TYPE))
        return false;
    graph->setTitle(stringArgument(frame, 0));
    return handOverChanged(frame, graph);
}

bool xlabelNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    Graph *graph = activeGraph(frame);
    if (!graph)
        return false;
    if (!graph->xLabelAvailable())
        return refuse(frame, ERR_X_LABEL_NOT_AVAILABLE);
    if (!checkType(frame, 0, STRING_TYPE))
        return false;
    graph->setXLabel(stringArgument(frame, 0));
    return handOverChanged(frame, graph);
}

bool ylabelNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    Graph *graph = activeGraph(frame);
    if (!graph)
        return false;
    if (!graph->yLabelAvailable())
        return refuse(frame, ERR_Y_LABEL_NOT_AVAILABLE);
    if (!checkType(frame, 0, STRING_TYPE))
        return false;
    graph->setYLabel(stringArgument(frame, 0));
    return handOverChanged(frame, graph);
}

// grid, grid(number), grid(boolean), grid("on"), grid("off")
bool gridNative(NativeFrame &frame)
{
    if (!frame.expectArguments(0, 1))
        return false;
    Graph *graph = activeGraph(frame);
    if (!graph)
        return false;
    if (!graph->gridAvailable())
        return refuse(frame, ERR_GRID_NOT_AVAILABLE);
    bool on = true;
    if (frame.argc == 1) {
        const Variable &v = frame.arg(0);
        if (v.type() == DOUBLE_TYPE) {
            on = v.getDouble() != 0; // NaN is not 0: on
        } else if (v.type() == BOOLEAN_TYPE) {
            on = v.getBoolean();
        } else if (v.type() == STRING_TYPE && (v.getString() == String("on") || v.getString() == String("off"))) {
            on = v.getString() == String("on");
        } else {
            return refuse(frame, ERR_BAD_GRID_ARG);
        }
    }
    graph->setGridOn(on);
    return handOverChanged(frame, graph);
}

// labels(list): an array of strings, one per data element; [] removes them.
bool labelsNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    Graph *graph = activeGraph(frame);
    if (!graph)
        return false;
    if (!graph->labelsAvailable())
        return refuse(frame, ERR_LABELS_NOT_AVAILABLE);
    if (!checkType(frame, 0, VECTOR_TYPE))
        return false;
    const Vector &list = frame.arg(0).getVector();
    QStringList labels;
    if (!list.isTypeless()) {
        if (list.type() != STRING_TYPE) {
            frame.context.badArgument(STRING_TYPE, list.type(), 0);
            return false;
        }
        if (!labelTexts(frame, frame.arg(0), graph->dataCount(), labels))
            return false;
        // An empty array of strings must still match the data count.
        if (list.isEmpty() && graph->dataCount() != 0)
            return refuse(frame, ERR_DIFFERENT_MATRIX_SIZE);
    }
    graph->setLabels(labels);
    return handOverChanged(frame, graph);
}

bool baselineNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    Graph *graph = activeGraph(frame);
    if (!graph)
        return false;
    if (!graph->baselineAvailable())
        return refuse(frame, ERR_BASELINE_NOT_AVAILABLE);
    if (!checkType(frame, 0, DOUBLE_TYPE))
        return false;
    if (!graph->setBaseline(frame.arg(0).getDouble()))
        return refuse(frame, ERR_BAD_BAR_BASELINE);
    return handOverChanged(frame, graph);
}

// Graphs and their data live in Qt containers, which throw when memory runs
// out; the command reports that instead.
template <NativeRoutine Routine>
bool guarded(NativeFrame &frame)
{
    try {
        return Routine(frame);
    } catch (const std::bad_alloc &) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

const NativeDefinition GRAPH_NATIVES[] = {
    {"plot", guarded<plotNative>},
    {"bar", guarded<barNative>},
    {"pie", guarded<pieNative>},
    {"title", guarded<titleNative>},
    {"labels", guarded<labelsNative>},
    {"grid", guarded<gridNative>},
    {"xlabel", guarded<xlabelNative>},
    {"ylabel", guarded<ylabelNative>},
    {"baseline", guarded<baselineNative>},
};

} // namespace

std::span<const NativeDefinition> graphNatives()
{
    return GRAPH_NATIVES;
}
