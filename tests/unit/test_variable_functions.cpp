#include "library/native_definition.h"
#include "native_test_support.h"
#include "values/output_list.h"

#include <QtTest>


Q_DECLARE_METATYPE(Variable)

namespace {

Variable array(VariableType type, uint32_t rows, uint32_t columns)
{
    return NativeTest::array<double>(type, rows, columns);
}

Variable undefinedValue()
{
    Variable v;
    v.setUndefined();
    return v;
}

// Runs a native on `args`; returns its boolean answer, or -1 after a failure.
int answer(const QString &name, const QList<Variable> &args)
{
    const NativeTest::Outcome out = NativeTest::call(variableNatives(), name, args);
    if (!out.ok)
        return -1;
    if (out.stackSize != 1 || out.top.type() != BOOLEAN_TYPE || !OutputList::instance().isEmpty())
        qFatal("%s left a bad result", qPrintable(name));
    return out.top.getBoolean() ? 1 : 0;
}

const char *const kPredicates[] = {
    "is_line", "is_row", "is_column", "is_vector", "is_scalar", "is_empty", "is_double", "is_string", "is_bool",
};

} // namespace

class TestVariableFunctions : public QObject {
    Q_OBJECT
private slots:
    // One row per value: the answers of the predicates in kPredicates order.
    // variable_kinds.l asks about every value a script can spell, and the
    // file tests; these two have no spelling in a script.
    void predicates_data()
    {
        QTest::addColumn<Variable>("value");
        QTest::addColumn<QString>("answers");
        QTest::newRow("undefined") << undefinedValue() << "000000000";
        QTest::newRow("integer array") << array(INTEGER_TYPE, 2, 3) << "000100000";
    }
    void predicates()
    {
        QFETCH(Variable, value);
        QFETCH(QString, answers);
        for (int i = 0; i < answers.size(); ++i) {
            const QString name = QLatin1String(kPredicates[i]);
            QCOMPARE(QString::number(answer(name, {value})) + QLatin1Char(' ') + name,
                     answers.mid(i, 1) + QLatin1Char(' ') + name);
        }
    }
};

QTEST_APPLESS_MAIN(TestVariableFunctions)
#include "test_variable_functions.moc"
