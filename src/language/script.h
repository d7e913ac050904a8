#pragma once

#include "language/statement_type.h"
#include "values/index_hash.h"
#include "values/variable.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

struct FunctionInfo;

// Everything the one-pass compiler keeps while it fills a Script: the stacks
// that carry information between grammar reductions and the bookkeeping of
// line instructions. Reset before each interactive parse.
struct CompileState {
    struct Selection { int offset; int kind; };      // pending condition jump; kind 1 if, 2 while, 3 for
    struct Loop {
        int start = 0;
        int continueTarget = -1;
        std::vector<int> breaks;
        std::vector<int> continues;
        std::vector<uint8_t> stepCode;               // C-style for: the step, moved behind the body
    };
    struct Switch {
        std::vector<int> noMatch, endOfBody, testStarts, valueMatch;
        int defaultOffset = -1;
        bool hasLabel = false;
    };
    struct Index { int id; int position; bool open; std::vector<int> ends; };
    struct Matrix { int elements; int rows; bool sawRowSeparator; bool savedNewlinesIgnored; };
    struct Call { int argumentCount; int id; };
    struct Temporary { int id; int number; };

    std::vector<int> idStack;
    // New names met once the symbol table is full; an id of kMaxSymbols + i
    // on idStack names overflowNames[i]. Such a name may still be called
    // (a command, a function) but not used as a variable.
    std::vector<QString> overflowNames;
    std::vector<Temporary> tempIdStack;
    std::vector<int> printIdStack;
    bool justAssigned = false;
    std::vector<int> operatorStack;
    std::vector<StatementType> statementStack;
    std::vector<Selection> selectionList;
    std::vector<Loop> loopList;
    std::vector<Switch> switchList;
    std::vector<Index> indexStack;
    std::vector<Matrix> matrixList;
    std::vector<Call> callStack;

    uint32_t line = 1;
    int64_t lastLineWritten = 1;     // the line the interpreter will be on after the code so far
    int lastLineSetOffset = -1;      // offset of the last LINE_SET16/32
    int lastAdvanceOffset = -1;      // offset of the last LINE_INC / LINE_ADDn

    bool valid = true;
    bool lineNumbering = true;
    bool newlinesIgnored = true;
    bool functionNameFlag = false;

    int cacheKind = 0;               // last constant made: 0 none, 1 double, 2 integer
    double cacheDouble = 0;
    int32_t cacheInteger = 0;
    int cacheIndex = -1;

    bool tokenRecorded = false;
    QByteArray offendingToken;       // text of the token at which a syntax error was found

    std::unique_ptr<FunctionInfo> pendingFunction; // a function definition being compiled into this Script
};

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
    void setParent(Script *parent) { _parent = parent; }
    // A local function defined in this unit, or nullptr.
    FunctionInfo *localFunction(int functionId) const;
    // Takes a local function out of this unit (the caller owns it); nullptr when absent.
    std::unique_ptr<FunctionInfo> takeLocalFunction(int functionId);
    // Numbers of the functions defined here, in order of first definition.
    const std::vector<int> &definedFunctions() const { return _definedFunctions; }
    // For a function body: its information record; nullptr otherwise.
    FunctionInfo *functionInfo() const { return _functionInfo; }
    bool insideFunction() const { return _insideFunction; }
    int firstLine() const { return _firstLine; }

    // --- compile state ---
    // Empties code, constants and every compile stack; keeps the symbol table
    // and the local functions.
    void resetCompileState();
    CompileState &compileState() { return _compile; }
    const CompileState &compileState() const { return _compile; }
    // False once a compile error was reported for this unit.
    bool isValid() const { return _compile.valid; }
    // The innermost open construct, NO_STATEMENT when none is open.
    StatementType topStatement() const
    {
        return _compile.statementStack.empty() ? NO_STATEMENT : _compile.statementStack.back();
    }
    bool statementStackEmpty() const { return _compile.statementStack.empty(); }
    uint32_t currentLine() const { return _compile.line; }
    QString offendingToken() const { return QString::fromLatin1(_compile.offendingToken); }

protected:
    friend class Compiler;

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
    CompileState _compile;
};
