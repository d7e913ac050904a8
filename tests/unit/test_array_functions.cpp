#include "library/native_definition.h"
#include "native_test_support.h"
#include "value_text.h"
#include "values/error_codes.h"

#include <QtTest>

using value_text::parse;
using value_text::show;

namespace {

QList<Variable> arguments(const QStringList &texts)
{
    QList<Variable> args;
    for (const QString &t : texts)
        args << parse(t);
    return args;
}

} // namespace

// Arguments and expected values are written in value_text notation; the
// expected numbers are worked out by hand (or are textbook results), not
// taken from the implementation. arrays_build.l covers the constructors,
// size, reshape and diag through the language with their messages.
class TestArrayFunctions : public QObject {
    Q_OBJECT
private slots:
    // A row gives the result, a failure the one error code reported.
    void calls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<uint>("code");
        auto row = [](const char *name, QStringList args, const char *expected) {
            QTest::addRow("%s(%s)", name, qPrintable(args.join(", "))) << QString(name) << args << QString(expected) << 0u;
        };
        auto fail = [](const char *name, QStringList args, quint32 code) {
            QTest::addRow("%s(%s)", name, qPrintable(args.join(", "))) << QString(name) << args << QString() << uint(code);
        };
        // Counts and dimensions are floored.
        row("zeros", {"2.9"}, "[0 0]");
        row("size", {"[1 2 3; 4 5 6]", "1.5"}, "3");
        row("size", {"['a' 'b']"}, "[1 2]");
        row("reshape", {"[1 2; 3 4; 5 6]", "1", "6"}, "[1 2 3 4 5 6]");
        row("reshape", {"[true false]", "2.5", "1"}, "[true; false]");
        row("reshape", {"[]", "0", "0"}, "[]");
        row("diag", {"[1 2; 3 4; 5 6]"}, "[1 4]");
        row("diag", {"[7; 8]"}, "[7]");
        row("diag", {"[true false; false false]"}, "[true false]");
        // dot takes any two arrays of one count, read in element order.
        row("dot", {"[1; 2; 3; 4]", "[1 0; 0 1]"}, "5");
        // Number parts: lpart rounds to n places, rpart is what is left.
        row("lpart", {"2.5", "0"}, "3");
        row("lpart", {"-2.5", "0"}, "-3");
        row("rpart", {"-2.5", "0"}, "0.5");
        row("lpart", {"2.7", "0.9"}, "3");
        row("lpart", {"1234.5", "-2"}, "1200");
        row("rpart", {"1250", "-2"}, "-50");
        row("lpart", {"1e300", "5"}, "1e300");
        row("rpart", {"1e300", "5"}, "0");
        row("lpart", {"1e-300", "300"}, "1e-300");
        row("lpart", {"[1.25 -1.25; 0.04 10]", "1"}, "[1.3 -1.3; 0 10]");
        row("rpart", {"[0.75 8]", "0"}, "[-0.25 0]");
        row("lpart", {"[]", "3"}, "[]");
        row("part", {"-7.25", "1"}, "[-7.3 0.05]");
        row("part", {"5", "-1"}, "[10 -5]");
        // Failures.
        const quint32 count = ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION;
        fail("zeros", {"0.5"}, ERR_BAD_ZEROS_ARG);
        fail("zeros", {"-0.5", "1"}, ERR_BAD_ZEROS_ARG);
        fail("zeros", {"[2]", "3"}, ERR_BAD_ZEROS_ARG);
        fail("zeros", {"[true true]"}, ERR_BAD_ZEROS_ARG);
        fail("eye", {"2", "'x'"}, ERR_BAD_EYE_ARG);
        fail("size", {}, count);
        fail("size", {"'ab'"}, ERR_BAD_SIZE_ARG);
        fail("size", {"[1 2]", "'a'"}, ERR_BAD_SIZE_ARG);
        fail("size", {"[1 2]", "1", "1"}, count);
        fail("reshape", {"[1 2 3 4 5 6]", "-2", "-3"}, ERR_BAD_RESHAPE_ARG);
        fail("reshape", {"[1 2 3 4 5 6]", "[2 3 1]"}, ERR_BAD_RESHAPE_ARG);
        fail("reshape", {"[1 2 3 4 5 6]", "2", "'3'"}, ERR_BAD_RESHAPE_ARG);
        fail("reshape", {"[]", "1", "1"}, ERR_BAD_RESHAPE_ARG);
        fail("diag", {"i[1 2; 3 4]"}, ERR_BAD_DIAG_ARG);
        fail("diag", {"[1 2]", "1"}, count);
        fail("dot", {"1", "2"}, ERR_BAD_DOT_ARG);
        fail("dot", {"['a' 'b']", "[1 2]"}, ERR_BAD_DOT_ARG);
        fail("dot", {"[1 2]", "[true false]"}, ERR_BAD_DOT_ARG);
        fail("dot", {"[]", "[]"}, ERR_BAD_DOT_ARG);
        fail("cross", {"[1 2 3]"}, count);
        fail("cross", {"[1 2 3]", "['a' 'b' 'c']"}, ERR_BAD_CROSS_ARG);
        fail("cross", {"1", "2"}, ERR_BAD_CROSS_ARG);
        fail("lpart", {"1"}, count);
        fail("lpart", {"'1'", "2"}, ERR_BAD_LPART_ARG);
        fail("lpart", {"1", "400"}, ERR_BAD_LPART_ARG);
        fail("lpart", {"1", "[1 2]"}, ERR_BAD_LPART_ARG);
        fail("part", {}, count);
        fail("part", {"1", "true"}, ERR_BAD_PART_ARG);
        fail("part", {"1", "-400"}, ERR_BAD_PART_ARG);
    }
    void calls()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        QFETCH(uint, code);
        const NativeTest::Outcome out = NativeTest::call(arrayNatives(), name, arguments(args));
        if (code) {
            QVERIFY(!out.ok);
            QCOMPARE(NativeTest::onlyError().code, quint32(code));
            return;
        }
        QVERIFY2(out.ok, qPrintable(QString::number(NativeTest::onlyError().code, 16)));
        QCOMPARE(out.stackSize, 1);
        QVERIFY(OutputList::instance().isEmpty());
        QVERIFY2(value_text::near(out.top, parse(expected), 1e-9), qPrintable(show(out.top)));
    }

    // reshape only relabels the shape: the result reads the argument's
    // element block, and a later write to either copy leaves the other alone.
    void reshapeSharesStorage()
    {
        const Variable source = parse("[1 2 3 4 5 6]");
        const NativeTest::Outcome out = NativeTest::call(arrayNatives(), "reshape", {source, parse("3"), parse("2")});
        QVERIFY(out.ok);
        QCOMPARE(out.top.getVector().doubles(), source.getVector().doubles());
        Variable changed = out.top;
        QVERIFY(changed.vectorRef().set(0, 9.0));
        QCOMPARE(show(source), QStringLiteral("[1 2 3 4 5 6]"));
        QCOMPARE(show(changed), QStringLiteral("[9 2; 3 4; 5 6]"));
    }
};

QTEST_APPLESS_MAIN(TestArrayFunctions)
#include "test_array_functions.moc"
