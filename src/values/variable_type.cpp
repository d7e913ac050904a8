#include "values/variable_type.h"

QString typeName(int type)
{
    static const char *const names[] = {"undefined", "boolean", "integer", "double", "string", "vector"};
    if (type < 0 || type > 5)
        return QStringLiteral("TYPE IS NOT IN LIST");
    return QString::fromLatin1(names[type]);
}
