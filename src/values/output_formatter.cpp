#include "values/output_formatter.h"

#include "values/assert.h"

#include <QFile>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// The decimal the user means by a double: its shortest round-trip digits.
// Generating from these rather than from the binary expansion keeps 0.1 and
// 1.1 free of representation noise while every printed digit is still one
// of the value's own. value = d[0].d[1]d[2]... x 10^exponent, d[0] != 0.
struct Decimal {
    char digits[32];
    int count = 0;
    int exponent = 0;

    // The digit at decimal place `place` (0 = units, -1 = tenths, ...).
    int digitAt(int place) const
    {
        const int i = exponent - place;
        return i >= 0 && i < count ? digits[i] - '0' : 0;
    }
    // True when no digit below `place` is non-zero.
    bool restIsZeroBelow(int place) const { return exponent - place >= count - 1; }
};

Decimal shortestDecimal(double magnitude)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific);
    NUMLYRA_ASSERT(result.ec == std::errc());
    Decimal d;
    const char *p = text;
    for (; p < result.ptr && *p != 'e'; ++p)
        if (*p != '.')
            d.digits[d.count++] = *p;
    NUMLYRA_ASSERT(p < result.ptr && d.count > 0);
    ++p; // 'e'
    if (*p == '+')
        ++p;
    std::from_chars(p, result.ptr, d.exponent);
    // to_chars writes "1e+20" for 1e20: the trailing zeros are already gone.
    return d;
}

int exponentDigits(int exponent)
{
    const int e = std::abs(exponent);
    return e < 10 ? 1 : (e < 100 ? 2 : 3);
}

QString fixedText(const Decimal &d, int precision)
{
    std::vector<int> digits;
    int integerCount;
    int budget;
    if (d.exponent >= 0) {
        for (int place = d.exponent; place >= 0; --place)
            digits.push_back(d.digitAt(place));
        integerCount = d.exponent + 1;
        budget = precision - d.exponent;
    } else {
        // The "0" before the point takes a carry out of the first fraction digit.
        digits.push_back(0);
        integerCount = 1;
        budget = precision;
    }
    int place = -1;
    bool exact = d.restIsZeroBelow(0);
    for (; !exact && budget > 0; --budget, --place) {
        digits.push_back(d.digitAt(place));
        exact = d.restIsZeroBelow(place);
    }
    if (!exact && d.digitAt(place) > 4) {
        int i = int(digits.size()) - 1;
        for (; i >= 0 && digits[size_t(i)] == 9; --i) {
            if (i >= integerCount)
                digits.pop_back(); // a fraction 9 the carry removed is a blank
            else
                digits[size_t(i)] = 0;
        }
        if (i < 0) {
            digits.insert(digits.begin(), 1);
            ++integerCount;
        } else {
            ++digits[size_t(i)];
        }
    }
    QString text;
    text.reserve(int(digits.size()) + 1);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (int(i) == integerCount)
            text += QLatin1Char('.');
        text += QLatin1Char(char('0' + digits[i]));
    }
    if (int(digits.size()) == integerCount)
        text += QLatin1Char('.');
    return text;
}

QString scientificText(const Decimal &d, int precision)
{
    int exponent = d.exponent;
    int fraction = std::max(0, precision - 3 - exponentDigits(exponent));
    std::vector<int> digits;
    for (int i = 0; i <= fraction; ++i)
        digits.push_back(d.digitAt(exponent - i));
    if (d.digitAt(exponent - fraction - 1) > 4) {
        int i = int(digits.size()) - 1;
        for (; i >= 0 && digits[size_t(i)] == 9; --i)
            digits[size_t(i)] = 0;
        if (i >= 0) {
            ++digits[size_t(i)];
        } else {
            // 9.99e9 became 10.00e9: one digit before the point again, and
            // the exponent may now need another digit, so the fraction
            // shrinks to keep the width.
            ++exponent;
            fraction = std::max(0, precision - 3 - exponentDigits(exponent));
            digits.assign(size_t(fraction) + 1, 0);
            digits[0] = 1;
        }
    }
    QString text;
    text += QLatin1Char(char('0' + digits[0]));
    text += QLatin1Char('.');
    for (size_t i = 1; i < digits.size(); ++i)
        text += QLatin1Char(char('0' + digits[i]));
    text += QLatin1Char('e');
    text += exponent >= 0 ? QLatin1Char('+') : QLatin1Char('-');
    text += QString::number(std::abs(exponent));
    return text;
}

