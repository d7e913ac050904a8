#include "language/compiler.h"

#include "language/function.h"
#include "language/script.h"
#include "library/function_registry.h"
#include "values/assert.h"
#include "values/error_codes.h"
#include "values/error_table.h"
#include "values/output_list.h"
#include "vm/instruction_set.h"

#include <QDateTime>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kMaxIdentifierLength = 80;
constexpr int kMaxSymbols = 65535;
constexpr int kMaxArguments = 255;
constexpr int kShortMax = 65535;

// The arithmetic instruction of a compound assignment operator code.
uint8_t arithmeticOf(int assignCode)
{
    switch (assignCode) {
    case 20: return ADD;
    case 59: return SUB;
    case 60: return MUL;
    case 61: return EMUL;
    case 62: return LDIV;
    case 63: return ELDIV;
    case 64: return DIV;
    case 65: return EDIV;
    case 66: return POW;
    case 67: return EPOW;
    default: break;
    }
    NUMLYRA_ASSERT(!"unknown compound assignment");
    return 0;
}

bool isPlainAssign(int code) { return code == 1 || code == ASSIGN_INDEX1; }

} // namespace

Compiler::Compiler(Script *target) : _current(target)
{
    NUMLYRA_ASSERT(target != nullptr);
}

Script *Compiler::outermost() const
{
    Script *s = _current;
    while (s->_parent && s->_insideFunction)
        s = s->_parent;
    return s;
}

int Compiler::here() const
{
    return int(_current->_code.size());
}

// --- emission primitives ---

void Compiler::emitByte(uint8_t b)
{
    _current->_code.push_back(b);
}

void Compiler::emitU16(uint32_t v)
{
    NUMLYRA_ASSERT(v <= 0xFFFF);
    emitByte(uint8_t(v >> 8));
    emitByte(uint8_t(v));
}

void Compiler::emitU32(uint32_t v)
{
    emitByte(uint8_t(v >> 24));
    emitByte(uint8_t(v >> 16));
    emitByte(uint8_t(v >> 8));
    emitByte(uint8_t(v));
}

void Compiler::emitOp(uint8_t opcode)
{
    CompileState &cs = _current->_compile;
    if (cs.justAssigned) {
        // The assignment just compiled is an operand of something larger.
        if (!cs.printIdStack.empty())
            cs.printIdStack.pop_back();
        cs.justAssigned = false;
    }
    emitByte(opcode);
}

void Compiler::emitOpU16(uint8_t opcode, uint32_t operand)
{
    emitOp(opcode);
    emitU16(operand);
}

int Compiler::emitJumpPlaceholder(uint8_t opcode)
{
    emitOp(opcode);
    const int offset = here();
    emitU16(0);
    return offset;
}

void Compiler::patchJump(int operandOffset, int target)
{
    const int distance = target - operandOffset - 1;
    if (distance < -32767 || distance > 32766) {
        // A body this long cannot be reached with a 16-bit jump.
        reportError(ERR_VALUE_TOO_BIG);
        return;
    }
    const uint16_t v = uint16_t(int16_t(distance));
    _current->_code[size_t(operandOffset)] = uint8_t(v >> 8);
    _current->_code[size_t(operandOffset) + 1] = uint8_t(v);
}

void Compiler::emitJumpBack(uint8_t opcode, int target)
{
    const int operand = emitJumpPlaceholder(opcode);
    patchJump(operand, target);
}

void Compiler::pushConstantIndex(int index)
{
    if (index < 256) {
        emitOp(PUSH_CONST8);
        emitByte(uint8_t(index));
    } else if (index < 65536) {
        emitOpU16(PUSH_CONST16, uint32_t(index));
    } else {
        emitOp(PUSH_CONST32);
        emitU32(uint32_t(index));
    }
}

int Compiler::makeDoubleConstant(double value)
{
    CompileState &cs = _current->_compile;
    if (cs.cacheKind == 1 && cs.cacheDouble == value)
        return cs.cacheIndex;
    _current->_constants.emplace_back(value);
    cs.cacheKind = 1;
    cs.cacheDouble = value;
    cs.cacheIndex = int(_current->_constants.size()) - 1;
    return cs.cacheIndex;
}

int Compiler::popId()
{
    return variableId(popName());
}

int Compiler::popName()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.idStack.empty());
    const int id = cs.idStack.back();
    cs.idStack.pop_back();
    return id;
}

// The unit is invalid after the report and its code never runs; id 0
// keeps the emitted code well-formed.
int Compiler::variableId(int nameId)
{
    if (nameId < kMaxSymbols)
        return nameId;
    reportError(ERR_IDENTIFIER_COUNT_LIMIT);
    return 0;
}

