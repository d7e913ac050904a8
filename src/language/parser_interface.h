#pragma once

#include "language/statement_type.h"

#include <QByteArray>
#include <QString>

class Script;

// The result of compiling one submission or one file.
struct ParseResult {
    enum Outcome {
        ACCEPTED = 0,   // compiled; the code may run
        INCOMPLETE = 1, // ran out of text inside an open construct: ask for more lines
        ERROR = 2,      // rejected; the error report is already in OutputList
    };
    Outcome outcome = ERROR;
    StatementType statement = NO_STATEMENT; // the innermost open construct (INCOMPLETE)

    bool accepted() const { return outcome == ACCEPTED; }
};

// Compiles one command-window submission into the interactive script: its
// compile state is reset first (code, constants, compile stacks; the symbol
// table is kept), then the text (a newline is appended) is parsed. A rejected
// parse that reported nothing becomes INCOMPLETE when a construct is open and
// a "Syntax error" report with the current line otherwise.
ParseResult compileSubmission(Script &interactive, const QByteArray &text);

// Compiles the whole text of a script file into a Script (normally new; its
// file name is used in reports). An unfinished statement at the end of the
// text is an ERROR with a "Syntax error" report: there is no continuation.
ParseResult compileScriptText(Script &script, const QByteArray &text);

// Reads and compiles a file; a file that does not exist, is not a file or
// cannot be read is reported (0x604, 0x609, 0x600) as an ERROR.
ParseResult compileScriptFile(Script &script, const QString &path);

// The low-level parse: 0 accepted, 1 rejected, 2 rejected because the
// parser's stack ran out. The text must end with a newline; a zero byte
// ends it early.
int parseText(Script &script, const char *text, int length);
