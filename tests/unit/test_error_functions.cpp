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
    // under each; these are the edges it does not reach.
    void setState_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("code");
        QTest::addColumn<Arguments>("arguments");
        QTest::addColumn<int>("state");   // the code's state afterwards
        QTest::addColumn<quint32>("error"); // 0 when the call succeeds
        const quint32 nan = ERR_RESULT_IS_NAN;
        const quint32 inf = ERR_RESULT_IS_INF;
        QTest::newRow("2 fails") << "set_res_is_nan_state" << nan << Arguments{num(2)} << 3 << 0u;
        QTest::newRow("toward zero") << "set_res_is_inf_state" << inf << Arguments{num(-0.5)} << 1 << 0u;
        QTest::newRow("NaN is unknown") << "set_res_is_inf_state" << inf
                                        << Arguments{num(std::numeric_limits<double>::quiet_NaN())} << 2
                                        << quint32(ERR_UNKNOWN_ERROR_STATE);
    }
    void setState()
    {
        QFETCH(QString, name);
        QFETCH(quint32, code);
        QFETCH(Arguments, arguments);
        QFETCH(int, state);
        QFETCH(quint32, error);
        Call call;
        const bool ok = call(qPrintable(name), arguments);
        QCOMPARE(ok, error == 0);
        QCOMPARE(call.context.stateOf(code), state);
        if (ok) {
            QCOMPARE(OutputList::instance().count(), 0);
            QCOMPARE(call.stack.size(), 1);
            QCOMPARE(call.stack.top().type(), BOOLEAN_TYPE);
            QVERIFY(call.stack.top().getBoolean());
            // The other two conditions keep their states.
            for (quint32 other : {ERR_DIVIDE_BY_ZERO, ERR_RESULT_IS_NAN, ERR_RESULT_IS_INF})
                if (other != code)
                    QCOMPARE(call.context.stateOf(other), int(WARNING_STATE));
            return;
        }
        QVERIFY(call.report());
        QCOMPARE(call.report()->code, error);
    }

    void messages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Arguments>("arguments");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<quint32>("code"); // 0: no report
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");
        QTest::newRow("warning of two") << "warning" << Arguments{text("a"), text("b")} << false
                                        << quint32(ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION) << "warning" << 3;
        QTest::newRow("assert 2 with text") << "assert" << Arguments{Variable(2.0), text("m")} << true << 0u << "" << 0;
        QTest::newRow("assert empty string") << "assert" << Arguments{text("")} << false << quint32(ERR_ASSERTION_FAILED)
                                             << "" << 3;
        QTest::newRow("assert undefined") << "assert" << Arguments{Variable()} << false << quint32(ERR_UNDEFINED_VARIABLE)
                                          << "" << 3;
        QTest::newRow("assert message type first") << "assert" << Arguments{Variable(), num(5)} << false
                                                   << quint32(ERR_BAD_ARGUMENT) << "assert" << 3;
        QTest::newRow("assert nothing") << "assert" << Arguments{} << false
                                        << quint32(ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION) << "assert" << 3;
    }
    void messages()
    {
        QFETCH(QString, name);
        QFETCH(Arguments, arguments);
        QFETCH(bool, ok);
        QFETCH(quint32, code);
        QFETCH(QString, text);
        QFETCH(int, state);
        Call call;
        QCOMPARE(call(qPrintable(name), arguments), ok);
        if (code == 0) {
            QCOMPARE(OutputList::instance().count(), 0);
        } else {
            QVERIFY(call.report());
            QCOMPARE(call.report()->code, code);
            QCOMPARE(call.report()->name, text);
            QCOMPARE(call.report()->state, state);
        }
        if (ok) {
            QCOMPARE(call.stack.size(), 1);
            QVERIFY(call.stack.top().getBoolean());
        }
    }
};

QTEST_APPLESS_MAIN(TestErrorFunctions)
#include "test_error_functions.moc"
