#include "library/path_functions.h"

#include "library/command_arguments.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A user's file name as the file commands read it: a leading "~" is the
// home directory, and a relative name is taken from the current directory.
QFileInfo resolvedName(const String &name)
{
    QString path = name.toQString();
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path.replace(0, 1, QDir::homePath());
    return QFileInfo(CommandArguments::absolutePath(path));
}

// One string argument; an empty name names nothing.
template <bool (*Test)(const QFileInfo &)>
bool pathPredicate(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &name = frame.arg(0);
    if (name.type() != STRING_TYPE) {
        frame.context.badArgument(STRING_TYPE, name.type(), 0);
        return false;
    }
    const bool answer = !name.getString().isEmpty() && Test(resolvedName(name.getString()));
    frame.setResult(Variable(answer));
    return true;
}

bool isFile(const QFileInfo &info)
{
    return info.isFile();
}

bool isDir(const QFileInfo &info)
{
    return info.isDir();
}

bool exists(const QFileInfo &info)
{
    return info.exists();
}

} // namespace

bool isFileNative(NativeFrame &frame)
{
    return pathPredicate<isFile>(frame);
}

bool isDirNative(NativeFrame &frame)
{
    return pathPredicate<isDir>(frame);
}

bool pathExistsNative(NativeFrame &frame)
{
    return pathPredicate<exists>(frame);
}
