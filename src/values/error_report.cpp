#include "values/error_report.h"

#include "values/error_codes.h"
#include "values/error_table.h"
#include "values/variable_type.h"

#include <algorithm>
#include <iterator>

namespace {

// Codes whose report shows the offending variable, function, file or
// directory name after the message.
constexpr quint32 kNamedCodes[] = {
    ERR_UNDEFINED_VARIABLE,
    ERR_FUNCTION_NOT_FOUND,
    ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION,
    ERR_LOCAL_FUNCTION_NOT_FOUND,
    ERR_CANT_OPEN_DIRECTORY_TO_READ,
    ERR_CANT_OPEN_DIRECTORY_TO_WRITE,
    ERR_FILE_DOESNT_EXIST,
    ERR_NOT_A_FILE,
    ERR_CANT_REMOVE_FILE,
    ERR_CANT_REMOVE_DIRECTORY,
    ERR_CANT_CREATE_DIRECTORY,
    ERR_DIRECTORY_ALREADY_EXISTS,
    ERR_FILE_ALREADY_EXISTS,
    ERR_CANT_COPY_FILE,
    ERR_CANT_MOVE_FILE,
    ERR_DIRECTORY_DOESNT_EXIST,
    ERR_NOT_A_DIRECTORY,
    ERR_CANT_OPEN_PATH_FILE,
};

bool isNamedCode(quint32 code)
{
    return std::find(std::begin(kNamedCodes), std::end(kNamedCodes), code) != std::end(kNamedCodes);
}

QString title(int state)
{
    switch (state) {
    case IGNORE_STATE: return QStringLiteral("Ignore state");
    case WARNING_STATE: return QStringLiteral("Warning");
    case UNKNOWN_STATE: return QStringLiteral("Unknow state");
    default: return QStringLiteral("Error");
    }
}

QString valueTypeName(quint32 type)
{
    return type <= VECTOR_TYPE ? typeName(int(type)) : QStringLiteral("TYPE IS NOT IN LIST");
}

// Conversion targets extend the type names with the number bases.
QString conversionTargetName(quint32 target)
{
    static const char *const bases[] = {"bin", "oct", "dec", "hex"};
    if (target <= VECTOR_TYPE)
        return typeName(int(target));
    if (target - (VECTOR_TYPE + 1) < std::size(bases))
        return QString::fromLatin1(bases[target - (VECTOR_TYPE + 1)]);
    return QStringLiteral("TYPE IS NOT IN LIST");
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The message with its markers filled in. The multi-argument form of arg()
// substitutes in one pass, so markers inside names stay literal.
QString message(const ErrorReport &r)
{
    const QString text = ErrorTable::message(r.code);
    if (!ErrorTable::contains(r.code))
        return text;
    switch (r.code) {
    case ERR_BAD_ARGUMENT: {
        // An expected vector is reported as given "scalar", whatever was given.
        const QString given = r.secondNumber == VECTOR_TYPE ? QStringLiteral("scalar") : valueTypeName(r.thirdNumber);
        return text.arg(QString::number(qint64(r.firstNumber) + 1), r.name, valueTypeName(quint32(r.secondNumber)),
                        given);
    }
    case ERR_INTERACTIVE_ONLY:
    case ERR_LOCAL_FUNCTION_RENEWED:
        return text.arg(r.name);
    case ERR_NATIVE_FUNCTION_REPLACED:
        return text.arg(r.name, r.path);
    case ERR_USER_FUNCTION_REPLACED:
        return text.arg(r.name, r.secondText, r.path);
    default:
        return text;
    }
}

QString details(const ErrorReport &r)
{
    QString out;
    if (isNamedCode(r.code) && !r.name.isEmpty())
        out += QStringLiteral(": ") + quoted(r.name);
    switch (r.code) {
    case ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION:
        if (r.firstNumber != -1 && r.secondNumber != -1)
            out += QStringLiteral(". Given: %1; expected: %2").arg(r.firstNumber).arg(r.secondNumber);
        break;
    case ERR_CANT_CONVERT_VALUE:
        out += QStringLiteral(" to ") + conversionTargetName(r.thirdNumber);
        if (r.firstNumber != -1)
            out += QStringLiteral(". Row = %1, Column = %2").arg(r.firstNumber).arg(r.secondNumber);
        break;
    case ERR_DIFFERENT_ROW_SIZE:
        out += QStringLiteral(". Row = %1").arg(r.firstNumber);
        break;
    case ERR_SYNTAX_ERROR:
    case ERR_USER_ERROR:
    case ERR_ASSERTION_FAILED:
    case ERR_USER_WARNING:
        if (!r.name.isEmpty())
            out += QStringLiteral(": ") + quoted(r.name);
        if (!r.token.isEmpty()) {
            if (r.token == QLatin1String("\n"))
                out += QStringLiteral(": incomplete statement");
            else
                out += QStringLiteral(" near token ") + quoted(r.token);
        }
        break;
    default:
        break;
    }
    return out;
}

} // namespace

QString renderErrorReport(const ErrorReport &report)
{
    QString text = QStringLiteral("\n ") + title(report.state) + QStringLiteral(" (");
    if (report.path.isEmpty())
        text += QStringLiteral("Path: Interactive; ");
    else
        text += QStringLiteral("Path: ") + report.path + QStringLiteral("; ");
    if (!report.function.isEmpty())
        text += QStringLiteral("Function: ") + report.function + QStringLiteral("; ");
    text += QStringLiteral("Line: %1; Code: %2)\n\n   ").arg(report.line).arg(report.code);
    text += message(report);
    text += details(report);
    return text;
}
