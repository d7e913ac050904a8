#include "app/terminal_session.h"

#include "values/output_formatter.h"
#include "values/pager.h"
#include "app/constants.h"
#include "app/settings.h"
#include "engine/virtual_machine.h"
#include "graphs/graph.h"
#include "graphs/graph_painter.h"
#include "language/script.h"
#include "library/function_registry.h"
#include "persistence/variable_model.h"
#include "values/output_list.h"
#include "vm/interpreter.h"

#include <QDir>
#include <QFile>

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <utility>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Ctrl+C arrives as a signal; the handler may only touch lock-free atomics,
// so it reaches the interpreter's stop flag through this pointer.
std::atomic<Interpreter *> interruptTarget{nullptr};
std::atomic<bool> interruptedAtPrompt{false};
std::atomic<bool> commandRunning{false};
pthread_t mainThread;

void onInterrupt(int)
{
    if (commandRunning.load()) {
        if (Interpreter *interpreter = interruptTarget.load())
            interpreter->terminate();
    } else if (!pthread_equal(pthread_self(), mainThread)) {
        // Only the main thread's blocked read can notice the prompt's Ctrl+C.
        pthread_kill(mainThread, SIGINT);
    } else {
        interruptedAtPrompt.store(true);
    }
}

void installInterruptHandler()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    mainThread = pthread_self();
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a blocked read returns so the prompt can react
    sigaction(SIGINT, &action, nullptr);
}

// The size of the terminal on standard output; false when it has none.
bool terminalSize(int &rows, int &columns)
{
    winsize size;
    std::memset(&size, 0, sizeof size);
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0)
        return false;
    rows = size.ws_row;
    columns = size.ws_col;
    return true;
}

// The answer to the paging question is one key, taken without Return and
// without echo. Ctrl+C must arrive as its byte here: as a signal it would
// count as a Ctrl+C at the prompt.
int readKey(int fd)
{
    termios saved;
    const bool terminal = tcgetattr(fd, &saved) == 0;
    if (terminal) {
        termios raw = saved;
        raw.c_lflag &= ~tcflag_t(ICANON | ECHO | ISIG);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(fd, TCSANOW, &raw);
    }
    unsigned char c = 0;
    ssize_t n;
    do
        n = read(fd, &c, 1); // EINTR: a resize or similar signal, not an answer
    while (n < 0 && errno == EINTR);
    if (terminal)
        tcsetattr(fd, TCSANOW, &saved);
    return n == 1 ? c : EOF;
}

const int kCtrlC = 3;
const int kInterrupted = -2; // not a byte: Ctrl+C at the prompt


// A terminal has no conflict dialog; every conflict takes the dialog's
// preselected answer.
class DefaultAnswerResolver : public ConflictResolver {
public:
    ConflictState resolve(const QString &, const Variable &, const Variable &, QString &) override
    {
        return CONFLICT_STATE_REPLACE;
    }
};

void desktopOnly(const QString &text)
{
    std::fprintf(stderr, "numlyra-cli: %s\n", text.toLocal8Bit().constData());
}

} // namespace

TerminalSession::TerminalSession(const Options &options, FILE *input, QObject *parent)
    : QObject(parent)
    , _options(options)
    , _input(input)
{
    _precision = std::make_unique<SettingsPrecisionStore>();
    _formatter = std::make_unique<OutputFormatter>(_precision.get());
    OutputFormatter::setCurrent(_formatter.get());
    FunctionRegistry::instance().registerNatives();
    _vm = std::make_unique<VirtualMachine>(this);
    _workspace = std::make_unique<VariableModel>(&_vm->interactiveScript()->symbols());
    if (_options.disassemble)
        _vm->setDisassembleOnly(true);
    connect(_vm.get(), &VirtualMachine::printResults, this, &TerminalSession::printResults);
    connect(_vm.get(), &VirtualMachine::startMultiline, this, &TerminalSession::startMultiline);
    connect(_vm.get(), &VirtualMachine::processStarted, this, [] { commandRunning.store(true); });
    connect(_vm.get(), &VirtualMachine::processFinished, this, [] { commandRunning.store(false); });
}

TerminalSession::~TerminalSession()
{
    interruptTarget.store(nullptr);
    _workspace.reset();
    _vm.reset();
    _graphs.clear();
    OutputFormatter::setCurrent(nullptr);
}

