#pragma once

#include "values/error_report.h"

#include <QString>
#include <QtGlobal>

class ExecutionContext;

// Persistence operations run either interactively (failures become a message
// box) or on behalf of a running command (failures become an error code on
// the command's context). Every failure path goes through one of these
// calls, which report exactly once and return false.
class FailureReporter {
public:
    explicit FailureReporter(ExecutionContext *context) : _context(context) {}

    bool isInteractive() const { return _context == nullptr; }
    ExecutionContext *context() const { return _context; }

    // `message` for the box, `code` (with an optional name) for the command.
    bool fail(const QString &message, quint32 code, const QString &name = QString()) const;
    // A command report with details (row, column, target type).
    bool fail(const QString &message, const ErrorReport &report) const;
    // As fail(), but an information box in interactive mode.
    bool inform(const QString &message, quint32 code) const;

private:
    ExecutionContext *_context;
};