QString Compiler::nameOf(int nameId) const
{
    const CompileState &cs = _current->_compile;
    return nameId < kMaxSymbols ? _current->_symbols.name(nameId)
                                : cs.overflowNames[size_t(nameId - kMaxSymbols)];
}

// The last slot is kept for "ans", which every printed value needs: a
// command such as `who` must still show its result in a full table.
bool Compiler::hasRoomFor(const QString &name) const
{
    const IndexHash &symbols = _current->_symbols;
    if (symbols.size() < kMaxSymbols - 1)
        return true;
    static const QString ans = QStringLiteral("ans");
    return symbols.size() < kMaxSymbols && (name == ans || symbols.indexOf(ans) >= 0);
}

// -1 after reporting a full table.
int Compiler::lookupOrCreate(const QString &name)
{
    IndexHash &symbols = _current->_symbols;
    const int id = symbols.indexOf(name);
    if (id >= 0 && id < kMaxSymbols)
        return id;
    if (id < 0 && hasRoomFor(name))
        return symbols.insert(name, Variable::undefined());
    reportError(ERR_IDENTIFIER_COUNT_LIMIT);
    return -1;
}

void Compiler::clearPrintIds()
{
    CompileState &cs = _current->_compile;
    cs.printIdStack.clear();
    cs.justAssigned = false;
}

// --- lines ---

void Compiler::emitLineSet(bool force)
{
    CompileState &cs = _current->_compile;
    if (!cs.valid || !cs.lineNumbering)
        return;
    if (!force && cs.lastLineWritten == int64_t(cs.line))
        return;
    cs.lastLineSetOffset = here();
    cs.lastAdvanceOffset = -1;
    if (cs.line < 65535) {
        emitByte(LINE_SET16);
        emitU16(cs.line);
    } else {
        emitByte(LINE_SET32);
        emitU32(cs.line);
    }
    cs.lastLineWritten = cs.line;
}

void Compiler::countLine()
{
    CompileState &cs = _current->_compile;
    if (!cs.lineNumbering)
        return;
    ++cs.line;
    if (!cs.valid)
        return;
    std::vector<uint8_t> &code = _current->_code;
    const int size = int(code.size());
    if (cs.lastLineWritten == int64_t(cs.line) - 1) {
        const int set = cs.lastLineSetOffset;
        if (set >= 0 && code[size_t(set)] == LINE_SET16 && set + 3 == size) {
            if (cs.line < 65536) {
                code[size_t(set) + 1] = uint8_t(cs.line >> 8);
                code[size_t(set) + 2] = uint8_t(cs.line);
            } else {
                code.resize(size_t(set));
                emitByte(LINE_SET32);
                emitU32(cs.line);
            }
            cs.lastLineWritten = cs.line;
            return;
        }
        if (set >= 0 && code[size_t(set)] == LINE_SET32 && set + 5 == size) {
            for (int i = 0; i < 4; ++i)
                code[size_t(set) + 1 + size_t(i)] = uint8_t(cs.line >> (24 - 8 * i));
            cs.lastLineWritten = cs.line;
            return;
        }
        const int adv = cs.lastAdvanceOffset;
        if (adv >= 0 && adv + 1 == size) {
            uint8_t &op = code[size_t(adv)];
            const uint8_t next = op == LINE_INC ? LINE_ADD2 : op == LINE_ADD2 ? LINE_ADD3
                               : op == LINE_ADD3 ? LINE_ADD4 : op == LINE_ADD4 ? LINE_ADD5 : 0;
            if (next) {
                op = next;
                cs.lastLineWritten = cs.line;
                return;
            }
        }
        cs.lastAdvanceOffset = size;
        emitByte(LINE_INC);
        cs.lastLineWritten = cs.line;
        return;
    }
    emitLineSet(true);
}

// --- scanner interface ---

bool Compiler::registerIdentifier(const char *text, int length)
{
    const QString name = QString::fromLatin1(text, length);
    IndexHash &symbols = _current->_symbols;
    CompileState &cs = _current->_compile;
    int id = symbols.indexOf(name);
    if (id < 0 && length > kMaxIdentifierLength) {
        reportError(ERR_IDENTIFIER_NAME_TOO_LONG);
        return false;
    }
    if (id < 0 && hasRoomFor(name)) {
        id = symbols.insert(name, Variable::undefined());
    } else if (id < 0 || id >= kMaxSymbols) {
        // A full table (slots are never freed; a script file run or a
        // workspace loaded may even have added names beyond the ids) still
        // lets commands and functions be called: the name is kept aside and
        // only its use as a variable fails.
        const auto known = std::find(cs.overflowNames.begin(), cs.overflowNames.end(), name);
        const int index = int(known - cs.overflowNames.begin());
        if (known == cs.overflowNames.end())
            cs.overflowNames.push_back(name);
        id = kMaxSymbols + index;
    }
    cs.idStack.push_back(id);
    return true;
}