QString centred(const QString &text, int width)
{
    const int left = std::max(0, (width - int(text.size())) / 2);
    return (QString(left, QLatin1Char(' ')) + text).leftJustified(width);
}

int decimalDigits(uint32_t n)
{
    int digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

} // namespace

QString numberText(double value, int precision)
{
    const bool negative = value < 0;
    const QString sign = negative ? QStringLiteral("-") : QString();
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return sign + QStringLiteral("inf");
    if (value == 0)
        return QStringLiteral("0.");
    const Decimal d = shortestDecimal(std::fabs(value));
    const bool fixed = d.exponent >= 0 ? d.exponent <= precision : -d.exponent <= precision;
    return sign + (fixed ? fixedText(d, precision) : scientificText(d, precision));
}

QString formatNumber(double value, int precision)
{
    QString text = numberText(value, precision);
    // The sign sits in the third leading blank so that columns stay aligned.
    if (text.startsWith(QLatin1Char('-')))
        text = QStringLiteral("  ") + text;
    else
        text = QStringLiteral("   ") + text;
    return text.leftJustified(OutputFormatter::LEADING_BLANKS + precision + 2);
}

namespace {
OutputFormatter *currentFormatter = nullptr;
}

OutputFormatter *OutputFormatter::current()
{
    return currentFormatter;
}

void OutputFormatter::setCurrent(OutputFormatter *formatter)
{
    currentFormatter = formatter;
}

OutputFormatter::OutputFormatter(PrecisionStore *store)
    : _store(store)
{
    if (_store) {
        const int stored = _store->loadPrecision();
        if (isValidPrecision(stored))
            _precision = stored;
    }
}

OutputFormatter::~OutputFormatter()
{
    if (currentFormatter == this)
        currentFormatter = nullptr;
    if (_store)
        _store->storePrecision(_precision);
}

bool OutputFormatter::setPrecision(int precision)
{
    if (!isValidPrecision(precision))
        return false;
    _precision = precision;
    if (_store)
        _store->storePrecision(precision);
    return true;
}

QString OutputFormatter::renderVariable(const QString &name, const Variable &value, int pageColumns) const
{
    return QStringLiteral("\n %1 = \n\n").arg(name) + renderValue(value, pageColumns);
}

QString OutputFormatter::renderValue(const Variable &value, int pageColumns) const
{
    switch (value.type()) {
    case UNDEFINED_TYPE:
        return QStringLiteral("   undefined\n");
    case BOOLEAN_TYPE:
        return value.getBoolean() ? QStringLiteral("   true \n") : QStringLiteral("   false\n");
    case INTEGER_TYPE:
        return formatNumber(double(value.getInteger())) + QLatin1Char('\n');
    case DOUBLE_TYPE:
        return formatNumber(value.getDouble()) + QLatin1Char('\n');
    case STRING_TYPE:
        return QStringLiteral("  \"") + value.getString().toQString() + QStringLiteral("\"\n");
    case VECTOR_TYPE:
        if (value.getVector().isEmpty())
            return QStringLiteral("   []\n");
        return renderMatrix(value.getVector(), pageColumns);
    }
    numlyraAssertFailed(__FILE__, __LINE__, "Internal error - unknown type");
}

