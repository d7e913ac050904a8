#include "library/function_registry.h"

#include "language/function.h"
#include "language/script.h"
#include "library/native_definition.h"
#include "values/assert.h"
#include "values/error_codes.h"
#include "values/output_list.h"
#include "vm/call_targets.h"
#include "vm/execution_context.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <span>

namespace {

// The words the scanner accepts at the start of a statement for command syntax.
const char *const kCommandWords[] = {
    "edit", "vim", "view", "ls", "pwd", "cd", "run", "load", "merge", "save",
    "clear", "rm_fn", "exists", "fn_exists", "clc", "cls", "quit", "exit", "rm",
    "rmdir", "mkdir", "who", "whos", "which", "cp", "mv", "grep", "grid",
    "format", "disp", "editrc", "vimrc", "viewrc", "tee", "prefs", "path",
    "printer",
};

// Commands whose value counts as a result for statement continuation.
const char *const kValueCommands[] = {
    "who", "whos", "which", "cd", "ls", "pwd", "save", "exists", "fn_exists",
    "rm", "mkdir", "rmdir", "cp", "mv", "grep", "path",
};

// Every native name in registration order (aliases included). A name is
// registered only when a family below provides its routine.
const char *const kNativeOrder[] = {
    "sin", "cos", "tan", "cot", "sec", "csc", "asin", "acos", "atan", "acot", "asec", "acsc",
    "sinh", "cosh", "tanh", "coth", "sech", "csch", "asinh", "acosh", "atanh", "acoth", "asech", "acsch",
    "sqrt", "cbrt", "abs", "exp", "pow2", "pow10", "log", "log2", "log10",
    "zeros", "ones", "eye", "mtrue", "mfalse", "size", "rand", "randi", "length",
    "sum", "sumsq", "prod", "mean",
    "d2r", "r2d", "reshape", "sign",
    "any", "all", "is_inf", "is_nan", "min", "max",
    "sc", "cs", "diag", "dot", "cross", "hypot", "lpart", "rpart", "part",
    "fact", "ceil", "fix", "floor", "round", "count", "mod", "rem", "find", "is_odd", "is_even",
    "inf", "nan",
    "save_csv", "load_csv",
    "edit", "vim", "view", "ls", "pwd", "cd", "run", "load", "merge", "save", "clear", "exists",
    "fn_exists", "clc", "cls", "quit", "exit", "rm", "rmdir", "mkdir", "who", "whos", "cp", "mv",
    "grep", "print", "disp", "format", "editrc", "vimrc", "viewrc", "tee", "tee_rc", "set_tee_rc",
    "tee_cc", "set_tee_cc", "prefs", "printer",
    "plot", "bar", "pie", "title", "labels", "grid", "xlabel", "ylabel", "baseline",
    "inv", "rank", "det",
    "path", "set_path", "add_path", "rm_path", "fn_list", "which", "update_fn_list", "rm_fn",
    "assert", "error", "warning", "set_div_by_zero_state", "set_res_is_nan_state", "set_res_is_inf_state",
    "is_line", "is_row", "is_column", "is_file", "is_dir", "path_exists", "is_vector", "is_scalar",
    "is_empty", "is_double", "is_string", "is_bool",
    "left", "right", "strpos", "strcont", "trimmed", "toupper", "tolower",
    "bool2num", "bool2str", "num2bool", "num2str", "str2bool", "str2num",
    "bin2oct", "bin2dec", "bin2hex", "oct2bin", "oct2dec", "oct2hex", "dec2bin", "dec2oct",
    "dec2hex", "hex2bin", "hex2oct", "hex2dec",
    "memory_limit",
};

// The families linked into the program; a family joins this list when it lands.
using FamilyTable = std::span<const NativeDefinition> (*)();
const FamilyTable kFamilies[] = {
    elementaryMathNatives, reductionNatives, filledArrayNatives,
    csvNatives, fileNatives, errorNatives, variableNatives, stringNatives,
    commandNatives, teeNatives, registryNatives, pathNatives, arrayNatives, matrixNatives, graphNatives,
};

// Everything but the call path's table of active candidates.
struct RegistryData {
    QHash<QString, int> ids;
    std::vector<QString> names;
    QSet<QString> commandWords;
    QSet<QString> valueCommands;
    std::vector<NativeRoutine> natives;              // by id: the native candidate, never removed
    std::vector<std::vector<UserCandidate>> users;   // by id: the user candidates, sorted
    QStringList nativeNames;                         // in registration order
    std::vector<std::unique_ptr<Script>> retiredUnits;
    std::vector<std::unique_ptr<FunctionInfo>> retiredFunctions;
};

RegistryData &data()
{
    static RegistryData d;
    return d;
}

// An earlier directory wins; within one directory the smaller path.
bool precedes(const UserCandidate &a, const UserCandidate &b)
{
    if (a.order != b.order)
        return a.order < b.order;
    return a.filePath < b.filePath;
}

void reportReplacement(ExecutionContext *context, quint32 code, const QString &name, const QString &winner,
                       const QString &loser)
{
    ErrorReport r;
    r.code = code;
    r.name = name;
    r.path = winner;
    r.secondText = loser;
    r.state = context ? context->stateOf(code) : WARNING_STATE;
    r.line = context ? context->line() : 0;
    if (r.state != IGNORE_STATE)
        OutputList::instance().appendError(r);
}

} // namespace

