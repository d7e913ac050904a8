#include "language/script.h"

#include "language/function.h"
#include "vm/call_targets.h"

// A function that appears or goes away may change what a call finds.
FunctionInfo::FunctionInfo()
{
    callTargetsChanged();
}

FunctionInfo::~FunctionInfo()
{
    callTargetsChanged();
}

Script::Script(const QString &fileName, Script *parent) : _fileName(fileName), _parent(parent) {}

Script::~Script()
{
    qDeleteAll(_localFunctions);
}

FunctionInfo *Script::localFunction(int functionId) const
{
    return _localFunctions.value(functionId, nullptr);
}

std::unique_ptr<FunctionInfo> Script::takeLocalFunction(int functionId)
{
    callTargetsChanged();
    return std::unique_ptr<FunctionInfo>(_localFunctions.take(functionId));
}

void Script::resetCompileState()
{
    _code.clear();
    _constants.clear();
    _compile = CompileState();
}
