#pragma once

#include "values/error_codes.h"
#include "values/list.h"
#include "values/variable.h"
#include "vm/execution_context.h"

// What every operator routine and native receives. Operators read `a` and
// `b` (the interpreter's registers) and write `result` (the operand-stack
// slot that receives the value). Natives find their `argc` arguments on top
// of `stack`, the first deepest, and leave exactly one value in their place.
// A routine returns true on success and false after reporting one error.
struct NativeFrame {
    List &stack;
    ExecutionContext &context;
    unsigned argc = 0;
    Variable *a = nullptr;
    Variable *b = nullptr;
    Variable *result = nullptr;
    int variable = -1; // position of the instruction's variable operand

    // Argument i (0 = first) of a native call.
    Variable &arg(unsigned i) { return stack.fromTop(int(argc - 1 - i)); }
    // Replaces the arguments by `value`: written into the first argument's
    // slot after popping the others, or pushed when there were none.
    void setResult(Variable &&value)
    {
        if (argc == 0) {
            stack.push(std::move(value));
            return;
        }
        stack.pop(int(argc) - 1);
        stack.top() = std::move(value);
    }
    void dropArguments() { stack.pop(int(argc)); }
    // Reports "Wrong parameters count in function" naming the callee unless
    // argc is within [least, most]; the counts are shown only when exactly
    // one count is accepted.
    bool expectArguments(unsigned least, unsigned most)
    {
        if (argc >= least && argc <= most)
            return true;
        ErrorReport r;
        r.code = ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION;
        r.name = context.calleeName();
        if (least == most) {
            r.firstNumber = qint32(argc);
            r.secondNumber = qint32(least);
        }
        context.report(std::move(r));
        return false;
    }
    bool expectArguments(unsigned count) { return expectArguments(count, count); }
};

using NativeRoutine = bool (*)(NativeFrame &);
