#include "persistence/text_table_reader.h"

#include "persistence/failure_reporter.h"
#include "values/error_codes.h"
#include "vm/execution_context.h"

#include <QIODevice>

#include <charconv>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr size_t kChunk = size_t(1) << 20;
// A String's length is an int; a field longer than this cannot be held.
constexpr size_t kLongestField = size_t(1) << 30;

// The blanks the toolkit's conversions skip around a number: ASCII white
// space for integers, and also NEL and NBSP for doubles.
bool isBlank(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDoubleBlank(unsigned char c)
{
    return isBlank(c) || c == 0x85 || c == 0xa0;
}

bool isWord(const char *begin, const char *end, const char *lowerWord)
{
    for (; begin != end && *lowerWord; ++begin, ++lowerWord)
        if ((*begin | 0x20) != *lowerWord)
            return false;
    return begin == end && !*lowerWord;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

const char *typeWord(VariableType type)
{
    return type == BOOLEAN_TYPE ? "boolean" : "double";
}

} // namespace

TextTableReader::TextTableReader(QIODevice &device, VariableType type, const FailureReporter &reporter)
    : _device(device), _type(type), _reporter(reporter), _result(type)
{
}

bool TextTableReader::parseDouble(const char *begin, const char *end, double &out)
{
    while (begin != end && isDoubleBlank(static_cast<unsigned char>(*begin)))
        ++begin;
    while (end != begin && isDoubleBlank(static_cast<unsigned char>(end[-1])))
        --end;
    bool negative = false;
    const bool signed_ = begin != end && (*begin == '+' || *begin == '-');
    if (signed_)
        negative = *begin++ == '-';
    if (isWord(begin, end, "inf")) {
        out = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        return true;
    }
    if (!signed_ && isWord(begin, end, "nan")) {
        out = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    // from_chars alone would also take "infinity", "nan(...)" and a second sign.
    if (begin == end || !(isDigit(*begin) || *begin == '.'))
        return false;
    double d = 0;
    const auto [stop, error] = std::from_chars(begin, end, d, std::chars_format::general);
    // Out of range either way (overflow, or a non-zero value that rounds to 0)
    // is refused, as the toolkit does.
    if (error != std::errc() || stop != end)
        return false;
    out = negative ? -d : d;
    return true;
}

bool TextTableReader::parseBoolean(const char *begin, const char *end, bool &out)
{
    // The toolkit's integer conversion stops at a NUL byte.
    if (const void *nul = std::memchr(begin, 0, size_t(end - begin)))
        end = static_cast<const char *>(nul);
    while (begin != end && isBlank(static_cast<unsigned char>(*begin)))
        ++begin;
    while (end != begin && isBlank(static_cast<unsigned char>(end[-1])))
        --end;
    bool negative = false;
    if (begin != end && (*begin == '+' || *begin == '-'))
        negative = *begin++ == '-';
    if (begin == end)
        return false;
    for (const char *p = begin; p != end; ++p)
        if (!isDigit(*p))
            return false;
    while (begin != end && *begin == '0')
        ++begin;
    if (begin == end) {
        out = false; // 0, -0, 000
        return true;
    }
    if (end - begin == 1 && *begin == '1' && !negative) {
        out = true;
        return true;
    }
    return false;
}

bool TextTableReader::read(Variable &value)
{
    try {
        chooseLineEnd();
        for (;;) {
            const char *begin = nullptr;
            const char *end = nullptr;
            FieldEnd how = END_OF_FIELD;
            if (!nextField(begin, end, how))
                return _stopped ? _reporter.fail(QString(), ERR_PROCESS_TERMINATED) : noMemory();
            // The file ended right after a row: no further row. An empty
            // file is one empty field.
            if (how == END_OF_FILE && begin == end && _field == 0 && _rows > 0)
                break;
            if (_rowEnd == '\n' && how != END_OF_FIELD && end != begin && end[-1] == '\r')
                --end;
            if (!addField(begin, end, how != END_OF_FIELD))
                return false;
            if (how == END_OF_FILE)
                break;
        }
        return finish(value);
    } catch (const std::bad_alloc &) {
        return noMemory();
    }
}

void TextTableReader::chooseLineEnd()
{
    if (!fill())
        return; // stopped before the first byte: the first field reports it
    const auto hasLineFeed = [](const char *data, size_t size) { return std::memchr(data, '\n', size) != nullptr; };
    bool lineFeed = hasLineFeed(_buffer.data() + _begin, _end - _begin);
    if (!lineFeed && !_atEnd && !_device.isSequential()) {
        // Look further without keeping what is read: a file of CR rows is
        // read twice, every other file only its first chunk more.
        const qint64 resume = _device.pos();
        std::vector<char> probe(kChunk);
        qint64 n = 0;
        while (!lineFeed && !stopRequested() && (n = _device.read(probe.data(), qint64(probe.size()))) > 0)
            lineFeed = hasLineFeed(probe.data(), size_t(n));
        _device.seek(resume);
    }
    _rowEnd = lineFeed || !std::memchr(_buffer.data() + _begin, '\r', _end - _begin) ? '\n' : '\r';
}

// A command's stop request ends a long read between two chunks.
bool TextTableReader::stopRequested()
{
    const ExecutionContext *context = _reporter.context();
    _stopped = _stopped || (context && context->stopRequested());
    return _stopped;
}

bool TextTableReader::fill()
{
    if (stopRequested())
        return false;
    if (_begin > 0) {
        std::memmove(_buffer.data(), _buffer.data() + _begin, _end - _begin);
        _end -= _begin;
        _begin = 0;
    }
    if (_buffer.size() - _end < kChunk / 2) {
        if (_buffer.size() >= kLongestField)
            return false;
        _buffer.resize(_buffer.empty() ? kChunk : _buffer.size() * 2);
    }
    const qint64 n = _device.read(_buffer.data() + _end, qint64(_buffer.size() - _end));
    if (n <= 0)
        _atEnd = true;
    else
        _end += size_t(n);
    return true;
}

bool TextTableReader::nextField(const char *&begin, const char *&end, FieldEnd &how)
{
    for (;;) {
        const char *data = _buffer.data();
        const char rowEnd = _rowEnd;
        for (size_t i = _begin + _scanned; i < _end; ++i) {
            const char c = data[i];
            if (c == ';' || c == rowEnd) {
                begin = data + _begin;
                end = data + i;
                how = c == ';' ? END_OF_FIELD : END_OF_ROW;
                _begin = i + 1;
                _scanned = 0;
                return true;
            }
        }
        _scanned = _end - _begin;
        if (_atEnd) {
            begin = data + _begin;
            end = data + _end;
            how = END_OF_FILE;
            _begin = _end;
            _scanned = 0;
            return true;
        }
        if (!fill())
            return false;
    }
}

bool TextTableReader::addField(const char *begin, const char *end, bool last)
{
    const uint32_t column = _field++;
    // A second row makes the one-field first row an array element.
    if (_firstFieldFailed)
        return conversionFailure(1, 1);
    if (_rows > 0 && column >= _columns)
        return rowSizeFailure(_rows + 1);
    if (_badColumn == 0 && !store(begin, end))
        _badColumn = column + 1;
    if (!last)
        return true;
    if (_rows == 0) {
        _columns = _field;
        if (_badColumn != 0) {
            if (_columns > 1)
                return conversionFailure(1, _badColumn);
            _firstFieldFailed = true; // a scalar or element (1, 1): the next row decides
        }
    } else {
        if (_field != _columns)
            return rowSizeFailure(_rows + 1);
        if (_badColumn != 0)
            return conversionFailure(_rows + 1, _badColumn);
    }
    ++_rows;
    _field = 0;
    _badColumn = 0;
    return true;
}

// Converts one field into the next element; false when it does not convert.
bool TextTableReader::store(const char *begin, const char *end)
{
    if (!ensureCapacity(_count + 1))
        throw std::bad_alloc();
    switch (_type) {
    case DOUBLE_TYPE: {
        double d;
        if (!parseDouble(begin, end, d))
            return false;
        reinterpret_cast<double *>(_items)[_count++] = d;
        return true;
    }
    case BOOLEAN_TYPE: {
        bool b;
        if (!parseBoolean(begin, end, b))
            return false;
        reinterpret_cast<bool *>(_items)[_count++] = b;
        return true;
    }
    default:
        if (size_t(end - begin) > kLongestField)
            throw std::bad_alloc();
        reinterpret_cast<String *>(_items)[_count++] = String(begin, int(end - begin));
        return true;
    }
}

// The result's count runs ahead of the stored elements by a growing margin
// (the spare elements are zero), so that a field is written in place and
// the array is reallocated a logarithmic number of times.
bool TextTableReader::ensureCapacity(uint32_t count)
{
    const uint32_t have = _result.count();
    if (count <= have)
        return true;
    constexpr uint64_t largest = 0xfffffffeu;
    uint64_t wanted = uint64_t(have) + have / 2 + 1024;
    if (wanted < count)
        wanted = count;
    if (wanted > largest)
        wanted = largest;
    if (count > largest || !_result.resize(uint32_t(wanted)))
        return false;
    switch (_type) {
    case DOUBLE_TYPE: _items = reinterpret_cast<char *>(_result.mutableDoubles()); break;
    case BOOLEAN_TYPE: _items = reinterpret_cast<char *>(_result.mutableBooleans()); break;
    default: _items = reinterpret_cast<char *>(_result.mutableStrings()); break;
    }
    return true;
}

bool TextTableReader::finish(Variable &value)
{
    if (_firstFieldFailed)
        return conversionFailure(-1, -1);
    if (_rows == 1 && _columns == 1) {
        switch (_type) {
        case DOUBLE_TYPE: value = Variable(_result.getDouble(0)); break;
        case BOOLEAN_TYPE: value = Variable(_result.getBoolean(0)); break;
        default: value = Variable(_result.getString(0)); break;
        }
        return true;
    }
    if (!_result.truncate(_count))
        return noMemory();
    _result.squeeze();
    _result.setSize(_rows, _columns);
    value.setVector(std::move(_result));
    return true;
}

bool TextTableReader::noMemory() const
{
    return _reporter.fail(QStringLiteral("Not enough memory"), ERR_NOT_ENOUGH_MEMORY);
}

bool TextTableReader::rowSizeFailure(uint32_t row) const
{
    ErrorReport report;
    report.code = ERR_DIFFERENT_ROW_SIZE;
    report.firstNumber = row;
    return _reporter.fail(QStringLiteral("Different row size. Row: %1").arg(row), report);
}

// Row and column from 1; a scalar (row -1) has neither.
bool TextTableReader::conversionFailure(int64_t row, int64_t column) const
{
    ErrorReport report;
    report.code = ERR_CANT_CONVERT_VALUE;
    report.firstNumber = int(row);
    report.secondNumber = int(column);
    report.thirdNumber = quint32(_type);
    QString message = QStringLiteral("Can't convert value to %1").arg(QLatin1String(typeWord(_type)));
    if (row >= 0)
        message += QStringLiteral(". Row: %1, Column: %2").arg(row).arg(column);
    return _reporter.fail(message, report);
}
