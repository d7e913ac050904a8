// Session commands: the workspace (who whos exists disp clear save load
// merge), scripts (run), the output format, and the requests that the host
// performs after the command (quit, clear console, editors, printing,
// preferences). Requests only set the engine's run state; nothing here
// touches the user interface.

#include "app/constants.h"
#include "app/current_directory.h"
#include "app/settings.h"
#include "engine/run_state.h"
#include "engine/virtual_machine.h"
#include "library/command_arguments.h"
#include "library/native_definition.h"
#include "persistence/variable_model.h"
#include "values/error_codes.h"
#include "values/index_hash.h"
#include "values/output_formatter.h"
#include "values/output_list.h"
#include "values/variable_type.h"
#include "values/vector.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

using namespace CommandArguments;

namespace {

// Commands that change the workspace or run scripts belong to the command
// window: neither a script file nor a user function may use them.
bool interactiveOnly(NativeFrame &frame)
{
    if (RunState::instance()._interactive && frame.context.functionName().isEmpty())
        return true;
    frame.context.reportNamed(ERR_INTERACTIVE_ONLY, frame.context.calleeName());
    return false;
}

// Natives without parameters drop what they were given before reporting.
bool noArguments(NativeFrame &frame)
{
    if (frame.argc == 0)
        return true;
    frame.expectArguments(0);
    frame.dropArguments();
    return false;
}

bool succeed(NativeFrame &frame)
{
    frame.setResult(Variable(true));
    return true;
}

// The names of the arguments from `first` on, each a string or a string
// vector; any other argument reports the bad-argument message.
bool variableNames(NativeFrame &frame, unsigned first, QStringList &names)
{
    for (unsigned i = first; i < frame.argc; ++i) {
        if (!collectNames(frame.arg(i), names)) {
            frame.context.badArgument(STRING_TYPE, frame.arg(i).type(), int(i));
            return false;
        }
    }
    return true;
}

// The position of a variable of the running code, or -1 when there is no
// such variable (absent slots and the compiler's temporaries are none).
int variablePosition(const IndexHash *symbols, const QString &name)
{
    if (!symbols)
        return -1;
    const int position = symbols->indexOf(name);
    if (position < 0)
        return -1;
    const Variable &value = symbols->at(position);
    return value.isAbsent() || value.isTemporary() ? -1 : position;
}

// Every name must be a variable; the first that is not is reported.
bool positionsOf(NativeFrame &frame, const QStringList &names, std::vector<int> &positions)
{
    const IndexHash *symbols = frame.context.variables();
    for (const QString &name : names) {
        const int position = variablePosition(symbols, name);
        if (position < 0) {
            frame.context.reportNamed(ERR_UNDEFINED_VARIABLE, name);
            return false;
        }
        positions.push_back(position);
    }
    return true;
}

std::vector<int> allVariables(const IndexHash *symbols)
{
    std::vector<int> positions;
    if (!symbols)
        return positions;
    for (int i = 0; i < symbols->size(); ++i)
        if (!symbols->at(i).isAbsent() && !symbols->at(i).isTemporary())
            positions.push_back(i);
    return positions;
}

// A file name argument: a string, "~" expanded, resolved against the
// current directory.
bool fileArgument(NativeFrame &frame, unsigned index, quint32 badCode, QString &path)
{
    const Variable &arg = frame.arg(index);
    if (arg.type() != STRING_TYPE) {
        frame.context.report(badCode);
        return false;
    }
    path = CurrentDirectory::resolve(arg.getString().toQString());
    return true;
}

// Workspace files carry the suffix "ws"; it is added unless already there.
QString workspacePath(const QString &path)
{
    if (QFileInfo(path).suffix() == Numlyra::workspaceSuffix)
        return path;
    return path + QLatin1Char('.') + Numlyra::workspaceSuffix;
}

// A script may be named without its suffix: "run demo" runs demo.l when
// there is no file called demo.
QString scriptPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && info.suffix().isEmpty())
        return path + QLatin1Char('.') + Numlyra::scriptSuffix;
    return path;
}

QString startupFilePath()
{
    return programDirectory() + Numlyra::startupFileName;
}

// --- requests performed by the host after the command ---

bool quit(NativeFrame &frame)
{
    if (!noArguments(frame) || !interactiveOnly(frame))
        return false;
    RunState::instance().quitRequest = true;
    return succeed(frame);
}

bool clc(NativeFrame &frame)
{
    if (!noArguments(frame) || !interactiveOnly(frame))
        return false;
    RunState::instance().clearConsole = true;
    return succeed(frame);
}