FunctionRegistry &FunctionRegistry::instance()
{
    static FunctionRegistry registry;
    return registry;
}

FunctionRegistry::FunctionRegistry()
{
    RegistryData &d = data();
    for (const char *word : kCommandWords)
        d.commandWords.insert(QString::fromLatin1(word));
    for (const char *word : kValueCommands)
        d.valueCommands.insert(QString::fromLatin1(word));
}

FunctionRegistry::~FunctionRegistry() = default;

int FunctionRegistry::idOf(const QString &name)
{
    RegistryData &d = data();
    auto it = d.ids.constFind(name);
    if (it != d.ids.constEnd())
        return it.value();
    const int id = int(d.names.size());
    if (id >= 65535)
        return -1; // ids are 16-bit and never reused
    d.ids.insert(name, id);
    d.names.push_back(name);
    d.natives.push_back(nullptr);
    d.users.emplace_back();
    _active.emplace_back();
    return id;
}

int FunctionRegistry::findId(const QString &name) const
{
    return data().ids.value(name, -1);
}

QString FunctionRegistry::nameOf(int id) const
{
    const RegistryData &d = data();
    if (id < 0 || id >= int(d.names.size()))
        return QString();
    return d.names[size_t(id)];
}

bool FunctionRegistry::isCommandWord(const QString &name) const
{
    return data().commandWords.contains(name);
}

QStringList FunctionRegistry::commandWords() const
{
    QStringList words;
    for (const char *word : kCommandWords)
        words << QString::fromLatin1(word);
    return words;
}

bool FunctionRegistry::isValueCommand(const QString &name) const
{
    return data().valueCommands.contains(name);
}

void FunctionRegistry::registerNatives()
{
    RegistryData &d = data();
    if (!d.nativeNames.isEmpty())
        return;
    QHash<QString, NativeRoutine> available;
    for (FamilyTable family : kFamilies)
        for (const NativeDefinition &definition : family())
            available.insert(QString::fromLatin1(definition.name), definition.routine);
    for (const char *name : kNativeOrder) {
        const QString key = QString::fromLatin1(name);
        const NativeRoutine routine = available.value(key);
        if (!routine)
            continue;
        const int id = idOf(key);
        d.natives[size_t(id)] = routine;
        if (d.users[size_t(id)].empty())
            _active[size_t(id)].native = routine;
        d.nativeNames << key;
    }
    callTargetsChanged();
}

const UserCandidate *FunctionRegistry::activeCandidate(int id) const
{
    const RegistryData &d = data();
    if (id < 0 || size_t(id) >= d.users.size() || d.users[size_t(id)].empty())
        return nullptr;
    return &d.users[size_t(id)].front();
}

bool FunctionRegistry::exists(const QString &name) const
{
    const int id = findId(name);
    return id >= 0 && (_active[size_t(id)].native || _active[size_t(id)].user);
}

QStringList FunctionRegistry::nativeNames() const
{
    return data().nativeNames;
}

std::vector<UserCandidate> FunctionRegistry::userCandidates() const
{
    const RegistryData &d = data();
    std::vector<int> ids;
    for (size_t id = 0; id < d.users.size(); ++id)
        if (!d.users[id].empty())
            ids.push_back(int(id));
    std::sort(ids.begin(), ids.end(), [&d](int a, int b) { return d.names[size_t(a)] < d.names[size_t(b)]; });
    std::vector<UserCandidate> out;
    for (int id : ids)
        out.insert(out.end(), d.users[size_t(id)].begin(), d.users[size_t(id)].end());
    return out;
}

void FunctionRegistry::rebuild(std::vector<UserCandidate> candidates, ExecutionContext *context)
{
    callTargetsChanged();
    RegistryData &d = data();
    for (std::vector<UserCandidate> &list : d.users)
        list.clear();
    for (UserCandidate &candidate : candidates) {
        NUMLYRA_ASSERT(candidate.id >= 0 && size_t(candidate.id) < d.users.size());
        NUMLYRA_ASSERT(candidate.function != nullptr);
        d.users[size_t(candidate.id)].push_back(std::move(candidate));
    }
    for (size_t id = 0; id < d.users.size(); ++id) {
        std::vector<UserCandidate> &list = d.users[id];
        std::sort(list.begin(), list.end(), precedes);
        // A name without candidates leaves the registry: CALL finds nothing.
        _active[id].user = list.empty() ? nullptr : list.front().function;
        _active[id].native = list.empty() ? d.natives[id] : nullptr;
        for (size_t i = 0; i + 1 < list.size(); ++i)
            reportReplacement(context, ERR_USER_FUNCTION_REPLACED, d.names[id], list[i].filePath,
                              list[i + 1].filePath);
        if (!list.empty() && d.natives[id])
            reportReplacement(context, ERR_NATIVE_FUNCTION_REPLACED, d.names[id], list.front().filePath,
                              QString());
    }
}

void FunctionRegistry::retire(std::unique_ptr<Script> unit)
{
    if (unit)
        data().retiredUnits.push_back(std::move(unit));
}

void FunctionRegistry::retire(std::unique_ptr<FunctionInfo> function)
{
    if (function)
        data().retiredFunctions.push_back(std::move(function));
}

void FunctionRegistry::releaseRetired()
{
    RegistryData &d = data();
    d.retiredFunctions.clear();
    d.retiredUnits.clear();
}
