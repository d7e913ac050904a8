#include "engine/run_state.h"
#include "graphs/bar_graph.h"
#include "graphs/pie_graph.h"
#include "graphs/plot_graph.h"
#include "library/native_definition.h"
#include "values/error_codes.h"
#include "values/output_list.h"

#include "native_test_support.h"

#include <QtTest>

#include <cmath>
#include <limits>

using Args = QList<Variable>;
using Doubles = QList<double>;
Q_DECLARE_METATYPE(Args)
Q_DECLARE_METATYPE(Doubles)

namespace {

using namespace NativeTest;

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

Variable row(std::initializer_list<double> items) { return array<double>(DOUBLE_TYPE, 1, uint32_t(items.size()), items); }
Variable column(std::initializer_list<double> items) { return array<double>(DOUBLE_TYPE, uint32_t(items.size()), 1, items); }
Variable strings(uint32_t r, uint32_t c, std::initializer_list<const char *> items) { return array<String>(STRING_TYPE, r, c, items); }

bool call(const QString &name, const Args &args, Variable *result = nullptr)
{
    const Outcome out = NativeTest::call(graphNatives(), name, args);
    if (out.ok && result) {
        if (out.stackSize != 1)
            qFatal("a native must leave exactly one value");
        *result = out.top;
    }
    return out.ok;
}

void destroyAllGraphs()
{
    const QList<Graph *> graphs = Graph::graphList();
    qDeleteAll(graphs);
    RunState::instance().graphList.clear();
    RunState::instance().updateGraphList.clear();
}

// A graph of one kind made by its own command ("" makes none).
void makeGraph(const QString &kind)
{
    if (kind == "plot")
        QVERIFY(call("plot", {row({1, 2, 3})}));
    else if (kind == "bar")
        QVERIFY(call("bar", {row({1, 2, 3})}));
    else if (kind == "pie")
        QVERIFY(call("pie", {row({1, 2, 3})}));
    RunState::instance().graphList.clear();
    RunState::instance().updateGraphList.clear();
}

bool sameDoubles(const Doubles &a, const Doubles &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i]))))
            return false;
    return true;
}

} // namespace

