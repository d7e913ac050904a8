#pragma once

#include "values/index_hash.h"
#include "values/variable.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

struct FunctionInfo;

// One compiled unit: the interactive session, a script file or a user
// function. It owns its code, constants, symbol table and local functions;
// the compile-time state of the one-pass compiler lives here as well.
class Script {
public:
    explicit Script(const QString &fileName = QString(), Script *parent = nullptr);
    ~Script();
    Script(const Script &) = delete;
    Script &operator=(const Script &) = delete;

    // --- what the interpreter reads ---
    const uint8_t *code() const { return _code.data(); }
    int codeSize() const { return int(_code.size()); }
    const Variable &constant(uint32_t index) const { return _constants[index]; }
    int constantCount() const { return int(_constants.size()); }
    IndexHash &symbols() { return _symbols; }
    const IndexHash &symbols() const { return _symbols; }
    // The script's path; empty for the interactive script.
    const QString &fileName() const { return _fileName; }
    Script *parent() const { return _parent; }
    // A local function defined in this unit, or nullptr.
    FunctionInfo *localFunction(int functionId) const;
    // Numbers of the functions defined here, in order of first definition.
    const std::vector<int> &definedFunctions() const { return _definedFunctions; }
    // For a function body: its information record; nullptr otherwise.
    FunctionInfo *functionInfo() const { return _functionInfo; }
    bool insideFunction() const { return _insideFunction; }
    int firstLine() const { return _firstLine; }

protected:
    std::vector<uint8_t> _code;
    std::vector<Variable> _constants;
    IndexHash _symbols;
    QString _fileName;
    Script *_parent = nullptr;
    QHash<int, FunctionInfo *> _localFunctions; // owned
    std::vector<int> _definedFunctions;
    FunctionInfo *_functionInfo = nullptr;
    bool _insideFunction = false;
    int _firstLine = 1;
};
