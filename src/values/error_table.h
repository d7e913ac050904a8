#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

// The process-wide table from error code to (translated) message. Created
// once at start-up; message() falls back to the built-in table when no
// instance exists (tests, tools).
class ErrorTable {
public:
    ErrorTable();
    ~ErrorTable();
    ErrorTable(const ErrorTable &) = delete;
    ErrorTable &operator=(const ErrorTable &) = delete;

    // The message of a code, or "UNKNOWN ERROR CODE".
    static QString message(quint32 code);
    static bool contains(quint32 code);

private:
    QHash<quint32, QString> _messages;
    static ErrorTable *_instance;
};