QString OutputFormatter::renderMatrix(const Vector &vector, int pageColumns) const
{
    const VariableType type = vector.type();
    if (type != DOUBLE_TYPE && type != BOOLEAN_TYPE && type != STRING_TYPE)
        numlyraAssertFailed(__FILE__, __LINE__, "Internal error - unsupported type");

    const uint32_t rows = vector.rowCount();
    const uint32_t columns = vector.columnCount();
    const int labelWidth = decimalDigits(rows == 0 ? 0 : rows - 1);
    const int room = pageColumns - 4 - labelWidth;

    std::vector<int> widths(columns);
    for (uint32_t c = 0; c < columns; ++c) {
        if (type == DOUBLE_TYPE) {
            widths[c] = doubleCellWidth();
        } else if (type == BOOLEAN_TYPE) {
            widths[c] = BOOLEAN_CELL_WIDTH;
        } else {
            int longest = 0;
            for (uint32_t r = 0; r < rows; ++r)
                longest = std::max(longest, vector.getString(r * columns + c).length());
            // Three leading blanks, the quotes and two blanks of gap, as for numbers.
            widths[c] = LEADING_BLANKS + longest + 2 + 2;
        }
    }

    auto cell = [&](uint32_t index, int width) {
        switch (type) {
        case DOUBLE_TYPE: return formatNumber(vector.getDouble(index)).leftJustified(width);
        case BOOLEAN_TYPE:
            return (vector.getBoolean(index) ? QStringLiteral("   true ") : QStringLiteral("   false")).leftJustified(width);
        default:
            return (QStringLiteral("   \"") + vector.getString(index).toQString() + QLatin1Char('"')).leftJustified(width);
        }
    };

    QString text;
    for (uint32_t first = 0; first < columns;) {
        // Columns are packed while they fit; a page narrower than one cell
        // still gets one column per block.
        uint32_t end = first + 1;
        int used = widths[first];
        while (end < columns && used + widths[end] <= room)
            used += widths[end++];

        text += QString(labelWidth + 1, QLatin1Char(' '));
        for (uint32_t c = first; c < end; ++c)
            text += centred(QString::number(c), widths[c]);
        text += QLatin1Char('\n');
        text += QString(used + 3, QLatin1Char('-'));
        text += QLatin1Char('\n');
        for (uint32_t r = 0; r < rows; ++r) {
            text += QStringLiteral(" %1 |").arg(r, labelWidth);
            for (uint32_t c = first; c < end; ++c)
                text += cell(r * columns + c, widths[c]);
            text += QLatin1Char('\n');
        }
        first = end;
    }
    return text;
}

QString OutputFormatter::renderEntry(const OutputList::Entry &entry, int pageColumns) const
{
    switch (entry.kind) {
    case OutputList::VARIABLE_ENTRY: return renderVariable(entry.text, entry.value, pageColumns);
    case OutputList::ERROR_ENTRY: return renderErrorReport(entry.report);
    case OutputList::TEXT_LINE_ENTRY: return entry.text + QLatin1Char('\n');
    case OutputList::TEXT_ENTRY: return entry.text;
    }
    numlyraAssertFailed(__FILE__, __LINE__, "Internal error - unknown type");
}

QString OutputFormatter::separatorBefore(const OutputList::Entry &current, bool afterReport)
{
    const bool text = current.kind == OutputList::TEXT_LINE_ENTRY || current.kind == OutputList::TEXT_ENTRY;
    return afterReport && text ? QStringLiteral("\n") : QString();
}

QString OutputFormatter::renderAll(const OutputList &list, int pageColumns) const
{
    QString text;
    bool afterReport = false;
    for (int i = 0; i < list.count(); ++i) {
        const OutputList::Entry &entry = list.at(i);
        text += separatorBefore(entry, afterReport);
        text += renderEntry(entry, pageColumns);
        afterReport = entry.kind == OutputList::ERROR_ENTRY;
    }
    return text;
}

bool OutputFormatter::appendToFile(const QString &path, const OutputList &list, int pageColumns) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    // The command window starts its next prompt on a line of its own, so a
    // copy that ends inside a line (after a report) gets the line feed too.
    QString text = renderAll(list, pageColumns);
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    const QByteArray bytes = text.toLatin1();
    return file.write(bytes) == bytes.size();
}
