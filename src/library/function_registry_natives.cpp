// The natives that show and change the function registry: fn_list, which,
// fn_exists, update_fn_list and rm_fn.

#include "language/function.h"
#include "language/script.h"
#include "library/command_arguments.h"
#include "library/function_registry.h"
#include "library/native_definition.h"
#include "library/path_watcher.h"

#include <cmath>
#include <vector>

namespace {

String builtin()
{
    return String("builtin");
}

String local()
{
    return String("local");
}

// The functions defined at the command line, in order of first definition.
std::vector<int> localFunctionIds()
{
    std::vector<int> ids;
    if (const Script *session = FunctionRegistry::instance().sessionScript())
        for (int id : session->definedFunctions())
            if (session->localFunction(id))
                ids.push_back(id);
    return ids;
}

FunctionInfo *localFunction(int id)
{
    const Script *session = FunctionRegistry::instance().sessionScript();
    return session && id >= 0 ? session->localFunction(id) : nullptr;
}

String idText(int id)
{
    return String::fromQString(QString::number(id, 'g', 5));
}

struct Row {
    String name, origin, id;
};

// fn_list mode bits: which kinds of function are listed.
enum ListKinds { LIST_NATIVE = 1, LIST_USER = 2, LIST_LOCAL = 4 };
constexpr int kModeKinds[] = {
    LIST_NATIVE | LIST_USER | LIST_LOCAL, // no argument
    LIST_NATIVE, LIST_USER, LIST_LOCAL, LIST_USER | LIST_LOCAL,
};

// fn_list([mode]): an N x 3 string array of name, origin and id; natives
// first in registration order, then user functions by name (every
// candidate, the active one first), then local functions.
bool fnList(NativeFrame &frame)
{
    if (!frame.expectArguments(0, 1))
        return false;
    int kinds = kModeKinds[0];
    if (frame.argc == 1) {
        const Variable &mode = frame.arg(0);
        if (mode.type() != DOUBLE_TYPE) {
            frame.context.badArgument(DOUBLE_TYPE, mode.type(), 0);
            return false;
        }
        const double n = std::trunc(mode.getDouble());
        if (!(n >= 1 && n <= 4)) {
            frame.context.report(ERR_BAD_FN_LIST_FIRST_PARAMETER);
            return false;
        }
        kinds = kModeKinds[int(n)];
    }
    FunctionRegistry &registry = FunctionRegistry::instance();
    std::vector<Row> rows;
    if (kinds & LIST_NATIVE)
        for (const QString &name : registry.nativeNames())
            rows.push_back({String::fromQString(name), builtin(), builtin()});
    if (kinds & LIST_USER)
        for (const UserCandidate &user : registry.userCandidates())
            rows.push_back({String::fromQString(registry.nameOf(user.id)), String::fromQString(user.directory),
                            idText(user.id)});
    if (kinds & LIST_LOCAL)
        for (int id : localFunctionIds())
            rows.push_back({String::fromQString(registry.nameOf(id)), local(), idText(id)});

    if (rows.empty()) {
        frame.setResult(Variable(Vector()));
        return true;
    }
    Vector table;
    if (!Vector::create(STRING_TYPE, uint32_t(rows.size()), 3, table)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        table.set(uint32_t(r * 3), rows[r].name);
        table.set(uint32_t(r * 3 + 1), rows[r].origin);
        table.set(uint32_t(r * 3 + 2), rows[r].id);
    }
    frame.setResult(Variable(std::move(table)));
    return true;
}

// which(name): "local", "builtin" or the file of the active user function.
bool which(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &arg = frame.arg(0);
    if (arg.type() != STRING_TYPE) {
        frame.context.badArgument(STRING_TYPE, arg.type(), 0);
        return false;
    }
    FunctionRegistry &registry = FunctionRegistry::instance();
    const QString name = arg.getString().toQString();
    const int id = registry.findId(name);
    String answer;
    if (localFunction(id)) {
        answer = local();
    } else if (const UserCandidate *user = registry.activeCandidate(id)) {
        answer = String::fromQString(user->filePath);
    } else if (registry.nativeRoutine(id)) {
        answer = builtin();
    } else {
        frame.context.reportNamed(ERR_FUNCTION_NOT_FOUND, name);
        return false;
    }
    frame.setResult(Variable(std::move(answer)));
    return true;
}

// fn_exists(names...): one boolean per name; several give an n x 1 column.
bool fnExists(NativeFrame &frame)
{
    if (frame.argc == 0)
        return frame.expectArguments(1, 255);
    QStringList names;
    for (unsigned i = 0; i < frame.argc; ++i) {
        const Variable &arg = frame.arg(i);
        if (!CommandArguments::collectNames(arg, names)) {
            const VariableType given = arg.type() == VECTOR_TYPE ? arg.getVector().type() : arg.type();
            frame.context.badArgument(STRING_TYPE, given, int(i));
            return false;
        }
    }
    FunctionRegistry &registry = FunctionRegistry::instance();
    auto exists = [&registry](const QString &name) {
        return registry.exists(name) || localFunction(registry.findId(name));
    };
    if (names.size() == 1) {
        frame.setResult(Variable(exists(names.front())));
        return true;
    }
    if (names.isEmpty()) {
        frame.setResult(Variable(Vector()));
        return true;
    }
    Vector answers;
    if (!Vector::create(BOOLEAN_TYPE, uint32_t(names.size()), 1, answers)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    for (int i = 0; i < names.size(); ++i)
        answers.set(uint32_t(i), exists(names[i]));
    frame.setResult(Variable(std::move(answers)));
    return true;
}

bool updateFnList(NativeFrame &frame)
{
    if (!frame.expectArguments(0))
        return false;
    PathWatcher::instance().scan(&frame.context);
    frame.setResult(Variable(true));
    return true;
}

// rm_fn(name): forgets a function defined at the command line.
bool rmFn(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &arg = frame.arg(0);
    if (arg.type() != STRING_TYPE) {
        frame.context.badArgument(STRING_TYPE, arg.type(), 0);
        return false;
    }
    const QString name = arg.getString().toQString();
    FunctionRegistry &registry = FunctionRegistry::instance();
    Script *session = registry.sessionScript();
    const int id = registry.findId(name);
    if (!session || id < 0 || !session->localFunction(id)) {
        frame.context.reportNamed(ERR_LOCAL_FUNCTION_NOT_FOUND, name);
        return false;
    }
    // rm_fn may run inside the very function it removes.
    registry.retire(session->takeLocalFunction(id));
    frame.setResult(Variable(true));
    return true;
}

const NativeDefinition kRegistryNatives[] = {
    {"fn_exists", fnExists},
    {"fn_list", fnList},
    {"which", which},
    {"update_fn_list", updateFnList},
    {"rm_fn", rmFn},
};

} // namespace

std::span<const NativeDefinition> registryNatives()
{
    return kRegistryNatives;
}
