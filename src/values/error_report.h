#pragma once

#include <QString>
#include <QtGlobal>

// Error states decide how a code is reported; codes without an entry are errors.
enum ErrorState {
    IGNORE_STATE = 1,
    WARNING_STATE = 2,
    ERROR_STATE = 3,
    UNKNOWN_STATE = 4,
};

// One error report (an entry of OutputList). Numbers that do not apply are -1.
struct ErrorReport {
    quint32 code = 0;
    quint32 line = 0;
    QString name;       // variable, function, file or command name; user text
    QString secondText; // second argument of messages with several markers
    QString path;       // script path; empty for the command window
    QString function;   // function in which the error happened
    qint32 firstNumber = -1;  // argument index (0x20D), given count (0x30E), row (0x30F, 0xB03)
    qint32 secondNumber = -1; // expected type (0x20D), expected count (0x30E), column (0x30F)
    quint32 thirdNumber = 0;  // given type (0x20D), target type (0x30F)
    QString token;      // offending token of a syntax error
    int state = ERROR_STATE; // the code's error state when it was reported
};

// The report as the command window shows it: a leading empty line, the head,
// an empty line and the indented message with its details.
QString renderErrorReport(const ErrorReport &report);
