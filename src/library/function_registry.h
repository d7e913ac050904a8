#pragma once

#include "library/native_frame.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class ExecutionContext;
class Script;
struct FunctionInfo;

// A user function found on the search path, as the path watcher offers it.
struct UserCandidate {
    int id = -1;                      // registry number of the name
    FunctionInfo *function = nullptr; // owned by the watcher's file record
    int order = 0;                    // position of its directory in the search path
    QString filePath;                 // canonical path of the file
    QString directory;                // canonical path of the directory
};

// Every function a script can call, found by name: the native table, the
// 16-bit function ids the compiled code uses, the candidates found on the
// search path, and the two command-word sets of the scanner and of the
// continuation logic. One per process.
//
// Each name keeps its candidates sorted: user functions before the native,
// a directory earlier in the search path first, then the smaller file path.
// The first candidate is the active one.
class FunctionRegistry {
public:
    static FunctionRegistry &instance();

    // Fills the native table (idempotent). Called once at start-up.
    void registerNatives();

    // The id of a name, handed out on first use and never reused; -1 once
    // all 65535 are taken.
    int idOf(const QString &name);
    // The id of a name that has one, -1 otherwise (allocates nothing).
    int findId(const QString &name) const;
    // The name of an id ("" for an unknown id).
    QString nameOf(int id) const;

    // The active candidate of an id: the native routine (nullptr when the
    // active candidate is a user function or there is none) ...
    NativeRoutine nativeRoutine(int id) const
    {
        return id >= 0 && size_t(id) < _active.size() ? _active[size_t(id)].native : nullptr;
    }
    // ... or the user function found on the search path (nullptr otherwise).
    FunctionInfo *userFunction(int id) const
    {
        return id >= 0 && size_t(id) < _active.size() ? _active[size_t(id)].user : nullptr;
    }
    // The active user function's candidate record, nullptr when the native
    // (or nothing) is active.
    const UserCandidate *activeCandidate(int id) const;
    // True when the name has a native or a user function.
    bool exists(const QString &name) const;
    // The registered natives in registration order.
    QStringList nativeNames() const;
    // Every user-function candidate, by name and then in candidate order.
    std::vector<UserCandidate> userCandidates() const;

    // Replaces all user-function candidates by `candidates` (the watcher's
    // complete list after a scan), sorts every name's list, makes the first
    // entry active and reports each replacement as a warning. `context`
    // supplies the error states and the line; nullptr means the defaults.
    void rebuild(std::vector<UserCandidate> candidates, ExecutionContext *context);

    // The unit whose functions count as local (the interactive session).
    void setSessionScript(Script *script) { _session = script; }
    Script *sessionScript() const { return _session; }

    // A function file or a local function taken out while code may still be
    // running in it; kept until the engine's clean-up after the run.
    void retire(std::unique_ptr<Script> unit);
    void retire(std::unique_ptr<FunctionInfo> function);
    void releaseRetired();

    // Names allowed in command syntax at the start of a statement.
    bool isCommandWord(const QString &name) const;
    // The command words in table order (the editor colours them).
    QStringList commandWords() const;
    // Commands whose value the continuation logic treats as a result.
    bool isValueCommand(const QString &name) const;

private:
    FunctionRegistry();
    ~FunctionRegistry();

    // Per id: what CALL finds. Kept apart from the candidate lists so the
    // call path reads one small array.
    struct Active {
        NativeRoutine native = nullptr;
        FunctionInfo *user = nullptr;
    };
    std::vector<Active> _active;
    Script *_session = nullptr;
};