bool prefs(NativeFrame &frame)
{
    if (!noArguments(frame))
        return false;
    RunState::instance().openPreferences = true;
    return succeed(frame);
}

bool printer(NativeFrame &frame)
{
    if (!noArguments(frame) || !interactiveOnly(frame))
        return false;
    RunState::instance().choosePrinter = true;
    return succeed(frame);
}

// print x y: the named variables go to the printer after the command.
bool print(NativeFrame &frame)
{
    QStringList names;
    std::vector<int> positions;
    if (!frame.expectArguments(1, 255) || !variableNames(frame, 0, names) || !positionsOf(frame, names, positions))
        return false;
    RunState::instance().printList << names;
    return succeed(frame);
}

// edit and vim: each name opens in an editor tab; a file that does not
// exist yet opens empty and is created when saved. Without a name an
// untitled tab opens (the empty path).
bool edit(NativeFrame &frame)
{
    QStringList names;
    for (unsigned i = 0; i < frame.argc; ++i) {
        if (!collectNames(frame.arg(i), names)) {
            frame.context.report(ERR_BAD_EDIT_ARG);
            return false;
        }
    }
    QStringList paths;
    for (const QString &name : std::as_const(names)) {
        const QString path = scriptPath(CurrentDirectory::resolve(name));
        if (QFileInfo(path).isDir()) {
            frame.context.reportNamed(ERR_NOT_A_FILE, name);
            return false;
        }
        paths << path;
    }
    if (frame.argc == 0)
        paths << QString();
    RunState::instance().editList << paths;
    return succeed(frame);
}

// view: each name, which must be an existing file, opens read-only.
bool view(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 255))
        return false;
    QStringList names;
    for (unsigned i = 0; i < frame.argc; ++i) {
        if (!collectNames(frame.arg(i), names)) {
            frame.context.report(ERR_BAD_VIEW_ARG);
            return false;
        }
    }
    QStringList paths;
    for (const QString &name : std::as_const(names)) {
        const QString path = scriptPath(CurrentDirectory::resolve(name));
        const QFileInfo info(path);
        if (!info.exists()) {
            frame.context.reportNamed(ERR_FILE_DOESNT_EXIST, name);
            return false;
        }
        if (!info.isFile()) {
            frame.context.reportNamed(ERR_NOT_A_FILE, name);
            return false;
        }
        paths << path;
    }
    RunState::instance().viewList << paths;
    return succeed(frame);
}

// editrc and vimrc open the startup file (created when saved); viewrc
// shows it and needs it to exist.
bool editrc(NativeFrame &frame)
{
    if (!noArguments(frame))
        return false;
    RunState::instance().editList << startupFilePath();
    return succeed(frame);
}

bool viewrc(NativeFrame &frame)
{
    if (!noArguments(frame))
        return false;
    const QString path = startupFilePath();
    if (!QFileInfo(path).isFile()) {
        frame.context.reportNamed(ERR_FILE_DOESNT_EXIST, path);
        return false;
    }
    RunState::instance().viewList << path;
    return succeed(frame);
}

// --- scripts and workspace files ---

bool run(NativeFrame &frame)
{
    if (!interactiveOnly(frame) || !frame.expectArguments(1))
        return false;
    const Variable &arg = frame.arg(0);
    if (arg.type() != STRING_TYPE || arg.getString().isEmpty()) {
        frame.context.report(ERR_BAD_RUN_ARG);
        return false;
    }
    // The engine resolves the name against the current directory and
    // reports its failures with the name as written; it stops the caller.
    const QString name = CurrentDirectory::expandHome(arg.getString().toQString());
    const bool bare = !QFileInfo::exists(CurrentDirectory::resolve(name)) && QFileInfo(name).suffix().isEmpty();
    // The script runs on this interpreter: its own native calls reuse the
    // frame and the operand stack, so both are put back afterwards.
    const int depth = frame.stack.size();
    const unsigned argc = frame.argc;
    const QString callee = frame.context.calleeName();
    const bool ok = VirtualMachine::instance().runScript(bare ? name + QLatin1Char('.') + Numlyra::scriptSuffix : name);
    frame.argc = argc;
    frame.context.setCalleeName(callee);
    if (frame.stack.size() > depth)
        frame.stack.pop(frame.stack.size() - depth);
    if (!ok)
        return false;
    return succeed(frame);
}