bool Compiler::newlinesIgnored() const { return _current->_compile.newlinesIgnored; }
void Compiler::setNewlinesIgnored(bool ignored) { _current->_compile.newlinesIgnored = ignored; }
bool Compiler::functionNameFlag() const { return _current->_compile.functionNameFlag; }
void Compiler::setFunctionNameFlag() { _current->_compile.functionNameFlag = true; }

void Compiler::reportError(quint32 code)
{
    Script *top = outermost();
    // One failure, one report: later errors of an invalid unit stay silent.
    if (!top->_compile.valid || !_current->_compile.valid)
        return;
    const CompileState &cs = _current->_compile;
    ErrorReport report;
    report.line = cs.line;
    report.path = _current->_fileName;
    if (code == ERR_UNRECOGNIZED_ESCAPE_SEQUENCE) {
        // A warning: the literal keeps both characters and compiles.
        report.code = code;
        report.state = WARNING_STATE;
        OutputList::instance().appendError(report);
        return;
    }
    report.code = ERR_SYNTAX_ERROR;
    if (code != 0)
        report.name = ErrorTable::message(code);
    if (code == ERR_IDENTIFIER_COUNT_LIMIT)
        report.name += QStringLiteral(" (clear does not free names: restart the session for new ones)");
    report.token = QString::fromLatin1(cs.offendingToken);
    OutputList::instance().appendError(report);
    _current->_compile.valid = false;
    top->_compile.valid = false;
}

void Compiler::syntaxErrorFound(const QByteArray &tokenText)
{
    for (Script *s : {_current, outermost()}) {
        CompileState &cs = s->_compile;
        if (!cs.tokenRecorded) {
            cs.tokenRecorded = true;
            cs.offendingToken = tokenText;
            // Found at the end of the text: the last newline was already counted.
            if (tokenText.isEmpty() && cs.line > 1 && cs.lineNumbering)
                --cs.line;
        }
        cs.lineNumbering = false;
        // The recovery discards up to the end of the line, so the line end must be seen.
        cs.newlinesIgnored = false;
    }
}

// --- statements ---

void Compiler::pushStatement(StatementType type)
{
    _current->_compile.statementStack.push_back(type);
}

void Compiler::closeBlock()
{
    std::vector<StatementType> &st = _current->_compile.statementStack;
    NUMLYRA_ASSERT(!st.empty() && st.back() == COMPOUND_STATEMENT);
    st.pop_back();
}

void Compiler::beginExpressionStatement()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(cs.printIdStack.empty());
    cs.newlinesIgnored = false;
    emitLineSet();
}

void Compiler::finishStatement(bool print)
{
    CompileState &cs = _current->_compile;
    if (print) {
        if (cs.printIdStack.empty()) {
            const int ans = std::max(lookupOrCreate(QStringLiteral("ans")), 0);
            emitByte(STORE);
            emitU16(uint32_t(ans));
            emitByte(PRINT_VAR);
            emitU16(uint32_t(ans));
        } else {
            for (auto it = cs.printIdStack.rbegin(); it != cs.printIdStack.rend(); ++it) {
                emitByte(PRINT_VAR);
                emitU16(uint32_t(*it));
            }
        }
    }
    clearPrintIds();
    emitByte(POP);
    cs.newlinesIgnored = true;
}

// --- constants and values ---

void Compiler::pushNumber(const char *text)
{
    const double value = std::strtod(text, nullptr);
    if (value == 0.0)
        emitOp(PUSH_ZERO);
    else if (value == 1.0)
        emitOp(PUSH_ONE);
    else if (value == 2.0)
        emitOp(PUSH_TWO);
    else if (value == -1.0)
        emitOp(PUSH_MINUS_ONE);
    else
        pushConstantIndex(makeDoubleConstant(value));
}

void Compiler::pushString(const char *text, int length)
{
    _current->_constants.emplace_back(String(text, length));
    _current->_compile.cacheKind = 0;
    pushConstantIndex(int(_current->_constants.size()) - 1);
}

void Compiler::pushWord(const char *text, int length)
{
    pushString(text, length);
}

void Compiler::pushVariable()
{
    emitOpU16(PUSH_VAR, uint32_t(popId()));
}

void Compiler::emitOperator(uint8_t opcode)
{
    emitOp(opcode);
}

bool Compiler::pushEnd()
{
    CompileState &cs = _current->_compile;
    if (cs.indexStack.empty() || !cs.indexStack.back().open) {
        reportError(ERR_INDEX_NOT_WITH_VECTOR);
        return false;
    }
    CompileState::Index &index = cs.indexStack.back();
    emitOp(0); // placeholder, becomes PUSH_END, PUSH_END_ROW or PUSH_END_COLUMN
    index.ends.push_back(here() - 1);
    emitU16(uint32_t(index.id));
    return true;
}

