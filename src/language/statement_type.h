#pragma once

#include <QMetaType>
#include <QString>

// Kinds of open constructs; the argument of startMultiline and the entries
// of a Script's statement stack.
enum StatementType {
    NO_STATEMENT = 0,
    VECTOR_STATEMENT = 1,
    COMPOUND_STATEMENT = 2,
    WHILE_STATEMENT = 3,
    FOR_STATEMENT = 4,
    DO_STATEMENT = 5,
    IF_STATEMENT = 6,
    ELSE_STATEMENT = 7,
    SWITCH_STATEMENT = 8,
    FUNCTION_STATEMENT = 9,
};
Q_DECLARE_METATYPE(StatementType)

// ">> ", "vector > ", "block > ", ... (each ends in a blank).
QString statementPrompt(StatementType type);
