#include "persistence/workspace_file.h"

#include "app/regular_file.h"
#include "persistence/failure_reporter.h"
#include "values/assert.h"
#include "values/error_codes.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

// Elements are moved in blocks of this many so that big vectors cost a
// handful of device calls rather than one per element.
constexpr quint32 BLOCK = 4096;

// Bytes a byte string of `length` text bytes takes: length, text, zero.
quint64 byteStringLength(quint64 length)
{
    return 4 + length + 1;
}

quint64 payloadLength(const Variable &value)
{
    switch (value.type()) {
    case UNDEFINED_TYPE: return 0;
    case BOOLEAN_TYPE: return 1;
    case DOUBLE_TYPE: return 8;
    case STRING_TYPE: return byteStringLength(quint64(value.getString().length()));
    case VECTOR_TYPE: {
        const Vector &v = value.getVector();
        if (v.type() == UNDEFINED_TYPE)
            return 1;
        quint64 elements = 0;
        switch (v.type()) {
        case BOOLEAN_TYPE: elements = v.count(); break;
        case DOUBLE_TYPE: elements = quint64(v.count()) * 8; break;
        case STRING_TYPE:
            for (uint32_t i = 0; i < v.count(); ++i)
                elements += byteStringLength(quint64(v.getString(i).length()));
            break;
        default: NUMLYRA_ASSERT(!"vector element type has no workspace encoding");
        }
        return 1 + 8 + elements;
    }
    default: NUMLYRA_ASSERT(!"value type has no workspace encoding");
    }
    return 0;
}

// ---- writing -------------------------------------------------------------

void writeByteString(QDataStream &out, const char *text, int length)
{
    out << quint32(length + 1);
    out.writeRawData(text, length);
    out << quint8(0);
}

void writeVector(QDataStream &out, const Vector &v)
{
    out << qint8(v.type());
    if (v.type() == UNDEFINED_TYPE)
        return;
    out << quint32(v.rowCount()) << quint32(v.columnCount());
    const uint32_t n = v.count();
    if (v.type() == STRING_TYPE) {
        for (uint32_t i = 0; i < n; ++i)
            writeByteString(out, v.getString(i).text(), v.getString(i).length());
        return;
    }
    if (v.type() == BOOLEAN_TYPE) {
        const bool *items = v.booleans();
        char buffer[BLOCK];
        for (uint32_t done = 0; done < n;) {
            const uint32_t chunk = std::min(BLOCK, n - done);
            for (uint32_t i = 0; i < chunk; ++i)
                buffer[i] = items[done + i] ? 1 : 0;
            out.writeRawData(buffer, int(chunk));
            done += chunk;
        }
        return;
    }
    const double *items = v.doubles();
    quint64 buffer[BLOCK];
    for (uint32_t done = 0; done < n;) {
        const uint32_t chunk = std::min(BLOCK, n - done);
        for (uint32_t i = 0; i < chunk; ++i) {
            quint64 bits;
            std::memcpy(&bits, items + done + i, 8);
            buffer[i] = qToBigEndian(bits);
        }
        out.writeRawData(reinterpret_cast<const char *>(buffer), int(chunk * 8));
        done += chunk;
    }
}

void writeRecord(QDataStream &out, const WorkspaceRecord &record)
{
    const QByteArray name = record.name.toLatin1();
    writeByteString(out, name.constData(), int(name.size()));
    const Variable &value = record.value;
    out << qint8(value.type());
    switch (value.type()) {
    case UNDEFINED_TYPE: break;
    case BOOLEAN_TYPE: out << quint8(value.getBoolean() ? 1 : 0); break;
    case DOUBLE_TYPE: out << value.getDouble(); break;
    case STRING_TYPE: writeByteString(out, value.getString().text(), value.getString().length()); break;
    case VECTOR_TYPE: writeVector(out, value.getVector()); break;
    default: NUMLYRA_ASSERT(!"value type has no workspace encoding");
    }
    out << WorkspaceFile::END_MARKER;
}

