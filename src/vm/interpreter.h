#pragma once

#include "library/native_frame.h"
#include "values/index_hash.h"
#include "values/list.h"
#include "engine/run_state.h"
#include "values/variable.h"
#include "vm/execution_context.h"
#include "vm/superinstructions.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class Script;
struct FunctionInfo;
struct RunState;

// Runs the byte code of a Script. One dispatch loop serves the top-level
// program, script files run from a native (nested run()) and user functions
// (a recursive call of the same loop with a fresh symbol table).
//
// Jump arithmetic, for an instruction whose last operand byte is at q:
// JUMP* with offset d lands at q + d (d = 1 is the next instruction);
// FOR_NEXT* with distance d leaves the loop to q + d + 1.
class Interpreter : public ExecutionContext {
public:
    // Deepest nesting of user-function calls; deeper recursion fails with
    // "Not enough memory" instead of overflowing the native stack.
    static constexpr int MAX_CALL_DEPTH = 1000;

    Interpreter();
    ~Interpreter() override;
    Interpreter(const Interpreter &) = delete;
    Interpreter &operator=(const Interpreter &) = delete;

    // Binds the script and runs its code: 0 on success, -1 after an error
    // report. Re-entrant: a native may run another script from inside a run;
    // the outer binding is restored afterwards.
    int run(Script *script);

    // Appends a report for `code` at the current line. `extra` is -1 or, for
    // "Undefined variable", the position of the variable to name; for
    // "Command ... available only in interactive mode" the id of the
    // function to name. "Function not found" and "Wrong parameters count"
    // name the function on top of invokeIdStack.
    void setError(quint32 code, int extra = -1);

    quint32 getLine() const { return _line; }
    void setErrorState(quint32 code, int state) { setState(code, state); }
    int getErrorState(quint32 code) const { return stateOf(code); }

    // Releases every value on the operand stack, the registers and the loop
    // records (the engine's clean up after a run).
    void clearStack();
    void releaseRegisters();
    List &stack() { return _stack; }

    // The running unit and its variable space (a user function's activation
    // while its body runs). Natives that work on variables use these.
    Script *currentScript() const { return _script; }
    IndexHash *symbols() const { return _symbols; }
    bool insideFunction() const { return _insideFunction; }
    int callDepth() const { return _callDepth; }

    // Workspace bookkeeping for the variable at `position` of the current
    // symbol table (no effect inside functions or for temporaries).
    void markChanged(int position);
    void markRemoved(int position);

    IndexHash *variables() override { return _symbols; }
    void variableChanged(int position) override { markChanged(position); }
    void variableRemoved(int position) override { markRemoved(position); }

    // Loop records still open (tests: every run must leave none behind).
    int openLoopCount() const { return int(_loops.size()); }

private:
    void abandonForMemory();
    struct LoopRecord {
        int64_t index = -1;
        int64_t count = 0;
        int variable = -1;
        int indexVariable = -1; // FOR_BEGIN_INDEXED only
        int beginPc = -1;       // offsets of its FOR_BEGIN and FOR_NEXT
        int nextPc = -1;
        Variable value;         // the iterated value
    };
    // What run() and a function call switch and restore.
    struct Binding {
        Script *script;
        IndexHash *symbols;
        bool insideFunction;
        const QString *scriptName;
        const QString *functionName;
    };

    Binding saveBinding() const;
    void restoreBinding(const Binding &binding);
    // `fused` is the dispatch copy of `code` (superinstructions.h).
    int execute(const uint8_t *code, const FusedCode &fused, int size);
    template <bool resolved>
    int runSteps(const uint32_t *dispatch, const FusedStep *steps, int n, int &pc);
    template <FusedKind kind, bool resolved>
    bool runStep(const FusedStep &step, int &next, const FusedStep *&follower);
    template <bool resolved>
    Variable &slot(Variable *resolvedSlot, int position);
    template <bool resolved>
    bool appendStep(const FusedStep &step, const Variable &y);

    bool binaryOperator(uint8_t opcode);
    bool unaryOperator(uint8_t opcode);
    bool operatorToVariable(uint8_t opcode, int position);
    bool checkDefined(int position);
    bool storeTop(int position);
    bool pushEnd(uint8_t opcode, int position);
    bool sizeOperator();
    bool beginLoop(int pc, int variable, int indexVariable);
    bool nextLoop(int pc, bool indexed, bool &finished);
    bool assignLoopVariable(LoopRecord &loop);
    int call(int functionId, int argc, CallSite *site);
    int callUserFunction(FunctionInfo &function, int argc);
    void recycleActivation(FunctionInfo &function, std::unique_ptr<IndexHash> activation);
    bool fail(quint32 code, int extra = -1);
    void markChanged(int position, const Variable &variable)
    {
        if (!_insideFunction && !variable.isTemporary())
            _runState->updateItemSet.insert(position);
    }

    List _stack;
    Variable _a;
    Variable _b;
    Variable _c; // operator results
    NativeFrame _frame;
    NativeRoutine _operators[256] = {};
    uint8_t _lengths[256] = {}; // instruction length by opcode, 0 for invalid codes
    Variable _presets[11];

    Script *_script = nullptr;
    IndexHash *_symbols = nullptr;
    bool _insideFunction = false;
    int _callDepth = 0;
    int _runDepth = 0;
    RunState *_runState;
    std::vector<LoopRecord> _loops;
    size_t _loopBase = 0; // first record of the running frame
};
