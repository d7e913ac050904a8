#include "library/function_registry.h"

#include "values/assert.h"

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

struct RegistryData {
    QHash<QString, int> ids;
    std::vector<QString> names;
    QSet<QString> commandWords;
    QSet<QString> valueCommands;
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
