#include "library/native_definition.h"
#include "native_test_support.h"
#include "value_text.h"
#include "values/error_codes.h"
#include "values/output_list.h"

#include <QtTest>

#include <cmath>
#include <limits>

using Args = QList<Variable>;
Q_DECLARE_METATYPE(Variable)
Q_DECLARE_METATYPE(Args)

namespace {

using namespace NativeTest;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

Variable strings(uint32_t r, uint32_t c, std::initializer_list<const char *> items) { return array<String>(STRING_TYPE, r, c, items); }
Variable doubles(uint32_t r, uint32_t c, std::initializer_list<double> items) { return array<double>(DOUBLE_TYPE, r, c, items); }
Variable booleans(uint32_t r, uint32_t c, std::initializer_list<bool> items) { return array<bool>(BOOLEAN_TYPE, r, c, items); }

Outcome call(const QString &name, const Args &args)
{
    return NativeTest::call(stringNatives(), name, args);
}

} // namespace

class TestConvertFunctions : public QObject {
    Q_OBJECT
private slots:
    void succeeds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Args>("args");
        QTest::addColumn<Variable>("expected");
        auto row = [](const char *tag, const char *name, Args args, Variable expected) {
            QTest::newRow(tag) << QString::fromLatin1(name) << args << expected;
        };
        // Number bases.
        row("bin2dec 1010", "bin2dec", {str("1010")}, num(10));
        row("bin2dec empty", "bin2dec", {str("")}, num(0));
        row("hex2dec largest", "hex2dec", {str("ffffffffffffffff")}, num(18446744073709551615.0));
        row("leading zeros do not count", "hex2dec", {str("00000000000000000000001")}, num(1));
        row("dec2hex 255", "dec2hex", {num(255)}, str("ff"));
        row("dec2bin 0", "dec2bin", {num(0)}, str(""));
        row("dec2bin drops fraction", "dec2bin", {num(2.9)}, str("10"));
        row("dec2oct small negative truncates to 0", "dec2oct", {num(-0.5)}, str(""));
        row("dec2hex below 2^64", "dec2hex", {num(18446744073709549568.0)}, str("fffffffffffff800"));
        row("hex2bin", "hex2bin", {str("A5")}, str("10100101"));
        row("oct2hex", "oct2hex", {str("777")}, str("1ff"));
        row("bin2hex zero", "bin2hex", {str("0000")}, str(""));
        row("bin2oct array", "bin2oct", {strings(1, 2, {"111", "1000"})}, strings(1, 2, {"7", "10"}));
        row("dec2hex column", "dec2hex", {doubles(2, 1, {10, 16})}, strings(2, 1, {"a", "10"}));
        row("bin2dec empty array", "bin2dec", {Variable(Vector())}, Variable(Vector(DOUBLE_TYPE)));

        // Substrings.
        row("left beyond length", "left", {str("hello"), num(10)}, str("hello"));
        row("left negative", "left", {str("hello"), num(-1)}, str(""));
        row("right", "right", {str("hello"), num(3)}, str("llo"));
        row("right negative", "right", {str("hello"), num(-3)}, str(""));
        row("left array", "left", {strings(2, 1, {"abc", "d"}), num(2)}, strings(2, 1, {"ab", "d"}));

        // Searches.
        row("strpos", "strpos", {str("banana"), str("an")}, num(1));
        row("strpos from", "strpos", {str("banana"), str("an"), num(2)}, num(3));
        row("strpos none after from", "strpos", {str("banana"), str("an"), num(4)}, num(-1));
        row("strpos case-sensitive", "strpos", {str("Banana"), str("b")}, num(-1));
        row("strpos empty at end", "strpos", {str("abc"), str(""), num(3)}, num(3));
        row("strpos from past end", "strpos", {str("abc"), str(""), num(4)}, num(-1));
        row("strpos array", "strpos", {strings(1, 3, {"ab", "ba", "c"}), str("a")}, doubles(1, 3, {0, 1, -1}));
        row("strcont case-sensitive", "strcont", {str("hello"), str("Ell")}, boolean(false));
        row("strcont array", "strcont", {strings(2, 1, {"xy", "z"}), str("y")}, booleans(2, 1, {true, false}));