void Compiler::incrementVariable(uint8_t opcode)
{
    const int id = popId();
    emitOpU16(opcode, uint32_t(id));
    // The instruction leaves the stack alone; the expression's value is the
    // variable as changed, so that `++x` can end a statement or be used.
    emitOpU16(PUSH_VAR, uint32_t(id));
    _current->_compile.printIdStack.push_back(id);
}

// --- assignments ---

void Compiler::noteAssignOperator(int code)
{
    CompileState &cs = _current->_compile;
    if (code != 1) {
        NUMLYRA_ASSERT(!cs.idStack.empty());
        emitOpU16(PUSH_VAR, uint32_t(variableId(cs.idStack.back())));
    }
    cs.operatorStack.push_back(code);
}

void Compiler::noteIndexedAssignOperator(int code)
{
    _current->_compile.operatorStack.push_back(code == 1 ? ASSIGN_INDEX1 : code);
}

void Compiler::assignVariable()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.operatorStack.empty());
    const int code = cs.operatorStack.back();
    cs.operatorStack.pop_back();
    if (!isPlainAssign(code))
        emitOp(arithmeticOf(code));
    const int id = popId();
    // Not emitOp: in `y = x = 5` both assignments are printed.
    emitByte(STORE);
    emitU16(uint32_t(id));
    cs.printIdStack.push_back(id);
    cs.justAssigned = true;
}

void Compiler::readBackElement()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.operatorStack.empty() && !cs.indexStack.empty());
    if (isPlainAssign(cs.operatorStack.back()))
        return;
    const CompileState::Index &index = cs.indexStack.back();
    if (index.position == 0) {
        emitOp(DUP);
        emitOpU16(INDEX1_VAR, uint32_t(index.id));
    } else {
        emitOp(DUP2);
        emitOpU16(INDEX2_VAR, uint32_t(index.id));
    }
}

void Compiler::assignElement()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.operatorStack.empty() && !cs.indexStack.empty());
    const int code = cs.operatorStack.back();
    cs.operatorStack.pop_back();
    if (!isPlainAssign(code))
        emitOp(arithmeticOf(code));
    const CompileState::Index index = cs.indexStack.back();
    cs.indexStack.pop_back();
    emitByte(index.position == 0 ? ASSIGN_INDEX1 : ASSIGN_INDEX2);
    emitU16(uint32_t(index.id));
    cs.printIdStack.push_back(index.id);
    cs.justAssigned = false;
}

// --- indexing ---

void Compiler::beginIndexOfVariable()
{
    const int id = popId();
    _current->_compile.indexStack.push_back({id, 0, true, {}});
}

void Compiler::storeTemporary()
{
    CompileState &cs = _current->_compile;
    const int number = cs.tempIdStack.empty() ? 0 : cs.tempIdStack.back().number + 1;
    int id = lookupOrCreate(QStringLiteral("*-tmp-_%1").arg(number));
    if (id >= 0)
        _current->_symbols.at(id).setTemporary(true);
    else
        id = 0;
    emitOpU16(STORE, uint32_t(id));
    cs.tempIdStack.push_back({id, number});
}

void Compiler::beginIndexOfTemporary()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.tempIdStack.empty());
    cs.indexStack.push_back({cs.tempIdStack.back().id, 0, true, {}});
}

void Compiler::indexStar()
{
    emitOp(PUSH_ZERO);
    pushEnd();
    emitOp(RANGE);
}

void Compiler::indexComma()
{
    CompileState::Index &index = _current->_compile.indexStack.back();
    NUMLYRA_ASSERT(index.position == 0);
    for (int offset : index.ends)
        _current->_code[size_t(offset)] = PUSH_END_ROW;
    index.ends.clear();
    index.position = 1;
}

void Compiler::closeIndex()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.indexStack.empty());
    CompileState::Index &index = cs.indexStack.back();
    NUMLYRA_ASSERT(index.position <= 1);
    for (int offset : index.ends)
        _current->_code[size_t(offset)] = index.position == 0 ? PUSH_END : PUSH_END_COLUMN;
    index.ends.clear();
    index.open = false;
}

void Compiler::readElement(uint8_t opcode)
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.indexStack.empty());
    const int id = cs.indexStack.back().id;
    cs.indexStack.pop_back();
    emitOpU16(opcode, uint32_t(id));
    if (opcode != INDEX1_VAR && opcode != INDEX2_VAR)
        cs.printIdStack.push_back(id);
}

void Compiler::finishTemporaryIndex(uint8_t opcode)
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.indexStack.empty() && !cs.tempIdStack.empty());
    cs.indexStack.pop_back();
    emitOp(opcode);
    emitOpU16(CLEAR_VAR, uint32_t(cs.tempIdStack.back().id));
    cs.tempIdStack.pop_back();
}

