#include "engine/process_thread.h"

#include "values/assert.h"
#include "vm/interpreter.h"

ProcessThread::ProcessThread(QObject *parent)
    : QThread(parent)
{
}

void ProcessThread::setInterpreter(Interpreter *interpreter)
{
    _vm = interpreter;
}

void ProcessThread::run()
{
    NUMLYRA_ASSERT(_vm != 0);
    _resultCode = _vm->run(_program) == 0 ? 0 : 1;
}
