#pragma once

#include "language/statement_type.h"
#include "values/error_report.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>

class Script;

// The one-pass compiler: the grammar's reductions and the scanner call these
// operations, which append byte code to the current Script. The current Script
// changes while a function definition is compiled (it is the function's body
// then). Operations that return bool have reported exactly one compile error
// when they return false; the grammar action then aborts the parse.
class Compiler {
public:
    explicit Compiler(Script *target);

    Script *current() const { return _current; }

    // --- questions and notices of the scanner ---
    bool registerIdentifier(const char *text, int length);
    bool newlinesIgnored() const;
    void setNewlinesIgnored(bool ignored);
    bool functionNameFlag() const;
    void setFunctionNameFlag();
    void countLine();
    // Reports a compile error of this unit; 0 is a plain syntax error.
    void reportError(quint32 code);
    // The parser found a syntax error at the token with this text.
    void syntaxErrorFound(const QByteArray &tokenText);

    // --- statements ---
    void beginExpressionStatement();
    void finishStatement(bool print);
    void pushStatement(StatementType type);
    void closeBlock();

    // --- constants and values ---
    void pushNumber(const char *text);
    void pushString(const char *text, int length);
    void pushVariable();           // pops the identifier
    void emitOperator(uint8_t opcode);
    bool pushEnd();
    void incrementVariable(uint8_t opcode); // pops the identifier

    // --- assignments ---
    void noteAssignOperator(int code);
    void noteIndexedAssignOperator(int code);
    void assignVariable();
    void readBackElement();
    void assignElement();

    // --- indexing ---
    void beginIndexOfVariable();   // pops the identifier
    void storeTemporary();
    void beginIndexOfTemporary();
    void indexStar();
    void indexComma();
    void closeIndex();
    void readElement(uint8_t opcode);       // INDEX1_VAR, INDEX2_VAR, INC_INDEX*, DEC_INDEX*
    void finishTemporaryIndex(uint8_t opcode); // INDEX1 / INDEX2

    // --- matrix literals ---
    void beginMatrix();
    void addElement();
    void endRow();
    void finishMatrix();

    // --- calls and command syntax ---
    void beginCall();              // pops the identifier
    void countArgument();
    bool finishCall();
    void pushWord(const char *text, int length);

    // --- control statements ---
    void beginIf();
    void beginElse();
    void endIf();
    void beginWhile();
    void beginWhileCondition();
    void endWhile();
    void beginDo();
    void doCondition();
    void endDo();
    void beginForIn(bool indexed);
    void endForIn();
    void forInit();
    void forCondition();
    void forStep();
    void endFor();
    void beginSwitch();
    bool beginCase();
    void nextCaseValue();
    void endCaseLabel();
    bool beginDefault();
    void endSwitch();
    bool breakStatement();
    bool continueStatement();
    bool beginReturn(bool withValue);
    void endReturn();

    // --- functions ---
    bool beginFunction();
    void addParameter();
    bool endFunction();

    // After a parse: the outermost unit takes the line reached.
    void finishParse();

    // The code offset the next instruction goes to.
    int here() const;

private:
    void emitByte(uint8_t b);
    void emitU16(uint32_t v);
    void emitU32(uint32_t v);
    // Emits an opcode; drops the id of an assignment used inside a larger expression.
    void emitOp(uint8_t opcode);
    void emitOpU16(uint8_t opcode, uint32_t operand);
    // Emits a jump opcode with a placeholder operand; returns the operand's offset.
    int emitJumpPlaceholder(uint8_t opcode);
    void emitJumpBack(uint8_t opcode, int target);
    void patchJump(int operandOffset, int target);
    void pushConstantIndex(int index);
    int makeDoubleConstant(double value);
    void emitLineSet(bool force = false);
    // The id of the name on top of idStack, for use as a variable: a name
    // kept aside from a full table is reported and gives id 0.
    int popId();
    // The raw id of the top name (it may be kept aside), for calls.
    int popName();
    int variableId(int nameId);
    QString nameOf(int nameId) const;
    bool hasRoomFor(const QString &name) const;
    int lookupOrCreate(const QString &name);
    void clearPrintIds();
    Script *outermost() const;

    Script *_current;
};