// --- matrix literals ---

void Compiler::beginMatrix()
{
    CompileState &cs = _current->_compile;
    pushStatement(VECTOR_STATEMENT);
    cs.matrixList.push_back({0, 0, false, cs.newlinesIgnored});
    cs.newlinesIgnored = true;
}

void Compiler::addElement()
{
    ++_current->_compile.matrixList.back().elements;
}

void Compiler::endRow()
{
    CompileState::Matrix &m = _current->_compile.matrixList.back();
    ++m.rows;
    // MAKE_ROW and MAKE_COLUMN count in 16 bits: a longer literal (possible
    // in a script file, which has no command length limit) is refused.
    if (m.elements >= kShortMax)
        reportError(ERR_VALUE_TOO_BIG);
    else if (m.elements > 1)
        emitOpU16(MAKE_ROW, uint32_t(m.elements));
    m.elements = 0;
    m.sawRowSeparator = true;
}

void Compiler::finishMatrix()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.matrixList.empty());
    NUMLYRA_ASSERT(!cs.statementStack.empty() && cs.statementStack.back() == VECTOR_STATEMENT);
    cs.statementStack.pop_back();
    cs.newlinesIgnored = cs.matrixList.back().savedNewlinesIgnored;
    if (!cs.matrixList.back().sawRowSeparator) {
        if (cs.matrixList.back().elements >= kShortMax)
            reportError(ERR_VALUE_TOO_BIG);
        else
            emitOpU16(MAKE_ROW, uint32_t(cs.matrixList.back().elements));
    } else {
        endRow();
        if (cs.matrixList.back().rows >= kShortMax)
            reportError(ERR_VALUE_TOO_BIG);
        else
            emitOpU16(MAKE_COLUMN, uint32_t(cs.matrixList.back().rows));
    }
    cs.matrixList.pop_back();
}

// --- calls ---

void Compiler::beginCall()
{
    const int id = popName();
    _current->_compile.callStack.push_back({0, id});
}

void Compiler::countArgument()
{
    NUMLYRA_ASSERT(!_current->_compile.callStack.empty());
    ++_current->_compile.callStack.back().argumentCount;
}

bool Compiler::finishCall()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.callStack.empty());
    const CompileState::Call call = cs.callStack.back();
    cs.callStack.pop_back();
    if (call.argumentCount > kMaxArguments) {
        reportError(ERR_PARAM_COUNT_LIMIT);
        return false;
    }
    const int function = FunctionRegistry::instance().idOf(nameOf(call.id));
    if (function < 0) {
        reportError(ERR_IDENTIFIER_COUNT_LIMIT);
        return false;
    }
    emitOpU16(CALL, uint32_t(function));
    emitByte(uint8_t(call.argumentCount));
    return true;
}

// --- if / else ---

void Compiler::beginIf()
{
    pushStatement(IF_STATEMENT);
    const int jump = emitJumpPlaceholder(JUMP_IF_FALSE);
    _current->_compile.selectionList.push_back({jump, 1});
    clearPrintIds();
}

void Compiler::beginElse()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.statementStack.empty() && cs.statementStack.back() == IF_STATEMENT);
    NUMLYRA_ASSERT(!cs.selectionList.empty());
    cs.statementStack.back() = ELSE_STATEMENT;
    const int jump = emitJumpPlaceholder(JUMP);
    patchJump(cs.selectionList.back().offset, here());
    cs.selectionList.back().offset = jump;
    cs.lastLineWritten = -1; // the else part is entered by a jump
}

void Compiler::endIf()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.selectionList.empty());
    NUMLYRA_ASSERT(!cs.statementStack.empty()
                   && (cs.statementStack.back() == IF_STATEMENT || cs.statementStack.back() == ELSE_STATEMENT));
    patchJump(cs.selectionList.back().offset, here());
    cs.selectionList.pop_back();
    cs.statementStack.pop_back();
    cs.lastLineWritten = -1; // two paths meet here
    emitLineSet();
}

// --- loops ---

void Compiler::beginWhile()
{
    CompileState &cs = _current->_compile;
    CompileState::Loop loop;
    loop.start = here();
    loop.continueTarget = loop.start;
    cs.loopList.push_back(std::move(loop));
    // Every iteration comes back here, so the line is set unconditionally.
    cs.lastLineWritten = -1;
    emitLineSet();
}

void Compiler::beginWhileCondition()
{
    pushStatement(WHILE_STATEMENT);
    const int jump = emitJumpPlaceholder(JUMP_IF_FALSE);
    _current->_compile.selectionList.push_back({jump, 2});
    clearPrintIds();
}