// graphs.l and graphs_failures.l run the commands with their reports, and
// show through saved graphs that a failure creates or changes nothing; these
// check the data the graphs take.
class TestGraphFunctions : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { destroyAllGraphs(); }

    void plotForms_data()
    {
        QTest::addColumn<Args>("args");
        QTest::addColumn<Doubles>("x");
        QTest::addColumn<Doubles>("y");
        QTest::addColumn<QString>("title");
        QTest::newRow("y only counts x from 0") << Args{row({3, 1, 2})} << Doubles{0, 1, 2} << Doubles{3, 1, 2} << "";
        QTest::newRow("y as a column") << Args{column({4, 5})} << Doubles{0, 1} << Doubles{4, 5} << "";
        QTest::newRow("a single double") << Args{num(7)} << Doubles{0} << Doubles{7} << "";
        QTest::newRow("x and y") << Args{row({1, 2, 4}), row({5, 6, 7})} << Doubles{1, 2, 4} << Doubles{5, 6, 7} << "";
        QTest::newRow("row x, column y") << Args{row({1, 2}), column({5, 6})} << Doubles{1, 2} << Doubles{5, 6} << "";
        QTest::newRow("two doubles") << Args{num(1), num(2)} << Doubles{1} << Doubles{2} << "";
        QTest::newRow("with title") << Args{row({1, 2}), row({3, 4}), str("t")} << Doubles{1, 2} << Doubles{3, 4} << "t";
        QTest::newRow("non-finite points stay") << Args{row({1, NaN, 3})} << Doubles{0, 1, 2} << Doubles{1, NaN, 3} << "";
    }
    void plotForms()
    {
        QFETCH(Args, args);
        QFETCH(Doubles, x);
        QFETCH(Doubles, y);
        QFETCH(QString, title);
        Variable result;
        QVERIFY(call("plot", args, &result));
        QCOMPARE(result.type(), BOOLEAN_TYPE);
        QVERIFY(result.getBoolean());
        QCOMPARE(RunState::instance().graphList.size(), 1);
        auto *graph = dynamic_cast<PlotGraph *>(RunState::instance().graphList.first());
        QVERIFY(graph);
        QCOMPARE(Graph::activeGraph(), graph);
        QVERIFY(sameDoubles(graph->xData(), x));
        QVERIFY(sameDoubles(graph->yData(), y));
        QCOMPARE(graph->title(), title);
        QVERIFY(graph->gridOn());
    }

    void plotRangeIgnoresNonFinite()
    {
        QVERIFY(call("plot", {row({-Inf, 2, NaN, -1, 5, Inf}), row({0, 1, 2, 3, 4, 5})}));
        auto *graph = static_cast<PlotGraph *>(Graph::activeGraph());
        QCOMPARE(graph->xMinimum(), -1.0);
        QCOMPARE(graph->xMaximum(), 5.0);
        QCOMPARE(graph->yMinimum(), 0.0);
        QCOMPARE(graph->yMaximum(), 5.0);
    }

    void barAndPieForms_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Args>("args");
        QTest::addColumn<Doubles>("data");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("baseline");
        auto add = [](const char *tag, const char *name, Args args, Doubles data, QStringList labels, QString title, double baseline = 0) {
            QTest::newRow(tag) << QString(name) << args << data << labels << title << baseline;
        };
        add("bar row", "bar", {row({1, 2, 3})}, {1, 2, 3}, {}, "");
        add("bar column becomes a row", "bar", {column({3, 4})}, {3, 4}, {}, "");
        add("bar string labels", "bar", {row({1, 2}), strings(1, 2, {"a", ""})}, {1, 2}, {"a", ""}, "");
        add("bar number labels", "bar", {row({1, 2}), row({1.5, 1.0 / 3})}, {1, 2}, {"1.5", "0.333333"}, "");
        add("bar column labels", "bar", {row({1, 2}), strings(2, 1, {"a", "b"})}, {1, 2}, {"a", "b"}, "");
        add("bar untyped labels mean none", "bar", {row({1, 2}), empty()}, {1, 2}, {}, "");
        add("bar some non-finite", "bar", {row({NaN, 2})}, {NaN, 2}, {}, "");
        add("pie empty", "pie", {empty()}, {}, {}, "");
        add("pie labels and title", "pie", {column({1, 2}), strings(1, 2, {"x", "y"}), str("p")}, {1, 2}, {"x", "y"}, "p");
    }
    void barAndPieForms()
    {
        QFETCH(QString, name);
        QFETCH(Args, args);
        QFETCH(Doubles, data);
        QFETCH(QStringList, labels);
        QFETCH(QString, title);
        QFETCH(double, baseline);
        QVERIFY(call(name, args));
        QCOMPARE(RunState::instance().graphList.size(), 1);
        Graph *graph = RunState::instance().graphList.first();
        QCOMPARE(graph->title(), title);
        QCOMPARE(graph->dataCount(), int(data.size()));
        if (auto *bar = dynamic_cast<BarGraph *>(graph)) {
            QVERIFY(sameDoubles(bar->data(), data));
            QCOMPARE(bar->labels(), labels);
            QCOMPARE(bar->baseline(), baseline);
            QVERIFY(bar->gridOn());
        } else {
            auto *pie = dynamic_cast<PieGraph *>(graph);
            QVERIFY(pie);
            QVERIFY(sameDoubles(pie->data(), data));
            QCOMPARE(pie->labels(), labels);
            QVERIFY(!pie->gridOn());
        }
    }

    void grid_data()
    {
        QTest::addColumn<Args>("args");
        QTest::addColumn<bool>("initially");
        QTest::addColumn<bool>("on");
        QTest::newRow("no argument") << Args{} << false << true;
        QTest::newRow("negative zero") << Args{num(-0.0)} << true << false;
        QTest::newRow("non-zero") << Args{num(-3)} << false << true;
        QTest::newRow("false") << Args{boolean(false)} << true << false;
        QTest::newRow("true") << Args{boolean(true)} << false << true;
        QTest::newRow("off") << Args{str("off")} << true << false;
    }
    void grid()
    {
        QFETCH(Args, args);
        QFETCH(bool, initially);
        QFETCH(bool, on);
        makeGraph("bar");
        Graph *graph = Graph::activeGraph();
        graph->setGridOn(initially);
        QVERIFY(call("grid", args));
        QCOMPARE(graph->gridOn(), on);
        QCOMPARE(RunState::instance().updateGraphList, QList<Graph *>{graph});
    }

    void changingCommands_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Args>("args");
        QTest::newRow("ylabel on a bar") << "bar" << "ylabel" << Args{str("Y")};
        QTest::newRow("labels on a pie") << "pie" << "labels" << Args{strings(1, 3, {"a", "b", "c"})};
        QTest::newRow("labels removed") << "bar" << "labels" << Args{empty()};
    }
    void changingCommands()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(Args, args);
        makeGraph(kind);
        Graph *graph = Graph::activeGraph();
        Variable result;
        QVERIFY(call(name, args, &result));
        QVERIFY(result.getBoolean());
        QVERIFY(RunState::instance().graphList.isEmpty());
        QCOMPARE(RunState::instance().updateGraphList, QList<Graph *>{graph});
        if (name == "ylabel") {
            QCOMPARE(graph->yLabel(), QString("Y"));
            return;
        }
        const QStringList expected = args[0].getVector().isEmpty() ? QStringList() : QStringList{"a", "b", "c"};
        const QStringList actual = kind == "pie" ? static_cast<PieGraph *>(graph)->labels() : static_cast<BarGraph *>(graph)->labels();
        QCOMPARE(actual, expected);
    }

    void changedGraphIsHandedOverOnce()
    {
        makeGraph("plot");
        Graph *graph = Graph::activeGraph();
        QVERIFY(call("title", {str("a")}));
        QVERIFY(call("grid", {}));
        QCOMPARE(RunState::instance().updateGraphList, QList<Graph *>{graph});
    }

    void activeGraphFallsBackWhenTheNewestIsClosed()
    {
        QVERIFY(call("plot", {row({1, 2})}));
        QVERIFY(call("pie", {row({1, 2})}));
        QCOMPARE(RunState::instance().graphList.size(), 2);
        Graph *older = RunState::instance().graphList[0];
        Graph *newer = RunState::instance().graphList[1];
        QCOMPARE(Graph::activeGraph(), newer);
        // The pie has no x label; the plot before it has one.
        QVERIFY(!call("xlabel", {str("x")}));
        delete newer;
        QVERIFY(call("title", {str("older")}));
        QCOMPARE(older->title(), QString("older"));
        QVERIFY(call("xlabel", {str("x")}));
        delete older;
        QCOMPARE(Graph::activeGraph(), nullptr);
        QVERIFY(!call("title", {str("t")}));
        QCOMPARE(onlyError().code, quint32(ERR_NO_ACTIVE_GRAPH));
    }
};

QTEST_GUILESS_MAIN(TestGraphFunctions)
#include "test_graph_functions.moc"
