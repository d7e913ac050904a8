#include "persistence/text_table.h"

#include "persistence/failure_reporter.h"
#include "values/error_codes.h"
#include "values/vector.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

#include <cmath>

namespace {

// One converted field; `ok` false when the text is not of the type.
bool convertField(const QString &field, VariableType type, Variable &out)
{
    switch (type) {
    case DOUBLE_TYPE: {
        bool ok = false;
        const double d = field.toDouble(&ok); // locale-independent
        if (ok)
            out.setDouble(d);
        return ok;
    }
    case BOOLEAN_TYPE: {
        bool ok = false;
        const int n = field.toInt(&ok);
        if (!ok || (n != 0 && n != 1))
            return false;
        out.setBoolean(n == 1);
        return true;
    }
    case STRING_TYPE:
        out.setString(String::fromQString(field));
        return true;
    default:
        return false;
    }
}

const char *typeWord(VariableType type)
{
    return type == BOOLEAN_TYPE ? "boolean" : "double";
}

bool conversionFailure(const FailureReporter &reporter, VariableType type, int row, int column)
{
    ErrorReport report;
    report.code = ERR_CANT_CONVERT_VALUE;
    report.firstNumber = row;
    report.secondNumber = column;
    report.thirdNumber = quint32(type);
    QString message = QStringLiteral("Can't convert value to %1").arg(QLatin1String(typeWord(type)));
    if (row >= 0)
        message += QStringLiteral(". Row: %1, Column: %2").arg(row).arg(column);
    return reporter.fail(message, report);
}

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
    // Strings are 8-bit text: Latin-1 maps every byte to one character and
    // back, so a table written by save_csv reads back byte for byte.
    QTextStream stream(&device);
    stream.setEncoding(QStringConverter::Latin1);
    QList<QStringList> rows;
    while (!stream.atEnd())
        rows.append(stream.readLine().split(QLatin1Char(';'), Qt::KeepEmptyParts));
    if (rows.isEmpty())
        rows.append(QStringList{QString()});

    const int columns = int(rows.first().size());
    if (rows.size() == 1 && columns == 1) {
        Variable scalar;
        if (!convertField(rows.first().first(), type, scalar))
            return conversionFailure(reporter, type, -1, -1);
        value = std::move(scalar);
        return true;
    }

    Vector result;
    if (!Vector::create(type, uint32_t(rows.size()), uint32_t(columns), result))
        return reporter.fail(QStringLiteral("Not enough memory"), ERR_NOT_ENOUGH_MEMORY);
    uint32_t index = 0;
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList &fields = rows[r];
        if (fields.size() != columns) {
            ErrorReport report;
            report.code = ERR_DIFFERENT_ROW_SIZE;
            report.firstNumber = r + 1;
            return reporter.fail(QStringLiteral("Different row size. Row: %1").arg(r + 1), report);
        }
        for (int c = 0; c < columns; ++c, ++index) {
            Variable element;
            if (!convertField(fields[c], type, element))
                return conversionFailure(reporter, type, r + 1, c + 1);
            switch (type) {
            case DOUBLE_TYPE: result.set(index, element.getDouble()); break;
            case BOOLEAN_TYPE: result.set(index, element.getBoolean()); break;
            default: result.set(index, element.getString()); break;
            }
        }
    }
    value.setVector(std::move(result));
    return true;
}

namespace {

bool openFile(QFile &file, const FailureReporter &reporter)
{
    const QString path = file.fileName();
    if (!QFileInfo::exists(path))
        return reporter.fail(QStringLiteral("File \"%1\" doesn't exists").arg(path), ERR_FILE_DOESNT_EXIST, path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
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
