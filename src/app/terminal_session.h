#pragma once

#include "engine/engine_host.h"
#include "language/statement_type.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <vector>

class Graph;
class VirtualMachine;
class VariableModel;
class OutputFormatter;
class SettingsPrecisionStore;

// The terminal front end: feeds lines to the engine exactly as the command
// window does (continuation lines collected and resubmitted whole) and
// prints each command's output as the tee file would receive it.
class TerminalSession : public QObject, public EngineHost {
    Q_OBJECT
public:
    struct Options {
        int columns = 80;
        int rows = 0;          // 0: no paging
        bool rowsGiven = false;    // interactive: else the terminal's size
        bool columnsGiven = false;
        bool runStartupFile = true;
        bool echo = false;
        bool disassemble = false;
        bool interactive = false; // a terminal on both ends: prompts, paging, Ctrl+C
        QString saveGraphsDirectory; // graph images after each command; needs a QGuiApplication
    };

    // `input` is read line by line; the session does not own it.
    TerminalSession(const Options &options, FILE *input, QObject *parent = nullptr);
    ~TerminalSession() override;

    // Starts the session; the application's event loop runs it to the end.
    void start();
    // 0 when nothing failed; 1 when a command ended with an error report,
    // a deferred load or merge failed or the input ended inside a statement.
    int exitCode() const { return _failed ? 1 : 0; }

    // EngineHost
    // The session owns the graphs it is given; their page numbers count
    // from 1 in order of creation, as the desktop program's pages do.
    void addGraphPage(Graph *graph) override;
    void refreshGraphPage(Graph *graph) override;
    void commandDone() override;
    void quitRequested() override;
    void clearConsole() override;
    void criticalMessage(const QString &text) override;
    bool rescanSearchPath() override;
    void clearWorkspace() override;
    void clearHistory() override;
    void loadWorkspace(const QString &path, bool merge) override;
    // The editors, the printer and the preferences belong to the desktop
    // program; the terminal says so on standard error.
    void openEditor(const QString &path, bool readOnly) override;
    void printVariables(const QStringList &names) override;
    void openPreferences() override;
    void choosePrinter() override;

signals:
    void finished();

private slots:
    void printResults();
    void startMultiline(StatementType type);
    void nextLine();

private:
    enum ReadResult { READ_LINE, READ_END, READ_INTERRUPTED };
    int readByte();
    ReadResult readLine(QString &line);
    QString prompt() const;
    void writeOutput(const QString &text);
    // Writes every graph new or changed since the last command as
    // DIR/graph-N.png.
    void saveGraphs();

    Options _options;
    FILE *_input = nullptr;
    std::unique_ptr<SettingsPrecisionStore> _precision;
    std::unique_ptr<OutputFormatter> _formatter;
    std::unique_ptr<VirtualMachine> _vm;
    std::unique_ptr<VariableModel> _workspace;
    StatementType _currentStatement = NO_STATEMENT;
    QStringList _multilineList;
    bool _quit = false;
    bool _failed = false;
    int _idleInterrupts = 0; // Ctrl+C at the prompt since the last line
    std::vector<std::unique_ptr<Graph>> _graphs;
    QHash<const Graph *, int> _pageNumbers;
    QList<const Graph *> _graphsToSave;
};
