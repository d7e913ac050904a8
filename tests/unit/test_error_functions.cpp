#include "library/native_definition.h"
#include "values/error_codes.h"
#include "values/output_list.h"

#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(Variable)
using Arguments = QList<Variable>;

namespace {

NativeRoutine routineNamed(const char *name)
{
    for (const NativeDefinition &d : errorNatives())
        if (qstrcmp(d.name, name) == 0)
            return d.routine;
    return nullptr;
}

// A context with the engine's initial states and a call of one native.
struct Call {
    ExecutionContext context;
    List stack;

    Call()
    {
        for (quint32 code : {ERR_RESULT_IS_INF, ERR_RESULT_IS_NAN, ERR_DIVIDE_BY_ZERO, ERR_USER_WARNING})
            context.setState(code, WARNING_STATE);
    }
    bool operator()(const char *name, const Arguments &arguments)
    {
        OutputList::instance().clear();
        stack.clear();
        for (const Variable &v : arguments)
            stack.push(v);
        NativeFrame frame{stack, context};
        frame.argc = unsigned(arguments.size());
        context.setCalleeName(name);
        NativeRoutine routine = routineNamed(name);
        return routine && routine(frame);
    }
    // The only report of the call.
    const ErrorReport *report() const
    {
        const OutputList &out = OutputList::instance();
        return out.count() == 1 ? &out.at(0).report : nullptr;
    }
};

Variable num(double x) { return Variable(x); }
Variable text(const char *s) { return Variable(String(s)); }

} // namespace

class TestErrorFunctions : public QObject {
    Q_OBJECT
private slots:
    // states.l sets every state through the language and divides by zero
    // under each, commands_syntax.l and states.l run warning and assert;
    // these are the edges they do not reach. "condition" is the code whose
    // state the call sets, "code" the one report (0: none) with its detail
    // ("?": not checked) and state.
    void calls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Arguments>("arguments");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<quint32>("condition");
        QTest::addColumn<int>("conditionState");
        QTest::addColumn<quint32>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");
        const quint32 nan = ERR_RESULT_IS_NAN, inf = ERR_RESULT_IS_INF, count = ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION;
        const double NaN = std::numeric_limits<double>::quiet_NaN();
        auto row = [](const char *tag, const char *name, const Arguments &arguments, bool ok, quint32 condition,
                      int conditionState, quint32 code, const char *text, int state) {
            QTest::newRow(tag) << name << arguments << ok << condition << conditionState << code << text << state;
        };
        row("2 fails", "set_res_is_nan_state", {num(2)}, true, nan, 3, 0, "", 0);
        row("toward zero", "set_res_is_inf_state", {num(-0.5)}, true, inf, 1, 0, "", 0);
        row("NaN is unknown", "set_res_is_inf_state", {num(NaN)}, false, inf, 2, ERR_UNKNOWN_ERROR_STATE, "?", 3);
        row("warning of two", "warning", {text("a"), text("b")}, false, 0, 0, count, "warning", 3);
        row("assert 2 with text", "assert", {Variable(2.0), text("m")}, true, 0, 0, 0, "", 0);
        row("assert empty string", "assert", {text("")}, false, 0, 0, ERR_ASSERTION_FAILED, "", 3);
        row("assert undefined", "assert", {Variable()}, false, 0, 0, ERR_UNDEFINED_VARIABLE, "", 3);
        row("assert message type first", "assert", {Variable(), num(5)}, false, 0, 0, ERR_BAD_ARGUMENT, "assert", 3);
        row("assert nothing", "assert", {}, false, 0, 0, count, "assert", 3);
    }
    void calls()
    {
        QFETCH(QString, name);
        QFETCH(Arguments, arguments);
        QFETCH(bool, ok);
        QFETCH(quint32, condition);
        QFETCH(int, conditionState);
        QFETCH(quint32, code);
        QFETCH(QString, text);
        QFETCH(int, state);
        Call call;
        QCOMPARE(call(qPrintable(name), arguments), ok);
        // The numeric conditions other than the one set keep their states.
        for (quint32 c : {ERR_DIVIDE_BY_ZERO, ERR_RESULT_IS_NAN, ERR_RESULT_IS_INF})
            QCOMPARE(call.context.stateOf(c), c == condition ? conditionState : int(WARNING_STATE));
        if (code == 0) {
            QCOMPARE(OutputList::instance().count(), 0);
        } else {
            QVERIFY(call.report());
            QCOMPARE(call.report()->code, code);
            if (text != "?")
                QCOMPARE(call.report()->name, text);
            QCOMPARE(call.report()->state, state);
        }
        if (ok) {
            QCOMPARE(call.stack.size(), 1);
            QCOMPARE(call.stack.top().type(), BOOLEAN_TYPE);
            QVERIFY(call.stack.top().getBoolean());
        }
    }
};

QTEST_APPLESS_MAIN(TestErrorFunctions)
#include "test_error_functions.moc"