// load and merge only record the file; the host reads it after the
// command, so a missing or broken file is reported then.
bool pendingWorkspace(NativeFrame &frame, quint32 badCode, QString RunState::*pending)
{
    QString path;
    if (!interactiveOnly(frame) || !frame.expectArguments(1) || !fileArgument(frame, 0, badCode, path))
        return false;
    RunState::instance().*pending = workspacePath(path);
    return succeed(frame);
}

bool load(NativeFrame &frame) { return pendingWorkspace(frame, ERR_BAD_LOAD_ARG, &RunState::pendingLoadPath); }
bool merge(NativeFrame &frame) { return pendingWorkspace(frame, ERR_BAD_MERGE_ARG, &RunState::pendingMergePath); }

// save(file [, names...]): the whole workspace, or the named variables.
bool save(NativeFrame &frame)
{
    if (!interactiveOnly(frame) || !frame.expectArguments(1, 255))
        return false;
    const Variable &fileArg = frame.arg(0);
    if (fileArg.type() != STRING_TYPE) {
        frame.context.badArgument(STRING_TYPE, fileArg.type(), 0);
        return false;
    }
    const QString path = workspacePath(CurrentDirectory::resolve(fileArg.getString().toQString()));
    QStringList names;
    std::vector<int> positions;
    if (!variableNames(frame, 1, names) || !positionsOf(frame, names, positions))
        return false;
    VariableModel model(frame.context.variables());
    const bool saved = frame.argc == 1
                           ? model.saveWorkspace(path, &frame.context)
                           : model.saveVariables(path, QSet<int>(positions.begin(), positions.end()), &frame.context);
    if (!saved)
        return false;
    return succeed(frame);
}

// clear: without arguments the whole workspace after the command; the
// words history (hist) and all unless a variable has that name; else the
// named variables at once.
bool clear(NativeFrame &frame)
{
    if (!interactiveOnly(frame))
        return false;
    RunState &state = RunState::instance();
    if (frame.argc == 0) {
        state.clearWorkspace = true;
        return succeed(frame);
    }
    IndexHash *symbols = frame.context.variables();
    if (frame.argc == 1 && frame.arg(0).type() == STRING_TYPE) {
        const QString word = frame.arg(0).getString().toQString();
        if (variablePosition(symbols, word) < 0) {
            if (word == QLatin1String("history") || word == QLatin1String("hist")) {
                state.clearHistory = true;
                return succeed(frame);
            }
            if (word == QLatin1String("all")) {
                state.clearWorkspace = state.clearHistory = state.clearConsole = true;
                return succeed(frame);
            }
        }
    }
    QStringList names;
    if (!variableNames(frame, 0, names))
        return false;
    if (names.contains(QString())) {
        frame.context.report(ERR_BAD_CLEAR_ARG);
        return false;
    }
    std::vector<int> positions;
    if (!positionsOf(frame, names, positions))
        return false;
    for (int position : positions) {
        symbols->at(position) = Variable::undefined();
        frame.context.variableRemoved(position);
    }
    return succeed(frame);
}

// --- listing and showing variables ---

bool who(NativeFrame &frame)
{
    if (!frame.expectArguments(0))
        return false;
    const IndexHash *symbols = frame.context.variables();
    QStringList names;
    for (int position : allVariables(symbols))
        names << symbols->name(position);
    Variable result;
    if (!stringColumn(frame, names, result))
        return false;
    frame.setResult(std::move(result));
    return true;
}

QString sizeText(const Variable &value)
{
    if (value.type() == VECTOR_TYPE)
        return QStringLiteral("<%1x%2>").arg(value.getVector().rowCount()).arg(value.getVector().columnCount());
    if (value.type() == UNDEFINED_TYPE)
        return QStringLiteral("<0x0>");
    return QStringLiteral("<1x1>");
}

QString typeText(const Variable &value)
{
    if (value.type() != VECTOR_TYPE || value.getVector().isEmpty())
        return typeName(value.type());
    return typeName(value.getVector().type()) + QLatin1String(" vector");
}

// A scalar's value as the listing shows it; arrays show nothing here.
QString valueText(const Variable &value)
{
    const int precision = OutputFormatter::current() ? OutputFormatter::current()->precision()
                                                      : OutputFormatter::DEFAULT_PRECISION;
    switch (value.type()) {
    case BOOLEAN_TYPE: return value.getBoolean() ? QStringLiteral("true") : QStringLiteral("false");
    case INTEGER_TYPE: return QString::number(value.getInteger());
    case DOUBLE_TYPE: return numberText(value.getDouble(), precision);
    case STRING_TYPE: return value.getString().toQString();
    default: return QString();
    }
}

