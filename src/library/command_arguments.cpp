#include "library/command_arguments.h"

#include "app/current_directory.h"
#include "values/error_codes.h"

#include <QDir>

namespace CommandArguments {

bool collectNames(const Variable &value, QStringList &names)
{
    if (value.type() == STRING_TYPE) {
        names << value.getString().toQString();
        return true;
    }
    if (value.type() != VECTOR_TYPE)
        return false;
    const Vector &vector = value.getVector();
    if (vector.isEmpty())
        return true;
    if (vector.type() != STRING_TYPE)
        return false;
    for (uint32_t i = 0; i < vector.count(); ++i)
        names << vector.getString(i).toQString();
    return true;
}

bool stringColumn(NativeFrame &frame, const QStringList &names, Variable &out)
{
    if (names.isEmpty()) {
        out.setVector(Vector());
        return true;
    }
    Vector column;
    if (!Vector::create(STRING_TYPE, uint32_t(names.size()), 1, column)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    for (int i = 0; i < names.size(); ++i)
        column.set(uint32_t(i), String::fromQString(names[i]));
    out.setVector(std::move(column));
    return true;
}

QString absolutePath(const QString &name)
{
    return QDir::cleanPath(CurrentDirectory::dir().absoluteFilePath(name));
}

bool wrongCount(NativeFrame &frame)
{
    frame.context.report(ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION);
    return false;
}

} // namespace CommandArguments
