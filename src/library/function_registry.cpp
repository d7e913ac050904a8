#include "library/function_registry.h"

#include "library/native_definition.h"
#include "values/assert.h"

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
};

// The families linked into the program; a family joins this list when it lands.
using FamilyTable = std::span<const NativeDefinition> (*)();
const FamilyTable kFamilies[] = {
    csvNatives, fileNatives, errorNatives, variableNatives, stringNatives,
    commandNatives, teeNatives,
};

struct RegistryData {
    QHash<QString, int> ids;
    std::vector<QString> names;
    QSet<QString> commandWords;
    QSet<QString> valueCommands;
    QHash<int, NativeRoutine> natives; // by function id
    QStringList nativeNames;           // in registration order
};

RegistryData &data()
{
    static RegistryData d;
    return d;
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

int FunctionRegistry::idOf(const QString &name)
{
    RegistryData &d = data();
    auto it = d.ids.constFind(name);
    if (it != d.ids.constEnd())
        return it.value();
    const int id = int(d.names.size());
    NUMLYRA_ASSERT(id < 65535);
    d.ids.insert(name, id);
    d.names.push_back(name);
    return id;
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

bool FunctionRegistry::isValueCommand(const QString &name) const
{
    return data().valueCommands.contains(name);
}

void FunctionRegistry::registerNatives()
{
    RegistryData &d = data();
    if (!d.natives.isEmpty())
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
        d.natives.insert(idOf(key), routine);
        d.nativeNames << key;
    }
}

NativeRoutine FunctionRegistry::nativeRoutine(int id) const
{
    return data().natives.value(id);
}

FunctionInfo *FunctionRegistry::userFunction(int id) const
{
    (void)id;
    return nullptr; // the search path offers no user functions yet
}

bool FunctionRegistry::exists(const QString &name) const
{
    const RegistryData &d = data();
    auto it = d.ids.constFind(name);
    return it != d.ids.constEnd() && d.natives.contains(it.value());
}

QStringList FunctionRegistry::nativeNames() const
{
    return data().nativeNames;
}