void Compiler::endWhile()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.loopList.empty() && !cs.selectionList.empty());
    const CompileState::Loop loop = cs.loopList.back();
    cs.loopList.pop_back();
    emitJumpBack(JUMP, loop.start);
    const int end = here();
    for (int b : loop.breaks)
        patchJump(b, end);
    for (int c : loop.continues)
        patchJump(c, loop.start);
    patchJump(cs.selectionList.back().offset, end);
    cs.selectionList.pop_back();
    NUMLYRA_ASSERT(!cs.statementStack.empty() && cs.statementStack.back() == WHILE_STATEMENT);
    cs.statementStack.pop_back();
    cs.lastLineWritten = -1;
    emitLineSet();
}

void Compiler::beginDo()
{
    CompileState &cs = _current->_compile;
    pushStatement(DO_STATEMENT);
    CompileState::Loop loop;
    loop.start = here();
    cs.loopList.push_back(std::move(loop));
    cs.lastLineWritten = -1;
    emitLineSet();
}

void Compiler::doCondition()
{
    _current->_compile.loopList.back().continueTarget = here();
}

void Compiler::endDo()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.loopList.empty());
    const CompileState::Loop loop = cs.loopList.back();
    cs.loopList.pop_back();
    emitJumpBack(JUMP_IF_TRUE, loop.start);
    const int end = here();
    for (int b : loop.breaks)
        patchJump(b, end);
    for (int c : loop.continues)
        patchJump(c, loop.continueTarget);
    NUMLYRA_ASSERT(!cs.statementStack.empty() && cs.statementStack.back() == DO_STATEMENT);
    cs.statementStack.pop_back();
    cs.lastLineWritten = -1;
    emitLineSet();
}

void Compiler::beginForIn(bool indexed)
{
    CompileState &cs = _current->_compile;
    if (indexed) {
        const int index = popId();
        const int variable = popId();
        emitOpU16(FOR_BEGIN_INDEXED, uint32_t(variable));
        emitU16(uint32_t(index));
    } else {
        emitOpU16(FOR_BEGIN, uint32_t(popId()));
    }
    CompileState::Loop loop;
    loop.start = here();
    loop.continueTarget = loop.start;
    cs.loopList.push_back(std::move(loop));
    cs.lastLineWritten = -1;
    emitLineSet();
    const int next = emitJumpPlaceholder(indexed ? FOR_NEXT_INDEXED : FOR_NEXT);
    cs.selectionList.push_back({next, 3});
    pushStatement(FOR_STATEMENT);
    clearPrintIds();
}

void Compiler::endForIn()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.loopList.empty() && !cs.selectionList.empty());
    NUMLYRA_ASSERT(!cs.statementStack.empty() && cs.statementStack.back() == FOR_STATEMENT);
    cs.statementStack.pop_back();
    const CompileState::Loop loop = cs.loopList.back();
    cs.loopList.pop_back();
    emitJumpBack(JUMP, loop.start);
    const int end = here();
    for (int b : loop.breaks)
        patchJump(b, end);
    for (int c : loop.continues)
        patchJump(c, loop.start);
    // FOR_NEXT carries an unsigned distance from the end of the instruction.
    const int next = cs.selectionList.back().offset;
    cs.selectionList.pop_back();
    const int distance = end - (next + 2);
    if (distance > 0xFFFF) {
        reportError(ERR_VALUE_TOO_BIG);
    } else {
        _current->_code[size_t(next)] = uint8_t(distance >> 8);
        _current->_code[size_t(next) + 1] = uint8_t(distance);
    }
    cs.lastLineWritten = -1;
    emitLineSet();
}

void Compiler::forInit()
{
    CompileState &cs = _current->_compile;
    // The initialisation's value is not needed by anything.
    emitOp(POP);
    clearPrintIds();
    CompileState::Loop loop;
    loop.start = here();
    cs.loopList.push_back(std::move(loop));
    cs.lastLineWritten = -1;
    emitLineSet();
}

void Compiler::forCondition()
{
    const int jump = emitJumpPlaceholder(JUMP_IF_FALSE);
    _current->_compile.selectionList.push_back({jump, 1});
}

void Compiler::forStep()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.loopList.empty() && !cs.selectionList.empty());
    // The step runs after the body: keep its code aside until the body is done.
    const size_t from = size_t(cs.selectionList.back().offset) + 2;
    std::vector<uint8_t> &code = _current->_code;
    cs.loopList.back().stepCode.assign(code.begin() + long(from), code.end());
    code.resize(from);
    cs.lastLineSetOffset = -1;
    cs.lastAdvanceOffset = -1;
    cs.lastLineWritten = -1;
    pushStatement(FOR_STATEMENT);
    clearPrintIds();
}