// whos [patterns...]: one row per variable (name, type, size, value),
// restricted to the names matching the wildcard patterns when given.
bool whos(NativeFrame &frame)
{
    QStringList patterns;
    for (unsigned i = 0; i < frame.argc; ++i) {
        if (!collectNames(frame.arg(i), patterns)) {
            frame.context.report(ERR_BAD_WHOS_ARG);
            return false;
        }
    }
    QList<QRegularExpression> filters;
    for (const QString &pattern : std::as_const(patterns))
        filters << QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern));
    const IndexHash *symbols = frame.context.variables();
    std::vector<int> listed;
    for (int position : allVariables(symbols)) {
        const QString &name = symbols->name(position);
        bool wanted = filters.isEmpty();
        for (const QRegularExpression &filter : std::as_const(filters))
            wanted = wanted || filter.match(name).hasMatch();
        if (wanted)
            listed.push_back(position);
    }
    if (listed.empty()) {
        frame.setResult(Variable(Vector()));
        return true;
    }
    constexpr uint32_t kColumns = 4;
    Vector table;
    if (!Vector::create(STRING_TYPE, uint32_t(listed.size()), kColumns, table)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    uint32_t i = 0;
    for (int position : listed) {
        const Variable &value = symbols->at(position);
        for (const QString &cell : {symbols->name(position), typeText(value), sizeText(value), valueText(value)})
            table.set(i++, String::fromQString(cell));
    }
    frame.setResult(Variable(std::move(table)));
    return true;
}

bool exists(NativeFrame &frame)
{
    QStringList names;
    if (!frame.expectArguments(1, 255) || !variableNames(frame, 0, names))
        return false;
    const IndexHash *symbols = frame.context.variables();
    if (names.size() == 1) {
        frame.setResult(Variable(variablePosition(symbols, names.first()) >= 0));
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
        answers.set(uint32_t(i), variablePosition(symbols, names[i]) >= 0);
    frame.setResult(Variable(std::move(answers)));
    return true;
}

// disp x y: shows the variables in order, only when every name is valid.
bool disp(NativeFrame &frame)
{
    QStringList names;
    std::vector<int> positions;
    if (!variableNames(frame, 0, names) || !positionsOf(frame, names, positions))
        return false;
    const IndexHash *symbols = frame.context.variables();
    for (size_t i = 0; i < positions.size(); ++i)
        OutputList::instance().appendVariable(names[int(i)], symbols->at(positions[i]));
    return succeed(frame);
}

// format short | long | n (5..15): the digits of printed doubles.
bool format(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &arg = frame.arg(0);
    int precision = 0;
    if (arg.type() == STRING_TYPE) {
        const QString word = arg.getString().toQString();
        if (word.compare(QLatin1String("short"), Qt::CaseInsensitive) == 0) {
            precision = OutputFormatter::MINIMUM_PRECISION;
        } else if (word.compare(QLatin1String("long"), Qt::CaseInsensitive) == 0) {
            precision = OutputFormatter::MAXIMUM_PRECISION;
        } else {
            static const QRegularExpression decimal(QStringLiteral("^[0-9]{1,2}$"));
            if (decimal.match(word).hasMatch())
                precision = word.toInt();
        }
    } else if (arg.type() == DOUBLE_TYPE && arg.getDouble() == double(int(arg.getDouble()))) {
        precision = int(arg.getDouble());
    }
    if (!OutputFormatter::isValidPrecision(precision)) {
        frame.context.report(ERR_BAD_FORMAT_FORMAT);
        return false;
    }
    if (OutputFormatter *formatter = OutputFormatter::current())
        formatter->setPrecision(precision);
    else
        Settings::setPrecision(precision);
    return succeed(frame);
}

const NativeDefinition kCommandNatives[] = {
    {"edit", edit}, {"vim", edit}, {"view", view}, {"run", run}, {"load", load},
    {"merge", merge}, {"save", save}, {"clear", clear}, {"exists", exists}, {"clc", clc},
    {"cls", clc}, {"quit", quit}, {"exit", quit}, {"who", who}, {"whos", whos},
    {"print", print}, {"disp", disp}, {"format", format}, {"editrc", editrc}, {"vimrc", editrc},
    {"viewrc", viewrc}, {"prefs", prefs}, {"printer", printer},
};

} // namespace

std::span<const NativeDefinition> commandNatives()
{
    return kCommandNatives;
}