void TerminalSession::start()
{
    if (_options.interactive) {
        interruptTarget.store(_vm->interpreter());
        installInterruptHandler();
        // The startup file runs like a command: Ctrl+C ends an endless one.
        // processFinished at its end clears the flag again.
        commandRunning.store(true);
    }
    // The banner belongs to the interactive session only; the startup file
    // runs in both modes unless it was switched off.
    _vm->startup(_options.runStartupFile, _options.interactive);
}

void TerminalSession::addGraphPage(Graph *graph)
{
    _graphs.emplace_back(graph);
    _pageNumbers.insert(graph, int(_graphs.size()));
    refreshGraphPage(graph);
}

void TerminalSession::refreshGraphPage(Graph *graph)
{
    if (!_graphsToSave.contains(graph))
        _graphsToSave.append(graph);
}

void TerminalSession::saveGraphs()
{
    const QList<const Graph *> graphs = std::exchange(_graphsToSave, {});
    if (_options.saveGraphsDirectory.isEmpty() || graphs.isEmpty())
        return;
    const QDir dir(_options.saveGraphsDirectory);
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        criticalMessage(QStringLiteral("numlyra-cli: Can't create directory \"%1\"").arg(dir.path()));
        _failed = true;
        return;
    }
    const QFont font = Settings::graphFont();
    for (const Graph *graph : graphs) {
        const QString path = dir.filePath(QStringLiteral("graph-%1.png").arg(_pageNumbers.value(graph)));
        QString message;
        if (!saveGraphImage(*graph, path, DEFAULT_GRAPH_IMAGE_SIZE, font, &message)) {
            criticalMessage(QStringLiteral("numlyra-cli: ") + message);
            _failed = true;
        }
    }
}

void TerminalSession::commandDone()
{
    saveGraphs();
    if (_quit) {
        QTimer::singleShot(0, this, &TerminalSession::finished);
        return;
    }
    if (_currentStatement == NO_STATEMENT)
        _multilineList.clear();
    QTimer::singleShot(0, this, &TerminalSession::nextLine);
}

void TerminalSession::quitRequested()
{
    _quit = true;
}

void TerminalSession::clearConsole()
{
    if (_options.interactive)
        writeOutput(QStringLiteral("\033[H\033[2J"));
}

