#pragma once

#include "language/statement_type.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class EngineHost;
class Interpreter;
class ProcessThread;
class Script;

// The one object through which a front end runs code: it compiles each
// command on the user-interface thread, runs it on the worker thread and,
// when the run is over, hands its effects to the host in a fixed order.
class VirtualMachine : public QObject {
    Q_OBJECT
public:
    explicit VirtualMachine(EngineHost *host, QObject *parent = nullptr);
    ~VirtualMachine() override;

    static VirtualMachine &instance();
    static bool exists() { return _ptr != nullptr; }

    // Banner, startup errors and the startup file; then the output of all
    // of it as if a command had ended. A batch front end leaves the banner out.
    void startup(bool runStartupFile = true, bool banner = true);

    // Each accepted command prints its compiled code instead of running.
    void setDisassembleOnly(bool on) { _disassembleOnly = on; }

    // Runs a script file synchronously (the `run` command, the startup
    // file). False after reporting; the caller's run stops too.
    bool runScript(const QString &path);

    Script *interactiveScript() const { return _interactive; }
    Interpreter *interpreter() const { return _interpreter; }
    bool isRunning() const { return _running; }
    // True while the command window's own script is the current program.
    bool isInteractive() const;

    // The tee copy of the command window's output.
    void tee(const QString &path);
    void teeOff();
    void suspendTee(bool suspended);
    bool teeOn() const { return _teeOn; }
    bool teeSuspended() const { return _teeSuspended; }
    const QString &teePath() const { return _teePath; }
    // The tee part of the desktop's status bar: "off", "suspened" or the path.
    static QString teeStatusText(bool on, bool suspended, const QString &path);
    QString teeStatusText() const { return teeStatusText(_teeOn, _teeSuspended, _teePath); }

    void setErrorState(quint32 code, int state);

signals:
    void processStarted();
    void processFinished();
    void printResults();
    void startMultiline(StatementType type);

public slots:
    void executeCommand(const QString &command);
    void terminateProcess();
    void threadFinished();

private:
    void finishCommand();
    void writeTee();
    void cleanUp();
    void rebind();
    void copyVariables(const Script &from, Script &to);

    static VirtualMachine *_ptr;

    Script *_interactive = nullptr;
    Interpreter *_interpreter = nullptr;
    bool _running = false;
    EngineHost *_host = nullptr;
    ProcessThread *_thread = nullptr;
    std::vector<Script *> _scriptStack;
    bool _teeOn = false;
    bool _teeSuspended = false;
    bool _teePending = false;
    QString _teePath;
    bool _disassembleOnly = false;
};