void Compiler::endFor()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.loopList.empty() && !cs.selectionList.empty());
    NUMLYRA_ASSERT(!cs.statementStack.empty() && cs.statementStack.back() == FOR_STATEMENT);
    cs.statementStack.pop_back();
    CompileState::Loop loop = cs.loopList.back();
    cs.loopList.pop_back();
    loop.continueTarget = here();
    _current->_code.insert(_current->_code.end(), loop.stepCode.begin(), loop.stepCode.end());
    cs.justAssigned = false;
    emitOp(POP);
    emitJumpBack(JUMP, loop.start);
    const int end = here();
    for (int b : loop.breaks)
        patchJump(b, end);
    for (int c : loop.continues)
        patchJump(c, loop.continueTarget);
    patchJump(cs.selectionList.back().offset, end);
    cs.selectionList.pop_back();
    cs.lastLineSetOffset = -1;
    cs.lastAdvanceOffset = -1;
    cs.lastLineWritten = -1;
    emitLineSet();
}

// --- switch ---

void Compiler::beginSwitch()
{
    pushStatement(SWITCH_STATEMENT);
    _current->_compile.switchList.emplace_back();
    clearPrintIds();
}

bool Compiler::beginCase()
{
    CompileState &cs = _current->_compile;
    if (cs.switchList.empty()) {
        reportError(ERR_CASE_WITHOUT_SWITCH);
        return false;
    }
    CompileState::Switch &sw = cs.switchList.back();
    if (sw.hasLabel)
        sw.endOfBody.push_back(emitJumpPlaceholder(JUMP));
    sw.hasLabel = true;
    sw.testStarts.push_back(here());
    cs.lastLineWritten = -1;
    emitLineSet();
    emitOp(DUP);
    return true;
}

void Compiler::nextCaseValue()
{
    CompileState::Switch &sw = _current->_compile.switchList.back();
    emitOp(EQ);
    sw.valueMatch.push_back(emitJumpPlaceholder(JUMP_IF_TRUE));
    emitOp(DUP);
}

void Compiler::endCaseLabel()
{
    CompileState::Switch &sw = _current->_compile.switchList.back();
    emitOp(EQ);
    sw.noMatch.push_back(emitJumpPlaceholder(JUMP_IF_FALSE));
    for (int m : sw.valueMatch)
        patchJump(m, here());
    sw.valueMatch.clear();
}

bool Compiler::beginDefault()
{
    CompileState &cs = _current->_compile;
    if (cs.switchList.empty()) {
        reportError(ERR_DEFAULT_WITHOUT_SWITCH);
        return false;
    }
    CompileState::Switch &sw = cs.switchList.back();
    if (sw.defaultOffset >= 0) {
        reportError(ERR_MORE_THAN_ONE_DEFAULT_STATEMENT);
        return false;
    }
    if (sw.hasLabel)
        sw.endOfBody.push_back(emitJumpPlaceholder(JUMP));
    sw.hasLabel = true;
    sw.defaultOffset = here();
    cs.lastLineWritten = -1;
    return true;
}

void Compiler::endSwitch()
{
    CompileState &cs = _current->_compile;
    NUMLYRA_ASSERT(!cs.switchList.empty());
    const CompileState::Switch sw = cs.switchList.back();
    cs.switchList.pop_back();
    const int end = here();
    for (int j : sw.endOfBody)
        patchJump(j, end);
    // A failing case tests the next one; the last goes to the default or the end.
    std::vector<int> targets(sw.testStarts.begin() + (sw.testStarts.empty() ? 0 : 1), sw.testStarts.end());
    targets.push_back(sw.defaultOffset >= 0 ? sw.defaultOffset : end);
    for (size_t i = 0; i < sw.noMatch.size(); ++i)
        patchJump(sw.noMatch[i], targets[i]);
    emitOp(POP);
    NUMLYRA_ASSERT(!cs.statementStack.empty() && cs.statementStack.back() == SWITCH_STATEMENT);
    cs.statementStack.pop_back();
    cs.lastLineWritten = -1;
    emitLineSet();
}

// --- break, continue, return ---

bool Compiler::breakStatement()
{
    CompileState &cs = _current->_compile;
    if (cs.loopList.empty()) {
        reportError(ERR_BREAK_WITHOUT_LOOP);
        return false;
    }
    const int jump = emitJumpPlaceholder(JUMP);
    cs.loopList.back().breaks.push_back(jump);
    return true;
}

bool Compiler::continueStatement()
{
    CompileState &cs = _current->_compile;
    if (cs.loopList.empty()) {
        reportError(ERR_CONTINUE_WITHOUT_LOOP);
        return false;
    }
    const int jump = emitJumpPlaceholder(JUMP);
    cs.loopList.back().continues.push_back(jump);
    return true;
}

bool Compiler::beginReturn(bool withValue)
{
    if (!_current->_insideFunction) {
        reportError(ERR_RETURN_NOT_IN_FUNCTION);
        return false;
    }
    if (withValue)
        emitOp(POP); // the result slot gets the returned value instead
    _current->_compile.newlinesIgnored = false;
    return true;
}

