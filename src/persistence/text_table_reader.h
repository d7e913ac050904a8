#pragma once

#include "values/variable.h"
#include "values/vector.h"

#include <cstdint>
#include <vector>

class FailureReporter;
class QIODevice;

// Reads a text table as a stream of Latin-1 bytes straight into the result
// array: a field is converted where it lies in the read buffer, so memory
// is the array plus one buffer, whatever the file's size.
//
// Rows end at LF or CRLF. A file without any LF (old Mac files) ends its
// rows at CR instead; in any other file a lone CR is part of its field.
class TextTableReader {
public:
    TextTableReader(QIODevice &device, VariableType type, const FailureReporter &reporter);

    // The value of the whole table; false after reporting one failure
    // (`value` is then untouched).
    bool read(Variable &value);

    // The toolkit's locale-independent conversions, from bytes: a double
    // with blanks around it, sign, exponent, "inf" and "nan" in any case;
    // a boolean is a decimal integer of value 0 or 1.
    static bool parseDouble(const char *begin, const char *end, double &out);
    static bool parseBoolean(const char *begin, const char *end, bool &out);

private:
    enum FieldEnd { END_OF_FIELD, END_OF_ROW, END_OF_FILE };

    void chooseLineEnd();
    bool nextField(const char *&begin, const char *&end, FieldEnd &how);
    bool stopRequested();
    bool fill();
    bool addField(const char *begin, const char *end, bool last);
    bool store(const char *begin, const char *end);
    bool ensureCapacity(uint32_t count);
    bool finish(Variable &value);

    bool noMemory() const;
    bool rowSizeFailure(uint32_t row) const;
    bool conversionFailure(int64_t row, int64_t column) const;

    QIODevice &_device;
    const VariableType _type;
    const FailureReporter &_reporter;

    std::vector<char> _buffer;
    size_t _begin = 0;   // first unread byte
    size_t _scanned = 0; // bytes from _begin known to hold no separator
    size_t _end = 0;     // end of the bytes read
    bool _atEnd = false;
    bool _stopped = false; // the running command was asked to stop
    char _rowEnd = '\n';

    Vector _result;
    char *_items = nullptr;       // _result's elements, refreshed on growth
    uint32_t _count = 0;          // elements stored
    uint32_t _columns = 0;        // fields of the first row, once it ended
    uint32_t _rows = 0;           // rows ended
    uint32_t _field = 0;          // fields seen in the current row
    uint32_t _badColumn = 0;      // first field of the current row that did not convert (1-based)
    bool _firstFieldFailed = false; // a one-field first row that did not convert
};
