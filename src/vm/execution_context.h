#pragma once

#include "values/error_report.h"

#include <QHash>
#include <QString>

#include <atomic>

class IndexHash;

// What operator and native routines see of the running program: where they
// are (line, script path, function), the error-state table, and one way to
// report. The Interpreter is an ExecutionContext; tests use a bare one.
class ExecutionContext {
public:
    ExecutionContext();
    virtual ~ExecutionContext() = default;

    // Error states: IGNORE_STATE, WARNING_STATE, ERROR_STATE (the default).
    int stateOf(quint32 code) const { return _errorStates.value(code, ERROR_STATE); }
    void setState(quint32 code, int state) { _errorStates.insert(code, state); }

    // Appends a report for `code` at the current line, script and function.
    void report(quint32 code);
    void reportNamed(quint32 code, const QString &name);
    // Fills line, path, function and state of a prepared record, then appends it.
    void report(ErrorReport record);
    // "Bad argument #%1 in function "%2". Expect %3, given %4" for the
    // function being called.
    void badArgument(int expectedType, int givenType, int argumentIndex);
    // For a numeric condition such as "Divide by zero": ignore -> true,
    // warning -> report and true, error -> report and false.
    bool checkCondition(quint32 code);

    quint32 line() const { return _line; }
    void setLine(quint32 line) { _line = line; }
    const QString &scriptName() const { return *_scriptName; }
    // The user function whose code is running; empty at script level.
    const QString &functionName() const { return *_functionName; }
    // The function being called by the current CALL (natives name it in reports).
    const QString &calleeName() const { return _calleeName; }
    void setCalleeName(const QString &name) { _calleeName = name; }

    // The variable space of the running code, for the natives that list,
    // show or remove variables; a bare context has none unless a test
    // gives it one.
    virtual IndexHash *variables() { return _variables; }
    void setVariables(IndexHash *variables) { _variables = variables; }
    // Workspace bookkeeping after a native changed or removed a variable.
    virtual void variableChanged(int position) { (void)position; }
    virtual void variableRemoved(int position) { (void)position; }

    // The only value written across threads during a run.
    void terminate() { _stop.store(true, std::memory_order_relaxed); }
#ifdef NUMLYRA_INSTRUCTION_BUDGET
    // Fuzzing builds: every look at the flag counts as one instruction and
    // the spent budget sets the flag, so an endless program ends like a
    // stopped one. 0: no budget.
    bool stopRequested() const
    {
        if (_budget > 0 && --_budget == 0)
            const_cast<ExecutionContext *>(this)->terminate();
        return _stop.load(std::memory_order_relaxed);
    }
    void setInstructionBudget(long budget) { _budget = budget; }
#else
    bool stopRequested() const { return _stop.load(std::memory_order_relaxed); }
#endif
    void clearStop() { _stop.store(false, std::memory_order_relaxed); }

protected:
    QHash<quint32, int> _errorStates;
    quint32 _line = 1;
    // Names of the running code, kept where that code lives (a call switches
    // two pointers, not two reference counts) or in the own copies below.
    const QString *_scriptName = &_ownScriptName;
    const QString *_functionName = &_ownFunctionName;
    QString _ownScriptName;
    QString _ownFunctionName;
    QString _calleeName;
    std::atomic<bool> _stop{false};
#ifdef NUMLYRA_INSTRUCTION_BUDGET
    mutable long _budget = 0;
#endif
    IndexHash *_variables = nullptr;
};
