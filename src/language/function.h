#pragma once

#include "values/index_hash.h"
#include "values/string.h"
#include "vm/superinstructions.h"

#include <QDateTime>

#include <QString>

#include <memory>
#include <vector>

class Script;

// A compiled user function, kept in the defining unit's table of local
// functions (or by the path watcher for a function file).
struct FunctionInfo {
    enum Kind { NATIVE_FUNCTION_TYPE = 0, USER_FUNCTION_TYPE = 1 };

    Kind kind = USER_FUNCTION_TYPE;
    int id = -1;             // registry number of the name
    String name;
    int parameterCount = 0;  // as declared: `function h(a, a)` counts two
    std::unique_ptr<Script> script; // the compiled body, owned
    int symbolCount = 0;
    IndexHash symbols;       // the body's symbol table at the end of the definition
    QDateTime timeStamp;
    // Symbol tables of returned calls, reset to `symbols` and kept for the
    // next call: a call then neither allocates nor copies names. Recursion
    // takes several; only the interpreter's thread touches them.
    std::vector<std::unique_ptr<IndexHash>> spareActivations;
    QString nameText;        // `name` as text for reports, made on the first call
    FusedCode fusedCode;     // the body's dispatch copy, made on the first call

    FunctionInfo();
    ~FunctionInfo();
};
