#include "library/convert_functions.h"

#include "library/native_definition.h"
#include "values/assert.h"
#include "values/error_codes.h"

#include <QChar>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

namespace {

// Target names of "Can't convert value to ..." beyond the value types.
enum : quint32 { BIN_TARGET = 6, OCT_TARGET = 7, DEC_TARGET = 8, HEX_TARGET = 9 };

// One converted element: `error` is 0 and `value` the result, or the code
// to report.
struct Converted {
    Variable value;
    quint32 error = 0;
};

Converted failed(quint32 code)
{
    Converted c;
    c.error = code;
    return c;
}

template <typename T>
Converted converted(T value)
{
    Converted c;
    c.value = Variable(value);
    return c;
}

void reportNoMemory(NativeFrame &frame)
{
    frame.context.report(ERR_NOT_ENOUGH_MEMORY);
}

// Argument `index` must be a `type` value or a vector of them; an empty
// vector of any type passes. A vector of another element type is reported
// with that element type, which says more than "vector".
bool checkElements(NativeFrame &frame, unsigned index, VariableType type)
{
    const Variable &v = frame.arg(index);
    if (v.type() == type)
        return true;
    int given = v.type();
    if (v.type() == VECTOR_TYPE) {
        const Vector &elements = v.getVector();
        if (elements.isEmpty() || elements.type() == type)
            return true;
        given = elements.type();
    }
    frame.context.badArgument(type, given, int(index));
    return false;
}

bool checkScalar(NativeFrame &frame, unsigned index, VariableType type)
{
    const Variable &v = frame.arg(index);
    if (v.type() == type)
        return true;
    frame.context.badArgument(type, v.type(), int(index));
    return false;
}

Variable elementAt(const Vector &v, uint32_t i)
{
    switch (v.type()) {
    case BOOLEAN_TYPE:
        return Variable(v.getBoolean(i));
    case INTEGER_TYPE:
        return Variable(v.getInteger(i));
    case DOUBLE_TYPE:
        return Variable(v.getDouble(i));
    case STRING_TYPE:
        return Variable(v.getString(i));
    default:
        NUMLYRA_ASSERT(!"element of a typeless vector");
    }
}

bool storeElement(Vector &v, uint32_t i, const Variable &value)
{
    switch (value.type()) {
    case BOOLEAN_TYPE:
        return v.set(i, value.getBoolean());
    case DOUBLE_TYPE:
        return v.set(i, value.getDouble());
    case STRING_TYPE:
        return v.set(i, value.getString());
    default:
        NUMLYRA_ASSERT(!"converted element of an unexpected type");
    }
}

void reportConversion(NativeFrame &frame, quint32 code, quint32 target, qint32 row, qint32 column)
{
    ErrorReport r;
    r.code = code;
    if (code == ERR_CANT_CONVERT_VALUE) {
        r.thirdNumber = target;
        r.firstNumber = row;
        r.secondNumber = column;
    }
    frame.context.report(std::move(r));
}

// Converts the first argument, a scalar or every element of a vector (the
// result has its shape and `resultType`), and leaves the result in place
// of the arguments. Types are checked by the caller. The first failing
// element is reported, with its row and column, and nothing is stored.
template <typename Convert>
bool mapFirstArgument(NativeFrame &frame, VariableType resultType, quint32 target, Convert convert)
{
    const Variable &source = frame.arg(0);
    if (source.type() != VECTOR_TYPE) {
        Converted c = convert(source);
        if (c.error) {
            reportConversion(frame, c.error, target, -1, -1);
            return false;
        }
        frame.setResult(std::move(c.value));
        return true;
    }
    const Vector &in = source.getVector();
    Vector out;
    if (!Vector::create(resultType, in.rowCount(), in.columnCount(), out)) {
        reportNoMemory(frame);
        return false;
    }
    for (uint32_t i = 0; i < in.count(); ++i) {
        const Converted c = convert(elementAt(in, i));
        if (c.error) {
            const uint32_t columns = in.columnCount();
            reportConversion(frame, c.error, target, qint32(i / columns), qint32(i % columns));
            return false;
        }
        if (!storeElement(out, i, c.value)) {
            reportNoMemory(frame);
            return false;
        }
    }
    frame.setResult(Variable(std::move(out)));
    return true;
}

std::string_view viewOf(const String &s)
{
    return std::string_view(s.text(), size_t(s.length()));
}

// A count or position argument with its fraction dropped, clamped to
// [0, limit]; NaN counts as 0.
int clampedCount(double n, int limit)
{
    if (!(n > 0))
        return 0;
    if (n >= double(limit))
        return limit;
    return int(n);
}

// ---- number bases ----

constexpr double kTwoTo64 = 18446744073709551616.0;

quint32 targetOf(unsigned base)
{
    switch (base) {
    case 2:
        return BIN_TARGET;
    case 8:
        return OCT_TARGET;
    case 10:
        return DEC_TARGET;
    default:
        return HEX_TARGET;
    }
}

// The decimal side: the fraction is dropped; negative values and NaN have
// no unsigned form.
quint32 unsignedOf(double d, quint64 &value)
{
    if (std::isnan(d))
        return ERR_CANT_CONVERT_VALUE;
    d = std::trunc(d);
    if (d < 0)
        return ERR_CANT_CONVERT_VALUE;
    if (d >= kTwoTo64)
        return ERR_VALUE_TOO_BIG;
    value = quint64(d);
    return 0;
}

Converted convertBase(const Variable &source, unsigned from, unsigned to)
{
    quint64 value = 0;
    if (from == 10) {
        if (const quint32 error = unsignedOf(source.getDouble(), value))
            return failed(error);
    } else {
        switch (parseDigits(source.getString(), from, value)) {
        case DigitParse::OK:
            break;
        case DigitParse::BAD_DIGIT:
            return failed(ERR_CANT_CONVERT_VALUE);
        case DigitParse::TOO_BIG:
            return failed(ERR_VALUE_TOO_BIG);
        }
    }
    if (to == 10)
        return converted(double(value));
    return converted(String(formatDigits(value, to)));
}

template <unsigned From, unsigned To>
bool baseConversion(NativeFrame &frame)
{
    constexpr VariableType source = From == 10 ? DOUBLE_TYPE : STRING_TYPE;
    constexpr VariableType result = To == 10 ? DOUBLE_TYPE : STRING_TYPE;
    if (!frame.expectArguments(1) || !checkElements(frame, 0, source))
        return false;
    return mapFirstArgument(frame, result, targetOf(To),
                            [](const Variable &v) { return convertBase(v, From, To); });
}

// ---- substrings and searches ----

bool leftOrRight(NativeFrame &frame, bool fromLeft)
{
    if (!frame.expectArguments(2) || !checkElements(frame, 0, STRING_TYPE) || !checkScalar(frame, 1, DOUBLE_TYPE))
        return false;
    const double n = frame.arg(1).getDouble();
    return mapFirstArgument(frame, STRING_TYPE, STRING_TYPE, [n, fromLeft](const Variable &v) {
        const String &s = v.getString();
        const int length = clampedCount(n, s.length());
        if (length == s.length())
            return converted(s);
        const char *start = fromLeft ? s.text() : s.text() + s.length() - length;
        return converted(String(start, length));
    });
}

bool leftNative(NativeFrame &frame)
{
    return leftOrRight(frame, true);
}

bool rightNative(NativeFrame &frame)
{
    return leftOrRight(frame, false);
}

bool strposNative(NativeFrame &frame)
{
    if (!frame.expectArguments(2, 3) || !checkElements(frame, 0, STRING_TYPE) || !checkScalar(frame, 1, STRING_TYPE))
        return false;
    if (frame.argc == 3 && !checkScalar(frame, 2, DOUBLE_TYPE))
        return false;
    const String needle = frame.arg(1).getString();
    const double from = frame.argc == 3 ? frame.arg(2).getDouble() : 0.0;
    return mapFirstArgument(frame, DOUBLE_TYPE, DOUBLE_TYPE, [&needle, from](const Variable &v) {
        const String &s = v.getString();
        // One past the end still finds the empty string there.
        const size_t start = size_t(clampedCount(from, s.length() + 1));
        const size_t at = viewOf(s).find(viewOf(needle), start);
        return converted(at == std::string_view::npos ? -1.0 : double(at));
    });
}

bool strcontNative(NativeFrame &frame)
{
    if (!frame.expectArguments(2) || !checkElements(frame, 0, STRING_TYPE) || !checkScalar(frame, 1, STRING_TYPE))
        return false;
    const String needle = frame.arg(1).getString();
    return mapFirstArgument(frame, BOOLEAN_TYPE, BOOLEAN_TYPE, [&needle](const Variable &v) {
        return converted(viewOf(v.getString()).find(viewOf(needle)) != std::string_view::npos);
    });
}

// The one-argument string-to-string natives.
template <typename Transform>
bool mapStrings(NativeFrame &frame, Transform transform)
{
    if (!frame.expectArguments(1) || !checkElements(frame, 0, STRING_TYPE))
        return false;
    return mapFirstArgument(frame, STRING_TYPE, STRING_TYPE,
                            [&transform](const Variable &v) { return converted(transform(v.getString())); });
}

bool trimmedNative(NativeFrame &frame)
{
    return mapStrings(frame, [](const String &s) { return String(s.toByteArray().trimmed()); });
}

// Latin-1 case tables: a letter whose other case lies outside Latin-1
// (sharp s, y with diaeresis, micro sign) stays as it is.
using CaseTable = std::array<char, 256>;

CaseTable makeCaseTable(bool upper)
{
    CaseTable table;
    for (int c = 0; c < 256; ++c) {
        const QChar ch = QChar::fromLatin1(char(c));
        const char16_t mapped = (upper ? ch.toUpper() : ch.toLower()).unicode();
        table[size_t(c)] = mapped < 256 ? char(mapped) : char(c);
    }
    return table;
}

String applyCase(const String &s, const CaseTable &table)
{
    QByteArray bytes = s.toByteArray();
    for (char &c : bytes)
        c = table[uchar(c)];
    return String(bytes);
}

bool toupperNative(NativeFrame &frame)
{
    static const CaseTable table = makeCaseTable(true);
    return mapStrings(frame, [](const String &s) { return applyCase(s, table); });
}

bool tolowerNative(NativeFrame &frame)
{
    static const CaseTable table = makeCaseTable(false);
    return mapStrings(frame, [](const String &s) { return applyCase(s, table); });
}

// ---- conversions ----

// One-argument conversions of a scalar or of every element of a vector.
template <typename Convert>
bool conversion(NativeFrame &frame, VariableType source, VariableType result, Convert convert)
{
    if (!frame.expectArguments(1) || !checkElements(frame, 0, source))
        return false;
    return mapFirstArgument(frame, result, result, convert);
}

bool bool2numNative(NativeFrame &frame)
{
    return conversion(frame, BOOLEAN_TYPE, DOUBLE_TYPE,
                      [](const Variable &v) { return converted(v.getBoolean() ? 1.0 : 0.0); });
}

bool num2boolNative(NativeFrame &frame)
{
    return conversion(frame, DOUBLE_TYPE, BOOLEAN_TYPE,
                      [](const Variable &v) { return converted(v.getDouble() != 0.0); });
}

bool bool2strNative(NativeFrame &frame)
{
    return conversion(frame, BOOLEAN_TYPE, STRING_TYPE,
                      [](const Variable &v) { return converted(String(v.getBoolean() ? "true" : "false")); });
}

bool str2boolNative(NativeFrame &frame)
{
    return conversion(frame, STRING_TYPE, BOOLEAN_TYPE, [](const Variable &v) {
        const QByteArray word = v.getString().toByteArray().trimmed().toLower();
        if (word == "true" || word == "yes" || word == "on" || word == "1")
            return converted(true);
        if (word == "false" || word == "no" || word == "off" || word == "0")
            return converted(false);
        return failed(ERR_CANT_CONVERT_VALUE);
    });
}

bool num2strNative(NativeFrame &frame)
{
    return conversion(frame, DOUBLE_TYPE, STRING_TYPE,
                      [](const Variable &v) { return converted(String(numberText(v.getDouble()))); });
}

// A decimal number in the C locale whatever the user's locale: optional
// sign, digits with an optional fraction and exponent, or "inf" and "nan"
// in any case; white space around it is ignored. A value beyond the double
// range becomes an infinity or zero, as arithmetic would make it, so the
// text of num2str(x) always reads back.
bool readNumber(const String &text, double &value)
{
    const QByteArray bytes = text.toByteArray().trimmed();
    const char *first = bytes.constData();
    const char *last = first + bytes.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    std::from_chars_result read = std::from_chars(first, last, value);
    if (read.ec == std::errc::result_out_of_range) {
        long double wide = 0;
        read = std::from_chars(first, last, wide);
        value = double(wide);
    }
    return read.ec == std::errc() && read.ptr == last && first != last;
}

bool str2numNative(NativeFrame &frame)
{
    return conversion(frame, STRING_TYPE, DOUBLE_TYPE, [](const Variable &v) {
        double value = 0;
        return readNumber(v.getString(), value) ? converted(value) : failed(ERR_CANT_CONVERT_VALUE);
    });
}

const NativeDefinition kStringNatives[] = {
    {"left", leftNative},
    {"right", rightNative},
    {"strpos", strposNative},
    {"strcont", strcontNative},
    {"trimmed", trimmedNative},
    {"toupper", toupperNative},
    {"tolower", tolowerNative},
    {"bool2num", bool2numNative},
    {"bool2str", bool2strNative},
    {"num2bool", num2boolNative},
    {"num2str", num2strNative},
    {"str2bool", str2boolNative},
    {"str2num", str2numNative},
    {"bin2oct", baseConversion<2, 8>},
    {"bin2dec", baseConversion<2, 10>},
    {"bin2hex", baseConversion<2, 16>},
    {"oct2bin", baseConversion<8, 2>},
    {"oct2dec", baseConversion<8, 10>},
    {"oct2hex", baseConversion<8, 16>},
    {"dec2bin", baseConversion<10, 2>},
    {"dec2oct", baseConversion<10, 8>},
    {"dec2hex", baseConversion<10, 16>},
    {"hex2bin", baseConversion<16, 2>},
    {"hex2oct", baseConversion<16, 8>},
    {"hex2dec", baseConversion<16, 10>},
};

} // namespace

