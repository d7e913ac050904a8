// File and directory commands: ls pwd cd rm rmdir mkdir cp mv grep. They
// work in the interpreter's current directory; names may carry the wildcards
// * and ? where a listing is involved.

#include "app/current_directory.h"
#include "engine/run_state.h"
#include "library/command_arguments.h"
#include "library/native_definition.h"
#include "library/path_watcher.h"
#include "values/error_codes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

using namespace CommandArguments;

namespace {

const QDir::Filters kListing = QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

// All names of the arguments from `first` on; false after reporting `badCode`.
bool namesFrom(NativeFrame &frame, unsigned first, unsigned end, quint32 badCode, QStringList &names)
{
    for (unsigned i = first; i < end; ++i) {
        if (!collectNames(frame.arg(i), names)) {
            frame.context.report(badCode);
            return false;
        }
    }
    return true;
}

bool starMustBeAlone(NativeFrame &frame, const QStringList &names)
{
    if (names.size() > 1 && names.contains(QStringLiteral("*"))) {
        frame.context.report(ERR_STAR_PARAM_MUST_BE_ALONE);
        return false;
    }
    return true;
}

// Names of the current directory matching the filters, as the file system
// returns them.
QStringList matching(const QStringList &filters)
{
    return CurrentDirectory::dir().entryList(filters, kListing, QDir::Unsorted);
}

QString homeExpanded(const QString &name)
{
    return CurrentDirectory::expandHome(name);
}

bool hasWildcard(const QString &name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

// An entry of its directory: a symbolic link counts as itself, even when
// its target is missing or the links loop.
bool entryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool isLink(const QString &path)
{
    return QFileInfo(path).isSymLink();
}

// The path of a removed entry as the path watcher keys it: the real
// directory and the entry's own name (a link is not its target).
QString watchedPath(const QString &path)
{
    const QFileInfo info(path);
    return QDir(QFileInfo(info.absolutePath()).canonicalFilePath()).filePath(info.fileName());
}

// Moves a symbolic link itself; across file systems it is made anew there.
bool moveLink(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::rename(source.constData(), target.constData()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    QByteArray text(4096, '\0');
    const ssize_t length = ::readlink(source.constData(), text.data(), size_t(text.size()));
    if (length <= 0 || length >= text.size())
        return false;
    text.truncate(length);
    if (::symlink(text.constData(), target.constData()) != 0)
        return false;
    if (::unlink(source.constData()) == 0)
        return true;
    ::unlink(target.constData()); // one link, not two
    return false;
}

bool ls(NativeFrame &frame)
{
    QStringList filters;
    if (!namesFrom(frame, 0, frame.argc, ERR_BAD_LS_ARG, filters))
        return false;
    Variable result;
    if (!stringColumn(frame, matching(filters), result))
        return false;
    frame.setResult(std::move(result));
    return true;
}

bool pwd(NativeFrame &frame)
{
    if (frame.argc != 0) {
        frame.dropArguments();
        return wrongCount(frame);
    }
    frame.setResult(Variable(String::fromQString(CurrentDirectory::path())));
    return true;
}

bool cd(NativeFrame &frame)
{
    if (frame.argc > 1)
        return wrongCount(frame);
    QString target = QDir::homePath();
    if (frame.argc == 1) {
        const Variable &arg = frame.arg(0);
        if (arg.type() != STRING_TYPE) {
            frame.context.report(ERR_BAD_CD_ARG);
            return false;
        }
        target = homeExpanded(arg.getString().toQString());
    }
    const QFileInfo info(CurrentDirectory::dir(), target);
    if (!info.exists()) {
        frame.context.reportNamed(ERR_DIRECTORY_DOESNT_EXIST, target);
        return false;
    }
    if (!info.isDir()) {
        frame.context.reportNamed(ERR_NOT_A_DIRECTORY, target);
        return false;
    }
    // A directory that cannot be entered or listed would leave every later
    // command failing; refuse it here instead.
    if (!info.isExecutable() || !info.isReadable()) {
        frame.context.reportNamed(ERR_CANT_CHANGE_DIRECTORY, target);
        return false;
    }
    CurrentDirectory::setPath(info.absoluteFilePath());
    frame.setResult(Variable(String::fromQString(CurrentDirectory::path())));
    return true;
}

// The names rm works on: filters without a directory part match in the
// current directory; a name such as d/x.txt or d/*.tmp matches its last part
// in that directory (the matches keep the directory part), so that a path
// typed by the user removes what it names instead of matching nothing.
struct Candidate {
    QString name; // as reported
    QString path; // absolute
};

std::vector<Candidate> removalCandidates(const QStringList &names)
{
    QStringList local;
    std::vector<Candidate> inDirectories;
    for (const QString &name : names) {
        const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
        if (slash < 0) {
            local << name;
            continue;
        }
        const QString directory = name.left(slash + 1);
        const QString filter = name.mid(slash + 1);
        if (filter.isEmpty()) { // "d/" names a directory: removing it fails as for "rm d"
            inDirectories.push_back({name, absolutePath(homeExpanded(name))});
            continue;
        }
        const QDir dir(absolutePath(homeExpanded(directory)));
        for (const QString &match : dir.entryList({filter}, kListing, QDir::Unsorted))
            inDirectories.push_back({directory + match, QDir::cleanPath(dir.filePath(match))});
    }
    std::vector<Candidate> result;
    if (!local.isEmpty())
        for (const QString &match : matching(local))
            result.push_back({match, absolutePath(match)});
    result.insert(result.end(), inDirectories.begin(), inDirectories.end());
    return result;
}

bool rm(NativeFrame &frame)
{
    if (frame.argc == 0)
        return wrongCount(frame);
    QStringList names;
    if (!namesFrom(frame, 0, frame.argc, ERR_BAD_RM_ARG, names) || !starMustBeAlone(frame, names))
        return false;
    // A plain name that matches nothing is most likely a typo; a pattern
    // that matches nothing is not worth a report.
    QStringList missing;
    for (const QString &name : std::as_const(names))
        if (!hasWildcard(name) && !entryExists(absolutePath(homeExpanded(name))))
            missing << name;
    bool ok = true;
    bool scriptRemoved = false;
    for (const auto &[name, path] : removalCandidates(names)) {
        if (!entryExists(path)) {
            frame.context.reportNamed(ERR_FILE_DOESNT_EXIST, name);
            ok = false;
            continue;
        }
        const QString canonical = watchedPath(path);
        if (!QFile::remove(path)) {
            frame.context.reportNamed(ERR_CANT_REMOVE_FILE, name);
            ok = false;
            continue;
        }
        if (name.endsWith(QLatin1String(".l"))) {
            scriptRemoved = true;
            PathWatcher::instance().fileRemoved(canonical, &frame.context);
        }
    }
    for (const QString &name : std::as_const(missing)) {
        frame.context.reportNamed(ERR_FILE_DOESNT_EXIST, name);
        ok = false;
    }
    // A removed script file must leave the function registry.
    if (scriptRemoved)
        RunState::instance().rescanPath = true;
    if (!ok)
        return false;
    frame.setResult(Variable(true));
    return true;
}

bool mkdir(NativeFrame &frame)
{
    if (frame.argc != 1)
        return wrongCount(frame);
    const Variable &arg = frame.arg(0);
    if (arg.type() != STRING_TYPE || arg.getString().isEmpty()) {
        frame.context.report(ERR_BAD_MKDIR_ARG);
        return false;
    }
    const QString name = homeExpanded(arg.getString().toQString());
    const QFileInfo info(CurrentDirectory::dir(), name);
    if (info.isDir()) {
        frame.context.reportNamed(ERR_DIRECTORY_ALREADY_EXISTS, name);
        return false;
    }
    if (info.exists()) {
        frame.context.reportNamed(ERR_FILE_ALREADY_EXISTS, name);
        return false;
    }
    if (!CurrentDirectory::dir().mkpath(name)) {
        frame.context.reportNamed(ERR_CANT_CREATE_DIRECTORY, name);
        return false;
    }
    frame.setResult(Variable(true));
    return true;
}

bool rmdir(NativeFrame &frame)
{
    if (frame.argc != 1)
        return wrongCount(frame);
    const Variable &arg = frame.arg(0);
    if (arg.type() != STRING_TYPE || arg.getString().isEmpty()) {
        frame.context.report(ERR_BAD_RMDIR_ARG);
        return false;
    }
    const QString name = homeExpanded(arg.getString().toQString());
    const QFileInfo info(CurrentDirectory::dir(), name);
    if (!info.exists()) {
        frame.context.reportNamed(ERR_DIRECTORY_DOESNT_EXIST, name);
        return false;
    }
    if (!info.isDir()) {
        frame.context.reportNamed(ERR_NOT_A_DIRECTORY, name);
        return false;
    }
    // Only an empty directory goes: a script command must not wipe a tree.
    if (!CurrentDirectory::dir().rmdir(name)) {
        frame.context.reportNamed(ERR_CANT_REMOVE_DIRECTORY, name);
        return false;
    }
    frame.setResult(Variable(true));
    return true;
}

// cp and mv: sources (with wildcards) and a destination, the last argument.
// One source may go to a new name; several need an existing directory.
bool transfer(NativeFrame &frame, bool move)
{
    if (frame.argc < 2)
        return wrongCount(frame);
    QStringList sources;
    for (unsigned i = 0; i + 1 < frame.argc; ++i) {
        if (!collectNames(frame.arg(i), sources)) {
            frame.context.badArgument(STRING_TYPE, frame.arg(i).type(), int(i));
            return false;
        }
    }
    const Variable &destinationArg = frame.arg(frame.argc - 1);
    if (destinationArg.type() != STRING_TYPE) {
        frame.context.badArgument(STRING_TYPE, destinationArg.type(), int(frame.argc - 1));
        return false;
    }
    if (move && !starMustBeAlone(frame, sources))
        return false;
    const QString destination = homeExpanded(destinationArg.getString().toQString());
    const QFileInfo destinationInfo(CurrentDirectory::dir(), destination);
    const QStringList names = matching(sources);
    const bool intoDirectory = names.size() > 1 || sources.size() > 1 || destinationInfo.isDir();
    if (intoDirectory) {
        if (!destinationInfo.exists()) {
            frame.context.reportNamed(ERR_DIRECTORY_DOESNT_EXIST, destination);
            return false;
        }
        if (!destinationInfo.isDir()) {
            frame.context.reportNamed(ERR_NOT_A_DIRECTORY, destination);
            return false;
        }
    }
    if (names.isEmpty() && sources.size() == 1 && !hasWildcard(sources.first())) {
        frame.context.reportNamed(ERR_FILE_DOESNT_EXIST, sources.first());
        return false;
    }
    bool ok = true;
    for (const QString &name : names) {
        const QString from = absolutePath(name);
        // "mv * dir" means everything else; a directory never goes into itself.
        if (intoDirectory && from == QDir::cleanPath(destinationInfo.absoluteFilePath()))
            continue;
        const QString to = intoDirectory ? QDir(destinationInfo.absoluteFilePath()).filePath(name)
                                         : destinationInfo.absoluteFilePath();
        if (entryExists(to)) {
            frame.context.reportNamed(ERR_FILE_ALREADY_EXISTS, to);
            ok = false;
            continue;
        }
        // cp copies what a link points to; mv moves the link itself.
        const bool done = move ? (isLink(from) ? moveLink(from, to) : QFile::rename(from, to)) : QFile::copy(from, to);
        if (!done) {
            frame.context.reportNamed(move ? ERR_CANT_MOVE_FILE : ERR_CANT_COPY_FILE, name);
            ok = false;
        }
    }
    if (!ok)
        return false;
    frame.setResult(Variable(true));
    return true;
}

bool cp(NativeFrame &frame) { return transfer(frame, false); }
bool mv(NativeFrame &frame) { return transfer(frame, true); }

// grep(lines, pattern): the lines (a string, split at line feeds, or a
// string vector) that contain a match of the regular expression, as a
// column. In a pipeline the lines are the output of the command before.
bool grep(NativeFrame &frame)
{
    if (frame.argc != 2)
        return wrongCount(frame);
    QStringList lines;
    const Variable &source = frame.arg(0);
    if (source.type() == STRING_TYPE) {
        lines = source.getString().toQString().split(QLatin1Char('\n'));
    } else if (!collectNames(source, lines)) {
        frame.context.badArgument(STRING_TYPE, source.type(), 0);
        return false;
    }
    const Variable &patternArg = frame.arg(1);
    if (patternArg.type() != STRING_TYPE) {
        frame.context.badArgument(STRING_TYPE, patternArg.type(), 1);
        return false;
    }
    const QRegularExpression pattern(patternArg.getString().toQString());
    if (!pattern.isValid()) {
        frame.context.badArgument(STRING_TYPE, patternArg.type(), 1);
        return false;
    }
    QStringList matches;
    for (const QString &line : std::as_const(lines))
        if (pattern.match(line).hasMatch())
            matches << line;
    Variable result;
    if (!stringColumn(frame, matches, result))
        return false;
    frame.setResult(std::move(result));
    return true;
}

const NativeDefinition kFileNatives[] = {
    {"ls", ls}, {"pwd", pwd}, {"cd", cd}, {"rm", rm}, {"rmdir", rmdir},
    {"mkdir", mkdir}, {"cp", cp}, {"mv", mv}, {"grep", grep},
};

} // namespace

std::span<const NativeDefinition> fileNatives()
{
    return kFileNatives;
}
