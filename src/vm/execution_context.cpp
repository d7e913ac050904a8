#include "vm/execution_context.h"

#include "values/error_codes.h"
#include "values/output_list.h"

ExecutionContext::ExecutionContext() = default;

void ExecutionContext::report(quint32 code)
{
    ErrorReport r;
    r.code = code;
    report(std::move(r));
}

void ExecutionContext::reportNamed(quint32 code, const QString &name)
{
    ErrorReport r;
    r.code = code;
    r.name = name;
    report(std::move(r));
}

void ExecutionContext::report(ErrorReport record)
{
    record.line = _line;
    record.path = *_scriptName;
    record.function = *_functionName;
    record.state = stateOf(record.code);
    OutputList::instance().appendError(record);
}

void ExecutionContext::badArgument(int expectedType, int givenType, int argumentIndex)
{
    ErrorReport r;
    r.code = ERR_BAD_ARGUMENT;
    r.name = _calleeName;
    r.firstNumber = argumentIndex;
    r.secondNumber = expectedType;
    r.thirdNumber = quint32(givenType);
    report(std::move(r));
}

bool ExecutionContext::checkCondition(quint32 code)
{
    const int state = stateOf(code);
    if (state == IGNORE_STATE)
        return true;
    report(code);
    return state == WARNING_STATE;
}
