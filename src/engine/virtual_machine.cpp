#include "engine/virtual_machine.h"

#include "app/constants.h"
#include "app/current_directory.h"
#include "app/regular_file.h"
#include "app/settings.h"
#include "engine/engine_host.h"
#include "engine/process_thread.h"
#include "engine/run_state.h"
#include "values/output_formatter.h"
#include "language/parser_interface.h"
#include "language/script.h"
#include "library/function_registry.h"
#include "library/path_watcher.h"
#include "values/allocation_limit.h"
#include "values/assert.h"
#include "values/error_codes.h"
#include "values/output_list.h"
#include "vm/disassembler.h"
#include "vm/interpreter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

VirtualMachine *VirtualMachine::_ptr = nullptr;

namespace {

// Longest command the scanner's buffer takes: the text, a newline and
// three NUL bytes must fit into 8196 bytes.
constexpr int kCommandLimit = 0x2003;

// Codes whose numeric trouble is a warning unless the user says otherwise.
const quint32 kWarningCodes[] = {
    ERR_RESULT_IS_INF, ERR_RESULT_IS_NAN, ERR_DIVIDE_BY_ZERO, ERR_NATIVE_FUNCTION_REPLACED,
    ERR_USER_FUNCTION_REPLACED, ERR_UNRECOGNIZED_ESCAPE_SEQUENCE, ERR_USER_WARNING,
};

const QString kBanner = QStringLiteral("    *** Numlyra v %1 ***\n\n");
const QString kBannerSecondLine = QStringLiteral("    Documentation and releases: https://numlyra.org");
const QString kStartupErrors = QStringLiteral("    *** Startup errors ***");
const QString kStartupFile = QStringLiteral("    *** Startup file ***");
const QString kStartupFileAfterOutput = QStringLiteral("\n    *** Startup file ***");


} // namespace

VirtualMachine::VirtualMachine(EngineHost *host, QObject *parent)
    : QObject(parent)
    , _host(host)
{
    NUMLYRA_ASSERT(_ptr == 0);
    _ptr = this;
    qRegisterMetaType<StatementType>();

    _interactive = new Script();
    FunctionRegistry::instance().registerNatives();
    FunctionRegistry::instance().setSessionScript(_interactive);

    _interpreter = new Interpreter();
    for (quint32 code : kWarningCodes)
        _interpreter->setErrorState(code, WARNING_STATE);

    _thread = new ProcessThread(this);
    _thread->setInterpreter(_interpreter);
    connect(_thread, &QThread::finished, this, &VirtualMachine::threadFinished);

    rebind();
}

VirtualMachine::~VirtualMachine()
{
    if (_thread->isRunning()) {
        _interpreter->terminate();
        _thread->wait();
    }
    for (Script *script : _scriptStack)
        delete script;
    _scriptStack.clear();
    delete _interpreter;
    FunctionRegistry::instance().setSessionScript(nullptr);
    FunctionRegistry::instance().releaseRetired();
    delete _interactive;
    _ptr = nullptr;
}

VirtualMachine &VirtualMachine::instance()
{
    NUMLYRA_ASSERT(_ptr != 0);
    return *_ptr;
}

bool VirtualMachine::isInteractive() const
{
    return RunState::instance()._interactive;
}

void VirtualMachine::executeCommand(const QString &command)
{
    RunState &state = RunState::instance();
    NUMLYRA_ASSERT(!_thread->isRunning());
    NUMLYRA_ASSERT(_scriptStack.empty());
    NUMLYRA_ASSERT(state._interactive);
    NUMLYRA_ASSERT(state.updateItemSet.empty());
    NUMLYRA_ASSERT(state.removeItemSet.empty());
    NUMLYRA_ASSERT(state.invokeIdStack.empty());
    NUMLYRA_ASSERT(state.graphList.empty());
    NUMLYRA_ASSERT(state.updateGraphList.empty());
    NUMLYRA_ASSERT(state.editList.empty());
    NUMLYRA_ASSERT(state.viewList.empty());
    NUMLYRA_ASSERT(state.printList.empty());

    _running = true;
    // From here on a stop request belongs to this command, even one made
    // before the worker thread has started; the worker never clears it.
    _interpreter->clearStop();
    if (command.size() >= kCommandLimit) {
        ErrorReport report;
        report.code = ERR_COMMAND_TOO_LONG;
        report.line = 1;
        report.state = ERROR_STATE;
        OutputList::instance().appendError(report);
        finishCommand();
        return;
    }

    const ParseResult outcome = compileSubmission(*_interactive, command.toLatin1());
    if (outcome.accepted() && _disassembleOnly) {
        OutputList::instance().appendText(disassemble(*_interactive));
        finishCommand();
        return;
    }
    if (outcome.accepted()) {
        _interpreter->setLine(1);
        emit processStarted();
        _thread->start(QThread::InheritPriority);
        return;
    }
    if (outcome.outcome == ParseResult::INCOMPLETE) {
        emit startMultiline(outcome.statement);
        OutputList::instance().clear();
        cleanUp();
        rebind();
        _host->commandDone();
        return;
    }
    finishCommand();
}

