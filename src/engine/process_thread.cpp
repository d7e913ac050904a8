#include "engine/process_thread.h"

#include "values/assert.h"
#include "values/error_codes.h"
#include "vm/interpreter.h"

#include <new>

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
    // The interpreter turns a failed allocation inside the program into a
    // report; this catches one around it, so that an exception never
    // leaves the worker thread and ends the whole session.
    try {
        _resultCode = _vm->run(_program) == 0 ? 0 : 1;
    } catch (const std::bad_alloc &) {
        _vm->report(ERR_NOT_ENOUGH_MEMORY);
        _resultCode = 1;
    }
}
