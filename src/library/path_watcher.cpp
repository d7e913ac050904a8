#include "library/path_watcher.h"

#include "app/constants.h"
#include "app/regular_file.h"
#include "app/settings.h"
#include "language/function.h"
#include "language/parser_interface.h"
#include "language/script.h"
#include "library/function_registry.h"
#include "library/path_file.h"
#include "values/assert.h"
#include "values/error_codes.h"
#include "values/output_list.h"
#include "vm/execution_context.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <vector>

namespace {

// Scan reports carry the file they are about as their path; a context (a
// running native) supplies the line and the error states.
void report(ExecutionContext *context, quint32 code, const QString &name, const QString &path)
{
    ErrorReport r;
    r.code = code;
    r.name = name;
    r.path = path;
    r.line = context ? context->line() : 0;
    r.state = context ? context->stateOf(code) : ERROR_STATE;
    OutputList::instance().appendError(r);
}

} // namespace

PathWatcher &PathWatcher::instance()
{
    static PathWatcher watcher;
    return watcher;
}

PathWatcher::PathWatcher() = default;
PathWatcher::~PathWatcher() = default;

QStringList PathWatcher::defaultSearchPath()
{
    return {QDir::cleanPath(programDirectory())};
}

void PathWatcher::loadSearchPath(ExecutionContext *context)
{
    QStringList directories;
    const QString pathFile = PathFile::location();
    if (!QFileInfo::exists(pathFile))
        directories = defaultSearchPath();
    else if (!PathFile::read(pathFile, directories))
        report(context, ERR_CANT_OPEN_PATH_FILE, pathFile, QString());
    setSearchPath(directories, context);
}

void PathWatcher::setSearchPath(const QStringList &directories, ExecutionContext *context)
{
    _searchPath = directories;
    scan(context);
}

void PathWatcher::scan(ExecutionContext *context)
{
    // Directory records follow the path: new entries get one, entries that
    // left the path lose theirs, and every record takes its current position.
    QSet<QString> current;
    for (int order = 0; order < _searchPath.size(); ++order) {
        const QFileInfo info(_searchPath[order]);
        const QString path = info.canonicalFilePath();
        if (path.isEmpty() || !info.isDir() || current.contains(path))
            continue;
        current.insert(path);
        std::unique_ptr<DirectoryRecord> &dir = _dirHash[path];
        if (!dir) {
            dir = std::make_unique<DirectoryRecord>();
            dir->_path = path;
        }
        dir->_order = order;
    }
    for (auto it = _dirHash.begin(); it != _dirHash.end();) {
        if (current.contains(it->first)) {
            ++it;
            continue;
        }
        while (!it->second->_files.empty())
            removeFile(*it->second, it->second->_files.begin()->first);
        it = _dirHash.erase(it);
    }
    for (auto &entry : _dirHash)
        scanDirectory(*entry.second, context);
    publish(context);
}

void PathWatcher::scanDirectory(DirectoryRecord &dir, ExecutionContext *context)
{
    NUMLYRA_ASSERT(_dirHash.count(dir._path) == 1);
    // Only files: a directory called x.l is no script.
    const QFileInfoList entries =
        QDir(dir._path).entryInfoList({Numlyra::scriptFilter}, QDir::Files | QDir::Hidden, QDir::Name);
    std::map<QString, QDateTime> found;
    for (const QFileInfo &entry : entries) {
        const QString path = entry.canonicalFilePath();
        if (!path.isEmpty())
            found.emplace(path, entry.lastModified());
    }
    std::vector<QString> gone;
    for (const auto &known : dir._files)
        if (!found.count(known.first))
            gone.push_back(known.first);
    for (const QString &path : gone)
        removeFile(dir, path);
    for (const auto &[path, modified] : found) {
        auto known = dir._files.find(path);
        if (known != dir._files.end() && known->second.modified == modified)
            continue;
        addFile(dir, path, modified, context);
    }
}

void PathWatcher::addFile(DirectoryRecord &dir, const QString &path, const QDateTime &modified,
                          ExecutionContext *context)
{
    removeFile(dir, path);
    QFile file(path);
    if (!RegularFile::openForReading(file)) {
        report(context, ERR_CANT_OPEN_FILE_TO_READ, path, path);
        return;
    }
    const QByteArray text = file.readAll();
    file.close();

    auto unit = std::make_unique<Script>(path);
    if (!compileScriptText(*unit, text).accepted())
        return; // the compiler has reported why
    const QString name = QFileInfo(path).completeBaseName();
    const int id = FunctionRegistry::instance().idOf(name);
    FunctionInfo *function = id >= 0 ? unit->localFunction(id) : nullptr;
    if (!function)
        return; // the file does not define the function it is named after
    FileRecord &record = dir._files[path];
    record.modified = modified;
    record.function = function;
    record.unit = std::move(unit);
}

void PathWatcher::removeFile(DirectoryRecord &dir, const QString &path)
{
    auto it = dir._files.find(path);
    if (it == dir._files.end())
        return;
    NUMLYRA_ASSERT(dir._path == QFileInfo(path).absolutePath());
    // The function may be running (update_fn_list inside it): the registry
    // keeps the unit alive until the run is over.
    FunctionRegistry::instance().retire(std::move(it->second.unit));
    dir._files.erase(it);
}

void PathWatcher::fileRemoved(const QString &canonicalPath, ExecutionContext *context)
{
    const QString dirPath = QFileInfo(canonicalPath).absolutePath();
    auto dir = _dirHash.find(dirPath);
    if (dir == _dirHash.end() || !dir->second->_files.count(canonicalPath))
        return; // not a function file of the search path
    NUMLYRA_ASSERT(dir->second->_path == dirPath);
    removeFile(*dir->second, canonicalPath);
    publish(context);
}

void PathWatcher::publish(ExecutionContext *context)
{
    FunctionRegistry &registry = FunctionRegistry::instance();
    std::vector<UserCandidate> candidates;
    for (const auto &entry : _dirHash) {
        const DirectoryRecord &dir = *entry.second;
        for (const auto &[path, record] : dir._files) {
            UserCandidate candidate;
            candidate.id = record.function->id;
            candidate.function = record.function;
            candidate.order = dir._order;
            candidate.filePath = path;
            candidate.directory = dir._path;
            candidates.push_back(std::move(candidate));
        }
    }
    registry.rebuild(std::move(candidates), context);
}
