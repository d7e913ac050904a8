#include "language/script.h"

#include "language/function.h"

FunctionInfo::FunctionInfo() = default;
FunctionInfo::~FunctionInfo() = default;

Script::Script(const QString &fileName, Script *parent) : _fileName(fileName), _parent(parent) {}

Script::~Script()
{
    qDeleteAll(_localFunctions);
}

FunctionInfo *Script::localFunction(int functionId) const
{
    return _localFunctions.value(functionId, nullptr);
}
