#include "persistence/failure_reporter.h"

#include "app/message_hook.h"
#include "vm/execution_context.h"

bool FailureReporter::fail(const QString &message, quint32 code, const QString &name) const
{
    if (_context)
        _context->reportNamed(code, name);
    else
        showCriticalMessage(message);
    return false;
}

bool FailureReporter::fail(const QString &message, const ErrorReport &report) const
{
    if (_context)
        _context->report(report);
    else
        showCriticalMessage(message);
    return false;
}

bool FailureReporter::inform(const QString &message, quint32 code) const
{
    if (_context)
        _context->report(code);
    else
        showInformationMessage(message);
    return false;
}
