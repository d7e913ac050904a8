#include "library/native_definition.h"
#include "library/random_generator.h"
#include "native_test_support.h"
#include "value_text.h"
#include "values/error_codes.h"
#include "values/output_list.h"

#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(QList<Variable>)

namespace {

using value_text::parse;
using value_text::show;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

NativeRoutine find(const QString &name)
{
    for (auto family : {elementaryMathNatives, reductionNatives, filledArrayNatives})
        for (const NativeDefinition &d : family())
            if (name == QLatin1String(d.name))
                return d.routine;
    qFatal("no native %s", qPrintable(name));
}

NativeTest::Outcome call(const QString &name, const QList<Variable> &args)
{
    return NativeTest::call(find(name), name, args);
}

QList<Variable> values(std::initializer_list<const char *> texts)
{
    QList<Variable> out;
    for (const char *t : texts)
        out << parse(QString::fromLatin1(t));
    return out;
}

// A row tagged "name(args)" with its name and argument columns filled in.
QTestData &callRow(const char *name, std::initializer_list<const char *> args)
{
    QStringList shown;
    for (const char *a : args)
        shown << a;
    return QTest::addRow("%s(%s)", name, qPrintable(shown.join(", "))) << QString::fromLatin1(name) << values(args);
}

bool close(double actual, double expected)
{
    if (std::isnan(expected))
        return std::isnan(actual);
    // Whole numbers must come out exactly: users see 3.0000000000000004.
    if (std::isinf(expected) || expected == std::round(expected))
        return actual == expected;
    return std::fabs(actual - expected) <= 4e-16 * std::fabs(expected);
}

// Every native that maps one double to one value element by element.
const char *const kElementMaps[] = {
    "sin", "cos", "tan", "cot", "sec", "csc", "asin", "acos", "atan", "acot", "asec", "acsc",
    "sinh", "cosh", "tanh", "coth", "sech", "csch", "asinh", "acosh", "atanh", "acoth", "asech", "acsch",
    "sqrt", "cbrt", "abs", "exp", "pow2", "pow10", "log", "log2", "log10", "d2r", "r2d", "sign",
    "fact", "ceil", "fix", "floor", "round", "is_inf", "is_nan", "is_odd", "is_even",
};

} // namespace

class TestElementaryFunctions : public QObject {
    Q_OBJECT
private slots:
    // The published check values of the psdes hash.
    void psdesCheckValues_data()
    {
        QTest::addColumn<uint>("left");
        QTest::addColumn<uint>("right");
        QTest::addColumn<uint>("leftOut");
        QTest::addColumn<uint>("rightOut");
        QTest::newRow("1 1") << 1u << 1u << 0x604D1DCEu << 0x509C0C23u;
        QTest::newRow("1 99") << 1u << 99u << 0xD97F8571u << 0xA66CB41Au;
        QTest::newRow("99 1") << 99u << 1u << 0x7822309Du << 0x64300984u;
        QTest::newRow("99 99") << 99u << 99u << 0xD7F376F0u << 0x59BA89EBu;
    }
    void psdesCheckValues()
    {
        QFETCH(uint, left);
        QFETCH(uint, right);
        QFETCH(uint, leftOut);
        QFETCH(uint, rightOut);
        const RandomGenerator::Words w = RandomGenerator::hash({left, right});
        QCOMPARE(w.left, leftOut);
        QCOMPARE(w.right, rightOut);
    }

