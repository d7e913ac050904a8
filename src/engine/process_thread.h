#pragma once

#include <QThread>

class Interpreter;
class Script;

// The worker thread: runs the interpreter over the program it is bound to.
class ProcessThread : public QThread {
    Q_OBJECT
public:
    explicit ProcessThread(QObject *parent = nullptr);

    void setInterpreter(Interpreter *interpreter);
    // The program the next start() runs.
    void setProgram(Script *script) { _program = script; }
    // 0 after a successful run; 1 until the first run.
    int resultCode() const { return _resultCode; }
    void setResultCode(int code) { _resultCode = code; }

protected:
    void run() override;

private:
    Interpreter *_vm = nullptr;
    Script *_program = nullptr;
    int _resultCode = 1;
};
