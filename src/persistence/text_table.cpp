#include "persistence/text_table.h"

#include "app/regular_file.h"
#include "persistence/failure_reporter.h"
#include "persistence/text_table_reader.h"
#include "values/error_codes.h"
#include "values/vector.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QByteArray formatDouble(double d)
{
    // 16 significant digits in the stream's default notation.
    return QByteArray::number(d, 'g', 16);
}

void appendElement(QByteArray &out, const Variable &value)
{
    switch (value.type()) {
    case DOUBLE_TYPE: out += formatDouble(value.getDouble()); break;
    case BOOLEAN_TYPE: out += value.getBoolean() ? '1' : '0'; break;
    case INTEGER_TYPE: out += QByteArray::number(value.getInteger()); break;
    case STRING_TYPE: out += value.getString().toByteArray(); break;
    default: break;
    }
}

} // namespace

namespace TextTable {

bool read(QIODevice &device, VariableType type, const FailureReporter &reporter, Variable &value)
{
    return TextTableReader(device, type, reporter).read(value);
}

namespace {

bool openFile(QFile &file, const FailureReporter &reporter)
{
    const QString path = file.fileName();
    if (!QFileInfo::exists(path))
        return reporter.fail(QStringLiteral("File \"%1\" doesn't exists").arg(path), ERR_FILE_DOESNT_EXIST, path);
    // Bytes as they are: the reader decides what ends a row.
    if (!RegularFile::openForReading(file))
        return reporter.fail(QStringLiteral("Can't open file"), ERR_CANT_OPEN_FILE_TO_READ, path);
    if (file.size() == 0)
        return reporter.fail(QStringLiteral("File is empty"), ERR_EMPTY_FILE, path);
    return true;
}

} // namespace

bool checkFile(const QString &path, const FailureReporter &reporter)
{
    QFile file(path);
    return openFile(file, reporter);
}

bool readFile(const QString &path, VariableType type, const FailureReporter &reporter, Variable &value)
{
    QFile file(path);
    return openFile(file, reporter) && read(file, type, reporter, value);
}

QByteArray text(const Variable &value)
{
    QByteArray out;
    if (value.type() != VECTOR_TYPE) {
        appendElement(out, value);
        out += '\n';
        return out;
    }
    const Vector &vector = value.getVector();
    uint32_t index = 0;
    for (uint32_t r = 0; r < vector.rowCount(); ++r) {
        for (uint32_t c = 0; c < vector.columnCount(); ++c, ++index) {
            if (c > 0)
                out += ';';
            switch (vector.type()) {
            case DOUBLE_TYPE: out += formatDouble(vector.getDouble(index)); break;
            case BOOLEAN_TYPE: out += vector.getBoolean(index) ? '1' : '0'; break;
            case INTEGER_TYPE: out += QByteArray::number(vector.getInteger(index)); break;
            case STRING_TYPE: out += vector.getString(index).toByteArray(); break;
            default: break;
            }
        }
        out += '\n';
    }
    return out;
}

bool writeFile(const QString &path, const Variable &value, const FailureReporter &reporter)
{
    if (value.isUndefined() || value.isEmptyVector())
        return reporter.fail(QStringLiteral("Can't save empty data"), ERR_BAD_SAVE_CSV_ARG);
    // Written aside and committed at the end, so a failed write never
    // leaves a half table where a good file was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return reporter.fail(QStringLiteral("Can't open file to write"), ERR_CANT_OPEN_FILE_TO_WRITE, path);
    const QByteArray bytes = text(value);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return reporter.fail(QStringLiteral("Can't open file to write"), ERR_CANT_OPEN_FILE_TO_WRITE, path);
    return true;
}

} // namespace TextTable