        // White space and case.
        row("trimmed", "trimmed", {str(" \t a b \r\n\v\f")}, str("a b"));
        row("trimmed keeps no-break space", "trimmed", {str("\xA0x ")}, str("\xA0x"));
        row("toupper", "toupper", {str("abc-Z1")}, str("ABC-Z1"));
        row("toupper latin-1", "toupper", {str("\xE9\xF6")}, str("\xC9\xD6"));
        row("toupper no single-byte capital", "toupper", {str("\xDF\xFF\xB5")}, str("\xDF\xFF\xB5"));
        row("tolower", "tolower", {str("AbC\xC9")}, str("abc\xE9"));

        // Conversions.
        row("bool2num true", "bool2num", {boolean(true)}, num(1));
        row("num2bool zero", "num2bool", {num(0)}, boolean(false));
        row("num2bool nan", "num2bool", {num(kNaN)}, boolean(true));
        row("num2bool array", "num2bool", {doubles(2, 1, {3, 0})}, booleans(2, 1, {true, false}));
        row("bool2str", "bool2str", {boolean(false)}, str("false"));
        row("str2bool true", "str2bool", {str("true")}, boolean(true));
        row("str2bool case and blanks", "str2bool", {str(" FALSE ")}, boolean(false));
        row("str2bool array", "str2bool", {strings(1, 2, {"no", "on"})}, booleans(1, 2, {false, true}));
        row("num2str sum noise hidden", "num2str", {num(0.1 + 0.2)}, str("0.3"));
        row("num2str third", "num2str", {num(1.0 / 3)}, str("0.333333333333333"));
        row("num2str minus zero", "num2str", {num(-0.0)}, str("0"));
        row("num2str inf", "num2str", {num(-kInf)}, str("-inf"));
        row("num2str nan", "num2str", {num(-kNaN)}, str("nan"));
        row("num2str largest double", "num2str", {num(1.7976931348623157e308)}, str("1.7976931348623157e+308"));
        row("str2num exponent and blanks", "str2num", {str(" -2e3 ")}, num(-2000));
        row("str2num inf", "str2num", {str("inf")}, num(kInf));
        row("str2num plus", "str2num", {str("+.5e1")}, num(5));
        row("str2num largest double", "str2num", {str("1.7976931348623157e+308")}, num(1.7976931348623157e308));
        row("str2num overflow", "str2num", {str("-1e400")}, num(-kInf));
        row("str2num underflow", "str2num", {str("1e-400")}, num(0));
    }
    void succeeds()
    {
        QFETCH(QString, name);
        QFETCH(Args, args);
        QFETCH(Variable, expected);
        const Outcome out = call(name, args);
        QVERIFY(out.ok);
        QCOMPARE(OutputList::instance().count(), 0);
        QCOMPARE(out.stackSize, 1);
        QCOMPARE(value_text::show(out.top), value_text::show(expected));
    }

    // Every failure reports one error and leaves the arguments untouched.
    void fails_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Args>("args");
        QTest::addColumn<uint>("code");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<uint>("third");
        auto row = [](const char *tag, const char *name, Args args, quint32 code, int first, int second, quint32 third) {
            QTest::newRow(tag) << QString::fromLatin1(name) << args << uint(code) << first << second << uint(third);
        };
        const quint32 cant = ERR_CANT_CONVERT_VALUE, big = ERR_VALUE_TOO_BIG, bad = ERR_BAD_ARGUMENT,
                      count = ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION;
        const quint32 toBin = 6, toOct = 7, toDec = 8, toHex = 9;
        row("bin2dec 102", "bin2dec", {str("102")}, cant, -1, -1, toDec);
        row("hex prefix", "hex2dec", {str("0x1f")}, cant, -1, -1, toDec);
        row("bad digit after overflow", "hex2dec", {str("fffffffffffffffffz")}, cant, -1, -1, toDec);
        row("element row and column", "bin2oct", {strings(2, 2, {"1", "10", "11", "2"})}, cant, 1, 1, toOct);
        row("2^64 in hex", "hex2dec", {str("10000000000000000")}, big, -1, -1, 0);
        row("65 binary digits", "bin2hex", {str("11111111111111111111111111111111111111111111111111111111111111111")}, big, -1, -1, 0);
        row("dec2hex negative", "dec2hex", {num(-1)}, cant, -1, -1, toHex);
        row("dec2bin nan", "dec2bin", {num(kNaN)}, cant, -1, -1, toBin);
        row("dec2bin array element", "dec2bin", {doubles(1, 3, {1, 2, -3})}, cant, 0, 2, toBin);
        row("hex2dec of double", "hex2dec", {num(5)}, bad, 0, STRING_TYPE, DOUBLE_TYPE);
        row("dec2hex of string", "dec2hex", {str("5")}, bad, 0, DOUBLE_TYPE, STRING_TYPE);
        row("hex2dec of double array", "hex2dec", {doubles(1, 2, {1, 2})}, bad, 0, STRING_TYPE, DOUBLE_TYPE);
        row("bin2dec no argument", "bin2dec", {}, count, 0, 1, 0);

        row("left of double", "left", {num(1), num(1)}, bad, 0, STRING_TYPE, DOUBLE_TYPE);
        row("left count is string", "left", {str("a"), str("1")}, bad, 1, DOUBLE_TYPE, STRING_TYPE);
        row("strpos four arguments", "strpos", {str("a"), str("a"), num(0), num(0)}, count, -1, -1, 0);
        row("strpos needle array", "strpos", {str("a"), strings(1, 1, {"a"})}, bad, 1, STRING_TYPE, VECTOR_TYPE);
        row("strpos from string", "strpos", {str("a"), str("a"), str("0")}, bad, 2, DOUBLE_TYPE, STRING_TYPE);

        row("bool2num of double", "bool2num", {num(1)}, bad, 0, BOOLEAN_TYPE, DOUBLE_TYPE);
        row("str2bool other word", "str2bool", {str("maybe")}, cant, -1, -1, BOOLEAN_TYPE);
        row("str2bool array element", "str2bool", {strings(2, 1, {"true", "yes please"})}, cant, 1, 0, BOOLEAN_TYPE);
        row("str2num empty", "str2num", {str("")}, cant, -1, -1, DOUBLE_TYPE);
        row("str2num trailing text", "str2num", {str("12abc")}, cant, -1, -1, DOUBLE_TYPE);
        row("str2num decimal comma", "str2num", {str("1,5")}, cant, -1, -1, DOUBLE_TYPE);
        row("str2num hexadecimal", "str2num", {str("0x10")}, cant, -1, -1, DOUBLE_TYPE);
        row("str2num of double", "str2num", {num(1)}, bad, 0, STRING_TYPE, DOUBLE_TYPE);
    }
    void fails()
    {
        QFETCH(QString, name);
        QFETCH(Args, args);
        QFETCH(uint, code);
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(uint, third);
        const Outcome out = call(name, args);
        QVERIFY(!out.ok);
        QCOMPARE(out.stackSize, int(args.size()));
        if (!args.isEmpty())
            QCOMPARE(value_text::show(out.top), value_text::show(args.last()));
        const OutputList &output = OutputList::instance();
        QCOMPARE(output.count(), 1);
        QCOMPARE(output.at(0).kind, OutputList::ERROR_ENTRY);
        const ErrorReport &r = output.at(0).report;
        QCOMPARE(r.code, quint32(code));
        QCOMPARE(r.firstNumber, first);
        QCOMPARE(r.secondNumber, second);
        QCOMPARE(r.thirdNumber, quint32(third));
        if (code == ERR_BAD_ARGUMENT || code == ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION)
            QCOMPARE(r.name, name);
    }
};

QTEST_APPLESS_MAIN(TestConvertFunctions)
#include "test_convert_functions.moc"