    // Each domain boundary from both sides, with values from the C library
    // or an independent formula.
    void domains_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        QTest::addColumn<uint>("code"); // 0: accepted
        auto ok = [](const char *name, double x, double expected) {
            QTest::addRow("%s(%g)", name, x) << QString::fromLatin1(name) << x << expected << 0u;
        };
        auto bad = [](const char *name, double x, quint32 code) {
            QTest::addRow("%s(%g) rejected", name, x) << QString::fromLatin1(name) << x << 0.0 << uint(code);
        };
        const double halfPi = std::acos(0.0);
        bad("cot", -0.0, ERR_BAD_COT_ARG);
        ok("cot", 0.5, std::cos(0.5) / std::sin(0.5));
        ok("cot", kNaN, kNaN);
        ok("csc", halfPi, 1);
        bad("asin", -1.0000000000000002, ERR_BAD_ASIN_ARG);
        ok("asin", kNaN, kNaN);
        ok("acos", -1, 2 * halfPi);
        ok("atan", 1, halfPi / 2);
        ok("asec", -1, 2 * halfPi);
        ok("acsc", 1, halfPi);
        ok("sinh", 1, (std::exp(1.0) - std::exp(-1.0)) / 2);
        ok("cosh", 1, (std::exp(1.0) + std::exp(-1.0)) / 2);
        ok("tanh", 30, 1);
        ok("coth", 1, std::cosh(1.0) / std::sinh(1.0));
        ok("sech", 2, 2 / (std::exp(2.0) + std::exp(-2.0)));
        ok("csch", 1, 2 / (std::exp(1.0) - std::exp(-1.0)));
        ok("asinh", 1, std::log(1 + std::sqrt(2.0)));
        ok("acosh", 2, std::log(2 + std::sqrt(3.0)));
        bad("atanh", -1, ERR_BAD_ATANH_ARG);
        bad("acoth", 1, ERR_BAD_ACOTH_ARG);
        ok("acoth", -2, -0.5 * std::log(3.0));
        bad("asech", 1.5, ERR_BAD_ASECH_ARG);
        ok("asech", 0.5, std::log(2 + std::sqrt(3.0)));
        ok("acsch", 1, std::log(1 + std::sqrt(2.0)));
        ok("acsch", -1e-10, -std::log(2e10));
        bad("sqrt", -kInf, ERR_BAD_SQRT_ARG);
        ok("sqrt", -0.0, 0);
        ok("sqrt", 2, 1.4142135623730951);
        ok("cbrt", 1e-300, 1e-100);
        ok("cbrt", 2, 1.2599210498948732);
        ok("exp", 1000, kInf);
        bad("log", -0.0, ERR_BAD_LOG_ARG);
        ok("log", 2.718281828459045, 1);
        bad("log10", 0, ERR_BAD_LOG_ARG);
        ok("sign", -0.0, 0);
        ok("sign", kNaN, 1);
        ok("fact", -0.4, 1);
        ok("fact", kInf, kInf);
        ok("fact", kNaN, kNaN);
        bad("fact", -0.5, ERR_BAD_FACT_ARG);
    }
    void domains()
    {
        QFETCH(QString, name);
        QFETCH(double, x);
        QFETCH(double, expected);
        QFETCH(uint, code);
        const NativeTest::Outcome out = call(name, {Variable(x)});
        if (code) {
            QVERIFY(!out.ok);
            QCOMPARE(NativeTest::onlyError().code, quint32(code));
            QCOMPARE(out.top.getDouble(), x);
            return;
        }
        QVERIFY(out.ok);
        QCOMPARE(OutputList::instance().count(), 0);
        QCOMPARE(out.top.type(), DOUBLE_TYPE);
        QVERIFY2(close(out.top.getDouble(), expected),
                 qPrintable(QString("%1 instead of %2").arg(out.top.getDouble(), 0, 'g', 17).arg(expected, 0, 'g', 17)));
    }

    // Every element map keeps the shape, maps an empty vector to an empty
    // one and takes nothing but doubles, one at a time.
    void elementMapForms_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : kElementMaps)
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void elementMapForms()
    {
        QFETCH(QString, name);
        const bool boolean = name.startsWith("is_");
        // Each domain holds one of these 2 x 3 arrays.
        NativeTest::Outcome out;
        for (const char *x : {"[0.25 0.5 1; 1.5 2 2.5]", "[1 1 1; 1 1 1]", "[0.5 0.5 0.5; 0.5 0.5 0.5]", "[2 2 2; 2 2 2]"}) {
            out = call(name, values({x}));
            if (out.ok)
                break;
        }
        QVERIFY(out.ok);
        const Vector &v = out.top.getVector();
        QCOMPARE(v.rowCount(), 2u);
        QCOMPARE(v.columnCount(), 3u);
        QCOMPARE(v.type(), boolean ? BOOLEAN_TYPE : DOUBLE_TYPE);

        out = call(name, values({"[]"}));
        QVERIFY(out.ok);
        QCOMPARE(show(out.top), QString("[]"));

        for (const char *arg : {"'a'", "true", "undef", "[true false]", "['a' 'b']", "i[1 2]"}) {
            out = call(name, values({arg}));
            QVERIFY2(!out.ok, arg);
            QCOMPARE(NativeTest::onlyError().code, quint32(ERR_TYPE_MISMATCH));
        }
        for (const QList<Variable> &args : {values({}), values({"1", "2"})}) {
            out = call(name, args);
            QVERIFY(!out.ok);
            QCOMPARE(NativeTest::onlyError().code, quint32(ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION));
        }
    }

    // One report per failure; the arguments stay on the stack and rand
    // draws nothing (math_results.l shows the draws after its failures).
    void failures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<Variable>>("args");
        QTest::addColumn<uint>("code");
        auto row = [](const char *name, std::initializer_list<const char *> args, quint32 code) {
            callRow(name, args) << uint(code);
        };
        // math_results.l runs the others; integer arrays and undefined
        // values have no spelling in a script.
        const quint32 type = ERR_TYPE_MISMATCH, unsupported = ERR_OPERATION_NOT_SUPPORTED;
        row("mean", {"undef"}, type);
        row("max", {"i[1 2]"}, ERR_BAD_MAX_ARG);
        row("count", {"undef"}, ERR_UNDEFINED_VARIABLE);
        row("count", {"[1 2]", "undef"}, ERR_UNDEFINED_VARIABLE);
        row("count", {"i[1 2]"}, unsupported);
        row("any", {"i[0 1]"}, unsupported);
        row("all", {"undef"}, ERR_UNDEFINED_VARIABLE);
        row("find", {"i[0 1]"}, unsupported);
        row("length", {"undef"}, type);
        row("rand", {"[1 2]", "2"}, ERR_BAD_RAND_ARG);
    }
    void failures()
    {
        QFETCH(QString, name);
        QFETCH(QList<Variable>, args);
        QFETCH(uint, code);
        RandomGenerator::instance().setCounter(7);
        const NativeTest::Outcome out = call(name, args);
        QVERIFY(!out.ok);
        QCOMPARE(NativeTest::onlyError().code, quint32(code));
        QCOMPARE(RandomGenerator::instance().counter(), 7u);
        QCOMPARE(out.stackSize, int(args.size()));
        if (!args.isEmpty())
            QCOMPARE(show(out.top), show(args.last()));
    }
};

QTEST_APPLESS_MAIN(TestElementaryFunctions)
#include "test_elementary_functions.moc"