void Compiler::endReturn()
{
    emitOp(HALT);
    clearPrintIds();
    _current->_compile.newlinesIgnored = true;
}

// --- functions ---

bool Compiler::beginFunction()
{
    Script *parent = _current;
    CompileState &pcs = parent->_compile;
    pcs.functionNameFlag = false;
    const int nameId = popName();
    if (!pcs.statementStack.empty() && pcs.statementStack.back() != FUNCTION_STATEMENT) {
        reportError(ERR_WRONG_FUNCTION_DECLARATION);
        return false;
    }
    const QString name = nameOf(nameId);
    const int functionId = FunctionRegistry::instance().idOf(name);
    if (functionId < 0) {
        reportError(ERR_IDENTIFIER_COUNT_LIMIT);
        return false;
    }

    auto info = std::make_unique<FunctionInfo>();
    info->kind = FunctionInfo::USER_FUNCTION_TYPE;
    info->id = functionId;
    info->name = String::fromQString(name);
    Script *child = new Script(parent->_fileName, parent);
    info->script.reset(child);
    child->_insideFunction = true;
    child->_functionInfo = info.get();
    child->_firstLine = int(pcs.line);
    child->_compile.line = pcs.line;

    if (parent->localFunction(functionId) && !parent->_fileName.isEmpty()) {
        ErrorReport report;
        report.code = ERR_USER_FUNCTION_REPLACED;
        report.line = pcs.line;
        report.name = name;
        report.secondText = parent->_fileName;
        report.path = parent->_fileName;
        report.state = WARNING_STATE;
        OutputList::instance().appendError(report);
    }

    pcs.statementStack.push_back(FUNCTION_STATEMENT);
    child->_compile.statementStack.push_back(FUNCTION_STATEMENT);
    pcs.pendingFunction = std::move(info);
    _current = child;
    emitLineSet(true);
    return true;
}

void Compiler::addParameter()
{
    const int nameId = popName();
    if (nameId < kMaxSymbols)
        _current->_symbols.at(nameId) = Variable::undefined();
    else
        reportError(ERR_IDENTIFIER_COUNT_LIMIT);
    NUMLYRA_ASSERT(_current->_functionInfo != nullptr);
    ++_current->_functionInfo->parameterCount;
}

bool Compiler::endFunction()
{
    Script *child = _current;
    Script *parent = child->_parent;
    NUMLYRA_ASSERT(parent != nullptr && child->_insideFunction);
    CompileState &ccs = child->_compile;
    CompileState &pcs = parent->_compile;
    NUMLYRA_ASSERT(!ccs.statementStack.empty() && ccs.statementStack.back() == FUNCTION_STATEMENT);
    ccs.statementStack.pop_back();
    NUMLYRA_ASSERT(!pcs.statementStack.empty() && pcs.statementStack.back() == FUNCTION_STATEMENT);
    pcs.statementStack.pop_back();
    if (child->_functionInfo->parameterCount > kMaxArguments) {
        reportError(ERR_PARAM_COUNT_LIMIT);
        return false;
    }
    pcs.line = ccs.line;
    _current = parent;
    emitLineSet(true);

    std::unique_ptr<FunctionInfo> info = std::move(pcs.pendingFunction);
    NUMLYRA_ASSERT(info && info.get() == child->_functionInfo);
    NUMLYRA_ASSERT(info->id == child->_functionInfo->id);
    const int id = info->id;
    if (std::find(parent->_definedFunctions.begin(), parent->_definedFunctions.end(), id)
        == parent->_definedFunctions.end())
        parent->_definedFunctions.push_back(id);
    info->symbolCount = child->_symbols.size();
    info->symbols = child->_symbols;
    info->timeStamp = QDateTime::currentDateTime();
    // A redefinition replaces the previous body; at the command line the
    // user is told, since the old body is gone for good (files get 0xA04).
    if (FunctionInfo *previous = parent->_localFunctions.value(id, nullptr)) {
        if (parent->_fileName.isEmpty()) {
            ErrorReport report;
            report.code = ERR_LOCAL_FUNCTION_RENEWED;
            report.line = uint32_t(child->_firstLine);
            report.name = info->name.toQString();
            report.state = WARNING_STATE;
            OutputList::instance().appendError(report);
        }
        delete previous;
    }
    parent->_localFunctions.insert(id, info.release());
    return true;
}

// --- end of a parse ---

void Compiler::finishParse()
{
    Script *top = outermost();
    if (top != _current) {
        // Aborted inside a function definition: the unit reports the line reached.
        top->_compile.line = _current->_compile.line;
        if (!top->_compile.tokenRecorded) {
            top->_compile.offendingToken = _current->_compile.offendingToken;
            top->_compile.tokenRecorded = _current->_compile.tokenRecorded;
        }
    }
}