// Reserves the blocks as well: on most Linux file systems a plain resize
// makes a sparse file and a full disk would only show up half-way through
// writing. File systems without preallocation fall back to the resize.
bool preallocate(QFileDevice &file, qint64 length)
{
    if (!file.resize(length))
        return false;
    if (length == 0)
        return true;
    const int rc = posix_fallocate(file.handle(), 0, length);
    return rc == 0 || rc == EOPNOTSUPP || rc == EINVAL;
}

// ---- reading -------------------------------------------------------------

class WorkspaceParser {
public:
    explicit WorkspaceParser(QIODevice &device) : _device(device), _in(&device), _size(device.size())
    {
        _in.setByteOrder(QDataStream::BigEndian);
        _in.setFloatingPointPrecision(QDataStream::DoublePrecision);
    }

    WorkspaceReadResult parse(WorkspaceRecords &records);

private:
    qint64 remaining() const { return _size - _device.pos(); }
    bool ok() const { return _in.status() == QDataStream::Ok; }
    // Reads a byte string; false on a short read or a missing terminating
    // zero. The text ends at the first zero, as for any C string.
    bool readByteString(QByteArray &text, bool &isNull);
    WorkspaceReadResult readValue(Variable &value);
    WorkspaceReadResult readVector(Variable &value);
    bool readBooleans(Vector &v);
    bool readDoubles(Vector &v);
    bool readStrings(Vector &v);

    QIODevice &_device;
    QDataStream _in;
    qint64 _size;
};

bool WorkspaceParser::readByteString(QByteArray &text, bool &isNull)
{
    quint32 length = 0;
    _in >> length;
    if (!ok())
        return false;
    isNull = length == 0;
    if (length == 0) {
        text.clear();
        return true;
    }
    if (qint64(length) > remaining())
        return false;
    text.resize(qsizetype(length));
    if (_in.readRawData(text.data(), int(length)) != int(length))
        return false;
    if (text.back() != '\0')
        return false;
    text.truncate(qsizetype(std::strlen(text.constData())));
    return true;
}

bool WorkspaceParser::readBooleans(Vector &v)
{
    bool *items = v.mutableBooleans();
    const uint32_t n = v.count();
    char buffer[BLOCK];
    for (uint32_t done = 0; done < n;) {
        const uint32_t chunk = std::min(BLOCK, n - done);
        if (_in.readRawData(buffer, int(chunk)) != int(chunk))
            return false;
        for (uint32_t i = 0; i < chunk; ++i) {
            if (quint8(buffer[i]) > 1)
                return false;
            items[done + i] = buffer[i] == 1;
        }
        done += chunk;
    }
    return true;
}

bool WorkspaceParser::readDoubles(Vector &v)
{
    double *items = v.mutableDoubles();
    const uint32_t n = v.count();
    quint64 buffer[BLOCK];
    for (uint32_t done = 0; done < n;) {
        const uint32_t chunk = std::min(BLOCK, n - done);
        if (_in.readRawData(reinterpret_cast<char *>(buffer), int(chunk * 8)) != int(chunk * 8))
            return false;
        for (uint32_t i = 0; i < chunk; ++i) {
            const quint64 bits = qFromBigEndian(buffer[i]);
            std::memcpy(items + done + i, &bits, 8);
        }
        done += chunk;
    }
    return true;
}

bool WorkspaceParser::readStrings(Vector &v)
{
    String *items = v.mutableStrings();
    QByteArray text;
    bool isNull = false;
    for (uint32_t i = 0; i < v.count(); ++i) {
        if (!readByteString(text, isNull))
            return false;
        if (!text.isEmpty())
            items[i] = String(text);
    }
    return true;
}

