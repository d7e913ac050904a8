#include "library/path_functions.h"

#include "library/command_arguments.h"
#include "library/native_definition.h"
#include "library/path_file.h"
#include "library/path_watcher.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <set>

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

// --- the search path ---

// A search-path entry as given: "~" is the home directory, a relative name
// is taken from the current directory.
QString searchPathEntry(const QString &name)
{
    return resolvedName(String::fromQString(name)).absoluteFilePath();
}

// The optional second parameter of set_path and add_path: 0 the
// directories alone, 1 with all their subfolders.
bool withSubfoldersType(NativeFrame &frame)
{
    if (frame.argc < 2 || frame.arg(1).type() == DOUBLE_TYPE)
        return true;
    frame.context.report(ERR_BAD_SET_PATH_SECOND_PARAMETER);
    return false;
}

bool withSubfoldersValue(NativeFrame &frame, bool &with)
{
    with = false;
    if (frame.argc < 2)
        return true;
    const double flag = frame.arg(1).getDouble();
    if (flag != 0 && flag != 1) {
        frame.context.report(ERR_BAD_SET_PATH_SECOND_PARAMETER);
        return false;
    }
    with = flag == 1;
    return true;
}

// Appends the directories (and their subfolders) that are not yet listed.
void appendEntries(const QStringList &names, bool withSubfolders, QStringList &path)
{
    for (const QString &name : names) {
        const QString top = searchPathEntry(name);
        const QStringList entries = withSubfolders ? PathFile::withSubfolders(top) : QStringList{top};
        for (const QString &entry : entries)
            if (!path.contains(entry))
                path << entry;
    }
}

bool containsEmpty(NativeFrame &frame, const QStringList &names)
{
    for (const QString &name : names) {
        if (name.isEmpty()) {
            frame.context.report(ERR_EMPTY_STRING);
            return true;
        }
    }
    return false;
}

VariableType elementType(const Variable &v)
{
    return v.type() == VECTOR_TYPE ? v.getVector().type() : v.type();
}

// path(): the search path, one directory per row.
bool pathList(NativeFrame &frame)
{
    if (!frame.expectArguments(0))
        return false;
    Variable out;
    if (!CommandArguments::stringColumn(frame, PathWatcher::instance().searchPath(), out))
        return false;
    frame.setResult(std::move(out));
    return true;
}

// set_path(dirs [, 0 or 1]): dirs is a string or a vector of strings.
bool setPath(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 2))
        return false;
    QStringList names;
    if (!CommandArguments::collectNames(frame.arg(0), names)) {
        frame.context.badArgument(STRING_TYPE, elementType(frame.arg(0)), 0);
        return false;
    }
    bool withSubfolders = false;
    if (!withSubfoldersType(frame) || containsEmpty(frame, names) || !withSubfoldersValue(frame, withSubfolders))
        return false;
    QStringList path;
    appendEntries(names, withSubfolders, path);
    PathWatcher::instance().setSearchPath(path, &frame.context);
    frame.setResult(Variable(true));
    return true;
}

// add_path(dir [, 0 or 1]): appended behind the directories already searched.
bool addPath(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 2))
        return false;
    const Variable &dir = frame.arg(0);
    if (dir.type() != STRING_TYPE) {
        frame.context.badArgument(STRING_TYPE, dir.type(), 0);
        return false;
    }
    const QStringList names{dir.getString().toQString()};
    bool withSubfolders = false;
    if (!withSubfoldersType(frame) || containsEmpty(frame, names) || !withSubfoldersValue(frame, withSubfolders))
        return false;
    QStringList path = PathWatcher::instance().searchPath();
    appendEntries(names, withSubfolders, path);
    PathWatcher::instance().setSearchPath(path, &frame.context);
    frame.setResult(Variable(true));
    return true;
}

// rm_path(indices): zero-based positions in the search path; all are
// checked before any entry goes.
bool rmPath(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &arg = frame.arg(0);
    if (elementType(arg) != DOUBLE_TYPE && !arg.isEmptyVector()) {
        frame.context.badArgument(DOUBLE_TYPE, elementType(arg), 0);
        return false;
    }
    std::vector<double> indices;
    if (arg.type() == DOUBLE_TYPE) {
        indices.push_back(arg.getDouble());
    } else {
        const Vector &v = arg.getVector();
        for (uint32_t i = 0; i < v.count(); ++i)
            indices.push_back(v.getDouble(i));
    }
    if (indices.empty()) {
        frame.context.report(ERR_EMPTY_VECTOR);
        return false;
    }
    QStringList path = PathWatcher::instance().searchPath();
    std::set<int, std::greater<int>> doomed;
    for (double index : indices) {
        const double k = std::floor(index);
        if (!(k >= 0)) {
            frame.context.report(ERR_WRONG_INDEX);
            return false;
        }
        if (k >= path.size()) {
            frame.context.report(ERR_INDEX_OUT_OF_BOUNDS);
            return false;
        }
        doomed.insert(int(k));
    }
    for (int k : doomed)
        path.removeAt(k);
    PathWatcher::instance().setSearchPath(path, &frame.context);
    frame.setResult(Variable(true));
    return true;
}

const NativeDefinition kPathNatives[] = {
    {"path", pathList},
    {"set_path", setPath},
    {"add_path", addPath},
    {"rm_path", rmPath},
};

} // namespace

std::span<const NativeDefinition> pathNatives()
{
    return kPathNatives;
}

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