void TerminalSession::criticalMessage(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

bool TerminalSession::rescanSearchPath()
{
    return false;
}

void TerminalSession::clearWorkspace()
{
    _workspace->clear();
}

// The terminal keeps no history of its own; clearing empties the stored
// history that the desktop program shows.
void TerminalSession::clearHistory()
{
    const QString path = QDir(programDirectory()).filePath(Numlyra::historyFileName);
    if (QFile::exists(path) && !QFile::remove(path))
        criticalMessage(QStringLiteral("Can't remove file \"%1\"").arg(path));
}

// The reader has already said why on standard error; a batch job sees the
// failure in the exit status.
void TerminalSession::loadWorkspace(const QString &path, bool merge)
{
    DefaultAnswerResolver resolver;
    const bool ok = merge ? _workspace->mergeWorkspace(path, resolver) : _workspace->loadWorkspace(path);
    if (!ok)
        _failed = true;
}

void TerminalSession::openEditor(const QString &path, bool readOnly)
{
    const QString what = path.isEmpty() ? QStringLiteral("a new editor tab") : path;
    desktopOnly(QStringLiteral("%1 needs the desktop program; %2 was not opened")
                    .arg(readOnly ? QStringLiteral("view") : QStringLiteral("edit"), what));
}

void TerminalSession::printVariables(const QStringList &names)
{
    desktopOnly(QStringLiteral("print needs the desktop program; %1 not printed").arg(names.join(QStringLiteral(", "))));
}

void TerminalSession::openPreferences()
{
    desktopOnly(QStringLiteral("prefs needs the desktop program"));
}

void TerminalSession::choosePrinter()
{
    desktopOnly(QStringLiteral("printer needs the desktop program"));
}

QString TerminalSession::prompt() const
{
    return statementPrompt(_currentStatement);
}

void TerminalSession::startMultiline(StatementType type)
{
    _currentStatement = type;
}

// Interactive input bypasses stdio and waits in short slices, so that a
// Ctrl+C is noticed even when it comes just before a wait begins.
int TerminalSession::readByte()
{
    if (!_options.interactive)
        return std::fgetc(_input);
    const int fd = fileno(_input);
    for (;;) {
        if (interruptedAtPrompt.exchange(false))
            return kInterrupted;
        pollfd ready{fd, POLLIN, 0};
        const int count = poll(&ready, 1, 100);
        if (count < 0 && errno != EINTR)
            return EOF;
        if (count <= 0)
            continue;
        unsigned char c = 0;
        const ssize_t n = read(fd, &c, 1);
        if (n == 1)
            return c;
        if (n == 0 || (errno != EINTR && errno != EAGAIN))
            return EOF;
    }
}

TerminalSession::ReadResult TerminalSession::readLine(QString &line)
{
    QByteArray bytes;
    for (;;) {
        const int c = readByte();
        if (c == kInterrupted)
            return READ_INTERRUPTED;
        if (c == EOF) {
            if (bytes.isEmpty())
                return READ_END;
            break;
        }
        if (c == '\n')
            break;
        bytes.append(char(c));
    }
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    line = QString::fromLatin1(bytes);
    return READ_LINE;
}

void TerminalSession::nextLine()
{
    for (;;) {
        if (_options.interactive) {
            // A Ctrl+C that came while no read was waiting is stale.
            interruptedAtPrompt.store(false);
            writeOutput(prompt());
            std::fflush(stdout);
        }
        QString line;
        const ReadResult result = readLine(line);
        if (result == READ_INTERRUPTED) {
            // The first Ctrl+C drops what was typed, pending lines included;
            // a second one in a row leaves.
            writeOutput(QStringLiteral("\n"));
            if (++_idleInterrupts >= 2) {
                emit finished();
                return;
            }
            _currentStatement = NO_STATEMENT;
            _multilineList.clear();
            continue;
        }
        if (result == READ_END) {
            if (_options.interactive)
                writeOutput(QStringLiteral("\n"));
            if (_currentStatement != NO_STATEMENT) {
                // Its lines never ran: a batch job must not take that for success.
                QString kind = statementPrompt(_currentStatement);
                kind.chop(3); // " > "
                std::fprintf(stderr, "numlyra-cli: input ended inside an unfinished %s statement\n",
                             kind.toLocal8Bit().constData());
                _failed = true;
            }
            emit finished();
            return;
        }
        _idleInterrupts = 0;
        if (_options.echo)
            writeOutput(prompt() + line + QLatin1Char('\n'));
        if (line.trimmed().isEmpty()) {
            // An empty line sends nothing; inside a pending statement it
            // still becomes one of its lines.
            if (_currentStatement != NO_STATEMENT)
                _multilineList.append(QString());
            continue;
        }
        _multilineList.append(line);
        QString command;
        if (_currentStatement == NO_STATEMENT) {
            command = line;
        } else {
            for (const QString &text : std::as_const(_multilineList))
                command += text + QLatin1Char('\n');
        }
        // The engine answers with startMultiline when the text is still
        // incomplete; any other outcome ends the pending statement.
        _currentStatement = NO_STATEMENT;
        _vm->executeCommand(command);
        return;
    }
}

void TerminalSession::printResults()
{
    OutputList &output = OutputList::instance();
    if (output.errorCount() > 0)
        _failed = true;
    int rows = _options.rows;
    int columns = _options.columns;
    if (_options.interactive) {
        // Read again for every output: the window may have been resized.
        int terminalRows = 0;
        int terminalColumns = 0;
        if (terminalSize(terminalRows, terminalColumns)) {
            if (!_options.rowsGiven)
                rows = terminalRows;
            if (!_options.columnsGiven)
                columns = terminalColumns;
        }
    }
    if (!_options.interactive || rows <= 0) {
        QString text = OutputFormatter::current()->renderAll(output, columns);
        // A report ends without a line feed; the next prompt needs one.
        if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
            text += QLatin1Char('\n');
        writeOutput(text);
        output.clear();
        return;
    }
    Pager pager(*OutputFormatter::current(), output);
    pager.setPageSize(rows, columns);
    bool endsWithNewline = true;
    while (pager.hasText()) {
        const QString page = pager.nextPage();
        writeOutput(page);
        if (!page.isEmpty())
            endsWithNewline = page.endsWith(QLatin1Char('\n'));
        if (!pager.hasText())
            break;
        std::fflush(stdout);
        const int c = readKey(fileno(_input));
        writeOutput(QStringLiteral("\r\033[K")); // the question goes away
        if (c == EOF || c == kCtrlC || c == 'n' || c == 'N' || c == 'q' || c == 'Q') {
            pager.clear();
            endsWithNewline = true;
            break;
        }
    }
    if (!endsWithNewline)
        writeOutput(QStringLiteral("\n"));
    output.clear();
}

void TerminalSession::writeOutput(const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}