DigitParse parseDigits(const String &text, unsigned base, quint64 &value)
{
    quint64 v = 0;
    bool tooBig = false;
    for (const char c : viewOf(text)) {
        unsigned digit = base;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        if (digit >= base)
            return DigitParse::BAD_DIGIT;
        if (v > (std::numeric_limits<quint64>::max() - digit) / base)
            tooBig = true;
        v = v * base + digit;
    }
    if (tooBig)
        return DigitParse::TOO_BIG;
    value = v;
    return DigitParse::OK;
}

QByteArray formatDigits(quint64 value, unsigned base)
{
    static const char digits[] = "0123456789abcdef";
    char buffer[64];
    int start = 64;
    while (value != 0) {
        buffer[--start] = digits[value % base];
        value /= base;
    }
    return QByteArray(buffer + start, 64 - start);
}

QByteArray numberText(double value)
{
    if (std::isnan(value))
        return QByteArrayLiteral("nan");
    if (value == 0.0)
        return QByteArrayLiteral("0");
    char buffer[32];
    const int length = std::snprintf(buffer, sizeof buffer, "%.15g", value);
    // Next to the largest double, 15 digits round up beyond the double
    // range; 17 digits are exact and keep the text readable by str2num.
    double back = 0;
    if (std::from_chars(buffer, buffer + length, back).ec == std::errc::result_out_of_range)
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return QByteArray(buffer);
}

std::span<const NativeDefinition> stringNatives()
{
    return kStringNatives;
}