void VirtualMachine::finishCommand()
{
    emit processFinished();
    writeTee();
    emit printResults();
    cleanUp();
    rebind();
    _host->commandDone();
}

void VirtualMachine::terminateProcess()
{
    _interpreter->terminate();
}

void VirtualMachine::threadFinished()
{
    RunState &state = RunState::instance();
    if (state.clearConsole) {
        state.clearConsole = false;
        _host->clearConsole();
    }
    emit processFinished();
    const int resultCode = _thread->resultCode();
    writeTee();
    emit printResults();

    // Graphs are shown even after a failed run.
    for (Graph *graph : state.graphList)
        _host->addGraphPage(graph);
    state.graphList.clear();
    for (Graph *graph : state.updateGraphList)
        _host->refreshGraphPage(graph);
    state.updateGraphList.clear();

    if (resultCode == 0) {
        _host->updateWorkspace(state.updateItemSet.ids(), state.removeItemSet.ids());
        for (const QString &path : state.editList)
            _host->openEditor(path, false);
        for (const QString &path : state.viewList)
            _host->openEditor(path, true);
        if (!state.printList.isEmpty())
            _host->printVariables(state.printList);
    }

    cleanUp();
    rebind();

    if (state.quitRequest)
        _host->quitRequested();
    if (state.clearWorkspace) {
        state.clearWorkspace = false;
        _host->clearWorkspace();
    }
    if (state.clearHistory) {
        state.clearHistory = false;
        _host->clearHistory();
    }
    if (!state.pendingLoadPath.isEmpty()) {
        const QString path = state.pendingLoadPath;
        state.pendingLoadPath.clear();
        state.pendingMergePath.clear();
        _host->loadWorkspace(path, false);
    } else if (!state.pendingMergePath.isEmpty()) {
        const QString path = state.pendingMergePath;
        state.pendingMergePath.clear();
        _host->loadWorkspace(path, true);
    }
    _host->commandDone();
    if (state.openPreferences) {
        state.openPreferences = false;
        _host->openPreferences();
    }
    if (state.choosePrinter) {
        state.choosePrinter = false;
        _host->choosePrinter();
    }
    if (state.rescanPath) {
        state.rescanPath = false;
        if (_host->rescanSearchPath())
            emit printResults();
    }
}

void VirtualMachine::cleanUp()
{
    RunState &state = RunState::instance();
    state.updateItemSet.clear();
    state.removeItemSet.clear();
    state.invokeIdStack.clear();
    state.editList.clear();
    state.viewList.clear();
    state.printList.clear();
    for (Script *script : _scriptStack)
        delete script;
    _scriptStack.clear();
    _interactive->resetCompileState();
    // Function files replaced and local functions removed during the run.
    FunctionRegistry::instance().releaseRetired();
    _running = false;
    if (_teePending) {
        _teePending = false;
        _host->teeStateChanged();
    }
    _interpreter->clearStack();
}

void VirtualMachine::rebind()
{
    _thread->setProgram(_interactive);
    _interactive->resetCompileState();
    RunState::instance()._interactive = true;
}