WorkspaceReadResult WorkspaceParser::readVector(Variable &value)
{
    qint8 elementType = 0;
    _in >> elementType;
    if (!ok() || elementType < 0 || elementType > VECTOR_TYPE)
        return WORKSPACE_READ_CORRUPTED;
    if (elementType == UNDEFINED_TYPE) {
        value.setVector(Vector());
        return WORKSPACE_READ_OK;
    }
    quint32 rows = 0, columns = 0;
    _in >> rows >> columns;
    if (!ok() || rows == 0 || columns == 0)
        return WORKSPACE_READ_CORRUPTED;
    if (elementType == INTEGER_TYPE || elementType == VECTOR_TYPE) {
        // Never written: the format has no elements for these.
        value.setUndefined();
        return WORKSPACE_READ_OK;
    }
    // Every element takes at least one byte (a string four), so sizes the
    // rest of the file cannot hold are a corrupt file, not an allocation.
    const quint64 count = quint64(rows) * columns;
    const quint64 minimum = elementType == DOUBLE_TYPE ? 8 : elementType == STRING_TYPE ? 4 : 1;
    if (count * minimum > quint64(remaining()))
        return WORKSPACE_READ_CORRUPTED;
    Vector v;
    if (!Vector::create(VariableType(elementType), rows, columns, v) || !v.detach())
        return WORKSPACE_READ_NO_MEMORY;
    bool read = false;
    switch (elementType) {
    case BOOLEAN_TYPE: read = readBooleans(v); break;
    case DOUBLE_TYPE: read = readDoubles(v); break;
    default: read = readStrings(v); break;
    }
    if (!read)
        return WORKSPACE_READ_CORRUPTED;
    value.setVector(std::move(v));
    return WORKSPACE_READ_OK;
}

WorkspaceReadResult WorkspaceParser::readValue(Variable &value)
{
    qint8 type = 0;
    _in >> type;
    if (!ok())
        return WORKSPACE_READ_CORRUPTED;
    switch (type) {
    case UNDEFINED_TYPE:
        value.setUndefined();
        return WORKSPACE_READ_OK;
    case BOOLEAN_TYPE: {
        quint8 b = 0;
        _in >> b;
        if (!ok() || b > 1)
            return WORKSPACE_READ_CORRUPTED;
        value.setBoolean(b == 1);
        return WORKSPACE_READ_OK;
    }
    case DOUBLE_TYPE: {
        double d = 0;
        _in >> d;
        if (!ok())
            return WORKSPACE_READ_CORRUPTED;
        value.setDouble(d);
        return WORKSPACE_READ_OK;
    }
    case STRING_TYPE: {
        QByteArray text;
        bool isNull = false;
        if (!readByteString(text, isNull))
            return WORKSPACE_READ_CORRUPTED;
        value.setString(String(text));
        return WORKSPACE_READ_OK;
    }
    case VECTOR_TYPE: return readVector(value);
    default: return WORKSPACE_READ_CORRUPTED; // integer, negative or above vector
    }
}

WorkspaceReadResult WorkspaceParser::parse(WorkspaceRecords &records)
{
    quint32 magic = 0, length = 0;
    qint32 count = 0;
    _in >> magic;
    if (!ok() || (magic & WorkspaceFile::MAGIC_MASK) != (WorkspaceFile::MAGIC & WorkspaceFile::MAGIC_MASK))
        return WORKSPACE_READ_CORRUPTED;
    _in >> length;
    if (!ok() || qint64(length) != _size)
        return WORKSPACE_READ_CORRUPTED;
    _in >> count;
    if (!ok() || count < 0)
        return WORKSPACE_READ_CORRUPTED;
    if (count == 0) {
        // Nothing to import, even if bytes follow: the operation succeeds
        // without touching the workspace.
        records.clear();
        return WORKSPACE_READ_OK;
    }
    // The smallest record (one-letter name, undefined) takes 8 bytes.
    if (quint64(count) * 8 > quint64(remaining()))
        return WORKSPACE_READ_CORRUPTED;

    WorkspaceRecords read;
    read.reserve(size_t(count));
    for (qint32 i = 0; i < count; ++i) {
        QByteArray name;
        bool isNull = false;
        if (!readByteString(name, isNull) || name.isEmpty())
            return WORKSPACE_READ_CORRUPTED;
        WorkspaceRecord record{QString::fromLatin1(name), Variable()};
        const WorkspaceReadResult result = readValue(record.value);
        if (result != WORKSPACE_READ_OK)
            return result;
        quint8 marker = 0;
        _in >> marker;
        if (!ok() || marker != WorkspaceFile::END_MARKER)
            return WORKSPACE_READ_CORRUPTED;
        read.push_back(std::move(record));
    }
    if (_device.pos() != _size)
        return WORKSPACE_READ_CORRUPTED;
    records = std::move(read);
    return WORKSPACE_READ_OK;
}

} // namespace

