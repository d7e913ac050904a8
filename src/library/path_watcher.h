#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class ExecutionContext;
class Script;
struct FunctionInfo;

// Keeps the user functions of the search path in step with the files on
// disk. It polls: a scan runs at start-up, after a change of the search path
// and on update_fn_list; rm reports a removed file directly. Every scan ends
// with a rebuild of the registry's candidate lists.
//
// A file f.l contributes the function f it defines; other functions in the
// file are helpers that only f (and they themselves) can call, and
// statements outside any definition are not run.
class PathWatcher {
public:
    static PathWatcher &instance();

    // The search path: absolute directory names in search order.
    const QStringList &searchPath() const { return _searchPath; }
    // Reads the path file of the program directory (one directory per line,
    // trimmed, empty lines skipped) and scans. Without a path file the
    // program directory itself is searched.
    void loadSearchPath(ExecutionContext *context);
    // Replaces the search path and scans.
    void setSearchPath(const QStringList &directories, ExecutionContext *context);
    // Brings every directory of the search path up to date.
    void scan(ExecutionContext *context);
    // A file was deleted; its function leaves the registry if it had one.
    void fileRemoved(const QString &canonicalPath, ExecutionContext *context);

    // The search path used when the program directory has no path file.
    static QStringList defaultSearchPath();

private:
    PathWatcher();
    ~PathWatcher();

    struct FileRecord {
        QDateTime modified;
        std::unique_ptr<Script> unit; // the compiled file; owns the function
        FunctionInfo *function = nullptr;
    };
    struct DirectoryRecord {
        QString _path; // canonical
        int _order = 0;
        std::map<QString, FileRecord> _files; // by canonical file path
    };

    void scanDirectory(DirectoryRecord &dir, ExecutionContext *context);
    void addFile(DirectoryRecord &dir, const QString &path, const QDateTime &modified, ExecutionContext *context);
    void removeFile(DirectoryRecord &dir, const QString &path);
    void publish(ExecutionContext *context);

    std::map<QString, std::unique_ptr<DirectoryRecord>> _dirHash; // by canonical directory path
    QStringList _searchPath;
};
