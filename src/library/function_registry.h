#pragma once

#include "library/native_frame.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

struct FunctionInfo;

// Every function a script can call, found by name: the native table, the
// 16-bit function ids the compiled code uses, the candidates found on the
// search path, and the two command-word sets of the scanner and of the
// continuation logic. One per process.
class FunctionRegistry {
public:
    static FunctionRegistry &instance();

    // Fills the native table (idempotent). Called once at start-up.
    void registerNatives();

    // The id of a name, handed out on first use and never reused.
    int idOf(const QString &name);
    // The name of an id ("" for an unknown id).
    QString nameOf(int id) const;

    // The active candidate of an id: the native routine (nullptr when the
    // active candidate is a user function or there is none) ...
    NativeRoutine nativeRoutine(int id) const;
    // ... or the user function found on the search path (nullptr otherwise).
    FunctionInfo *userFunction(int id) const;
    bool exists(const QString &name) const;
    // The registered natives in registration order.
    QStringList nativeNames() const;

    // Names allowed in command syntax at the start of a statement.
    bool isCommandWord(const QString &name) const;
    // Commands whose value the continuation logic treats as a result.
    bool isValueCommand(const QString &name) const;

private:
    FunctionRegistry();
};