quint64 workspaceFileLength(const WorkspaceRecords &records)
{
    quint64 length = WorkspaceFile::HEADER_SIZE;
    for (const WorkspaceRecord &record : records)
        length += byteStringLength(quint64(record.name.size())) + 1 + payloadLength(record.value) + 1;
    return length;
}

WorkspaceReadResult parseWorkspace(QIODevice &device, WorkspaceRecords &records)
{
    return WorkspaceParser(device).parse(records);
}

bool readWorkspaceFile(const QString &path, WorkspaceRecords &records, ExecutionContext *context)
{
    const FailureReporter reporter(context);
    if (!QFileInfo::exists(path))
        return reporter.fail(QStringLiteral("File \"%1\" doesn't exists").arg(path), ERR_FILE_DOESNT_EXIST, path);
    QFile file(path);
    if (!RegularFile::openForReading(file))
        return reporter.fail(QStringLiteral("Can't open file to read"), ERR_CANT_OPEN_FILE_TO_READ);
    WorkspaceReadResult result = WORKSPACE_READ_NO_MEMORY;
    try {
        result = parseWorkspace(file, records);
    } catch (const std::bad_alloc &) {
        records.clear(); // names and holders beyond the element storage
    }
    switch (result) {
    case WORKSPACE_READ_OK: return true;
    case WORKSPACE_READ_NO_MEMORY:
        return reporter.fail(QStringLiteral("Can't allocate memory"), ERR_NOT_ENOUGH_MEMORY);
    case WORKSPACE_READ_CORRUPTED: break;
    }
    return reporter.fail(QStringLiteral("Workspace file corrupted"), ERR_WORKSPACE_FILE_CORRUPTED);
}

bool writeWorkspaceFile(const QString &path, const WorkspaceRecords &records, ExecutionContext *context)
{
    const FailureReporter reporter(context);
    if (records.empty())
        return reporter.inform(QStringLiteral("Nothing to save"), ERR_EMPTY_WORKSPACE);
    const QString noSpace = QStringLiteral("Can't allocate space on device");
    const quint64 length = workspaceFileLength(records);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return reporter.fail(QStringLiteral("Can't open file to write"), ERR_CANT_OPEN_FILE_TO_WRITE);
    // The length field is 32 bits: a bigger workspace cannot be stored.
    if (length > 0xFFFFFFFFu || !preallocate(file, qint64(length)))
        return reporter.fail(noSpace, ERR_CANT_ALLOCATE_SPACE_ON_DEVICE);

    QDataStream out(&file);
    out.setByteOrder(QDataStream::BigEndian);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    out << WorkspaceFile::MAGIC << quint32(0) << qint32(records.size());
    for (const WorkspaceRecord &record : records)
        writeRecord(out, record);
    NUMLYRA_ASSERT(out.status() != QDataStream::Ok || quint64(file.pos()) == length);
    if (out.status() == QDataStream::Ok && file.seek(4))
        out << quint32(file.size());
    // A write that fails after the space was reserved is the device giving out.
    if (out.status() != QDataStream::Ok)
        return reporter.fail(noSpace, ERR_CANT_ALLOCATE_SPACE_ON_DEVICE);
    if (!file.commit())
        return reporter.fail(QStringLiteral("Can't open file to write"), ERR_CANT_OPEN_FILE_TO_WRITE);
    return true;
}