void VirtualMachine::copyVariables(const Script &from, Script &to)
{
    const IndexHash &source = from.symbols();
    IndexHash &target = to.symbols();
    for (int i = 0; i < source.size(); ++i) {
        const Variable &value = source.at(i);
        if (value.isAbsent() || value.isTemporary())
            continue;
        const int position = target.lookupOrInsert(source.name(i));
        target.at(position) = value;
        // What a script file leaves in the command window's workspace is
        // shown like any other change of the run.
        if (&to == _interactive)
            RunState::instance().updateItemSet.insert(position);
    }
}

bool VirtualMachine::runScript(const QString &path)
{
    RunState &state = RunState::instance();

    auto fail = [this](quint32 code, const QString &name) {
        ErrorReport report;
        report.code = code;
        report.line = _interpreter->getLine();
        report.name = name;
        report.state = ERROR_STATE;
        _interpreter->report(report);
        _interpreter->terminate();
        return false;
    };
    const QFileInfo info(CurrentDirectory::dir(), path);
    if (!info.exists())
        return fail(ERR_FILE_DOESNT_EXIST, path);
    if (!info.isFile())
        return fail(ERR_NOT_A_FILE, path);
    QFile file(info.filePath());
    if (!RegularFile::openForReading(file))
        return fail(ERR_CANT_OPEN_FILE_TO_READ, path);
    const QByteArray text = file.readAll();
    file.close();

    Script *caller = _scriptStack.empty() ? _interactive : _scriptStack.back();
    auto *script = new Script(info.filePath());
    state._interactive = false;
    copyVariables(*caller, *script);
    _scriptStack.push_back(script);

    const ParseResult outcome = compileScriptText(*script, text);
    if (!outcome.accepted()) {
        _interpreter->terminate();
        return false;
    }
    const quint32 savedLine = _interpreter->getLine();
    _interpreter->setLine(1);
    if (_interpreter->run(script) != 0) {
        _interpreter->terminate();
        return false;
    }
    _interpreter->setLine(savedLine);
    _scriptStack.pop_back();
    copyVariables(*script, *caller);
    if (_scriptStack.empty())
        state._interactive = true;
    delete script;
    return true;
}

void VirtualMachine::startup(bool runStartupFile, bool banner)
{
    AllocationLimit::setUserLimit(uint64_t(Settings::memoryLimit()) << 20);
    // The startup file runs like a command: a stop from here on ends it.
    _interpreter->clearStop();
    OutputList &output = OutputList::instance();
    // Search-path problems and replacement warnings are startup errors.
    PathWatcher::instance().loadSearchPath(_interpreter);
    if (!output.isEmpty())
        output.prependTextLine(kStartupErrors);
    if (banner)
        output.prependTextLine(kBanner.arg(Numlyra::version) + kBannerSecondLine);

    const QDir dir(programDirectory());
    int resultCode = 0;
    if (runStartupFile && dir.exists(Numlyra::startupFileName)) {
        output.appendTextLine(output.isEmpty() ? kStartupFile : kStartupFileAfterOutput);
        const int countBefore = output.count();
        _running = true;
        const bool ok = runScript(dir.filePath(Numlyra::startupFileName));
        resultCode = ok ? 0 : 1;
        if (output.count() == countBefore)
            output.removeLast();
    }
    _thread->setResultCode(resultCode);
    threadFinished();
}

void VirtualMachine::setErrorState(quint32 code, int state)
{
    _interpreter->setErrorState(code, state);
}

void VirtualMachine::tee(const QString &path)
{
    _teeOn = true;
    _teeSuspended = false;
    _teePath = path;
    _teePending = true;
}

void VirtualMachine::teeOff()
{
    _teeOn = false;
    _teePending = true;
}

void VirtualMachine::suspendTee(bool suspended)
{
    _teeSuspended = suspended;
    _teePending = true;
}

QString VirtualMachine::teeStatusText(bool on, bool suspended, const QString &path)
{
    return !on ? QStringLiteral("off") : suspended ? QStringLiteral("suspened") : path;
}

void VirtualMachine::writeTee()
{
    if (!_teeOn || _teeSuspended)
        return;
    OutputFormatter *formatter = OutputFormatter::current();
    if (formatter && !formatter->appendToFile(_teePath, OutputList::instance(), Settings::teeColumnCount())) {
        _teeOn = false;
        _teePending = true;
        _host->criticalMessage(QStringLiteral("Can't open file for write \"%1\"").arg(_teePath));
    }
}
