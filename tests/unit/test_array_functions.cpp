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
    void results_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, QStringList args, const char *expected) {
            QTest::addRow("%s(%s)", name, qPrintable(args.join(", "))) << QString(name) << args << QString(expected);
        };
        // Constructors: one count is a row (eye: a square), a pair is (rows, columns).
        row("zeros", {"[2; 3]"}, "[0 0 0; 0 0 0]");
        row("zeros", {"2.9"}, "[0 0]");
        row("ones", {"2"}, "[1 1]");
        row("ones", {"2", "1"}, "[1; 1]");
        row("eye", {"[3 2]"}, "[1 0; 0 1; 0 0]");
        row("eye", {"1"}, "[1]");
        row("mtrue", {"[2 1]"}, "[true; true]");
        row("mfalse", {"1", "2"}, "[false false]");
        // Shape.
        row("size", {"[1 2 3; 4 5 6]", "1.5"}, "3");
        row("size", {"['a' 'b']"}, "[1 2]");
        row("reshape", {"[1 2; 3 4; 5 6]", "1", "6"}, "[1 2 3 4 5 6]");
        row("reshape", {"[true false]", "2.5", "1"}, "[true; false]");
        row("reshape", {"['a' 'b' 'c' 'd']", "[2; 2]"}, "['a' 'b'; 'c' 'd']");
        row("reshape", {"[]", "0", "0"}, "[]");
        row("diag", {"[1 2; 3 4; 5 6]"}, "[1 4]");
        row("diag", {"[7; 8]"}, "[7]");
        row("diag", {"[true false; false false]"}, "[true false]");
        // Products.
        row("dot", {"[1; 2]", "[3; 4]"}, "11");
        row("dot", {"[1; 2; 3; 4]", "[1 0; 0 1]"}, "5");
        row("dot", {"[0.5]", "[4]"}, "2");
        row("cross", {"[0 1 0]", "[1 0 0]"}, "[0 0 -1]");
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
    }
    void results()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        const NativeTest::Outcome out = NativeTest::call(arrayNatives(), name, arguments(args));
        QVERIFY2(out.ok, qPrintable(QString::number(NativeTest::onlyError().code, 16)));
        QCOMPARE(out.stackSize, 1);
        QVERIFY(OutputList::instance().isEmpty());
        QVERIFY2(value_text::near(out.top, parse(expected), 1e-9), qPrintable(show(out.top)));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<uint>("code");
        auto row = [](const char *name, QStringList args, quint32 code) {
            QTest::addRow("%s(%s)", name, qPrintable(args.join(", "))) << QString(name) << args << uint(code);
        };
        const quint32 count = ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION;
        row("zeros", {"0.5"}, ERR_BAD_ZEROS_ARG);
        row("zeros", {"-3"}, ERR_BAD_ZEROS_ARG);
        row("zeros", {"2", "0"}, ERR_BAD_ZEROS_ARG);
        row("zeros", {"-0.5", "1"}, ERR_BAD_ZEROS_ARG);
        row("zeros", {"'3'"}, ERR_BAD_ZEROS_ARG);
        row("zeros", {"[2 0]"}, ERR_BAD_ZEROS_ARG);
        row("zeros", {"[2]", "3"}, ERR_BAD_ZEROS_ARG);
        row("zeros", {"[true true]"}, ERR_BAD_ZEROS_ARG);
        row("ones", {"true"}, ERR_BAD_ONES_ARG);
        row("eye", {"2", "'x'"}, ERR_BAD_EYE_ARG);
        row("mfalse", {"-1"}, ERR_BAD_MFALSE_ARG);
        row("size", {}, count);
        row("size", {"'ab'"}, ERR_BAD_SIZE_ARG);
        row("size", {"[1 2]", "-1"}, ERR_BAD_SIZE_ARG);
        row("size", {"[1 2]", "'a'"}, ERR_BAD_SIZE_ARG);
        row("size", {"[1 2]", "1", "1"}, count);
        row("reshape", {"[1 2 3 4 5 6]", "-2", "-3"}, ERR_BAD_RESHAPE_ARG);
        row("reshape", {"[1 2 3 4 5 6]", "[2 3 1]"}, ERR_BAD_RESHAPE_ARG);
        row("reshape", {"[1 2 3 4 5 6]", "2", "'3'"}, ERR_BAD_RESHAPE_ARG);
        row("reshape", {"[]", "1", "1"}, ERR_BAD_RESHAPE_ARG);
        row("diag", {"i[1 2; 3 4]"}, ERR_BAD_DIAG_ARG);
        row("diag", {"[1 2]", "1"}, count);
        row("dot", {"1", "2"}, ERR_BAD_DOT_ARG);
        row("dot", {"[1 2; 3 4]", "[1 2 3 4]"}, ERR_BAD_DOT_ARG);
        row("dot", {"['a' 'b']", "[1 2]"}, ERR_BAD_DOT_ARG);
        row("dot", {"[1 2]", "[true false]"}, ERR_BAD_DOT_ARG);
        row("dot", {"[]", "[]"}, ERR_BAD_DOT_ARG);
        row("dot", {"[1 2 3 4]", "[1 2; 3 4]"}, ERR_EXPECT_ROW_VECTOR);
        row("dot", {"[1; 2]", "[1; 2; 3]"}, ERR_DIFFERENT_MATRIX_SIZE);
        row("cross", {"[1 2 3]"}, count);
        row("cross", {"[1 2 3]", "[1 2 3 4]"}, ERR_BAD_CROSS_ARG);
        row("cross", {"[1 2 3]", "['a' 'b' 'c']"}, ERR_BAD_CROSS_ARG);
        row("cross", {"1", "2"}, ERR_BAD_CROSS_ARG);
        row("lpart", {"1"}, count);
        row("lpart", {"'1'", "2"}, ERR_BAD_LPART_ARG);
        row("lpart", {"1", "400"}, ERR_BAD_LPART_ARG);
        row("lpart", {"1", "[1 2]"}, ERR_BAD_LPART_ARG);
        row("rpart", {"['a']", "1"}, ERR_BAD_RPART_ARG);
        row("part", {}, count);
        row("part", {"1", "2", "3"}, count);
        row("part", {"1", "true"}, ERR_BAD_PART_ARG);
        row("part", {"1", "-400"}, ERR_BAD_PART_ARG);
    }
    void failures()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, args);
        QFETCH(uint, code);
        const NativeTest::Outcome out = NativeTest::call(arrayNatives(), name, arguments(args));
        QVERIFY(!out.ok);
        QCOMPARE(NativeTest::onlyError().code, quint32(code));
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
