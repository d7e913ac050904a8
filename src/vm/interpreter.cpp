#include "vm/interpreter.h"

#include "engine/run_state.h"
#include "language/function.h"
#include "language/script.h"
#include "library/function_registry.h"
#include "library/operators.h"
#include "values/assert.h"
#include "values/error_codes.h"
#include "values/output_list.h"
#include "vm/call_targets.h"
#include "vm/concatenation.h"
#include "vm/indexing.h"
#include "vm/instruction_set.h"
#include "vm/range.h"
#include "vm/superinstructions.h"

#include <cmath>
#include <new>
#include <numbers>

namespace {

inline uint16_t u16(const uint8_t *p)
{
    return uint16_t(p[0] << 8 | p[1]);
}

inline uint32_t u32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The operator behind each in-place compound opcode.
uint8_t operatorOfToVar(uint8_t opcode)
{
    switch (opcode) {
    case ADD_TO_VAR: return ADD;
    case SUB_TO_VAR: return SUB;
    case MUL_TO_VAR: return MUL;
    case EMUL_TO_VAR: return EMUL;
    case LDIV_TO_VAR: return LDIV;
    case ELDIV_TO_VAR: return ELDIV;
    case DIV_TO_VAR: return DIV;
    case EDIV_TO_VAR: return EDIV;
    case POW_TO_VAR: return POW;
    case EPOW_TO_VAR: return EPOW;
    default: return 0;
    }
}

// The function's name as text for reports, made on first use.
const QString &nameTextOf(FunctionInfo &function)
{
    if (function.nameText.isNull())
        function.nameText = function.name.toQString();
    return function.nameText;
}

// Codes whose conditions are warnings until the user says otherwise.
const quint32 kInitialWarnings[] = {
    ERR_RESULT_IS_INF, ERR_RESULT_IS_NAN, ERR_DIVIDE_BY_ZERO, ERR_NATIVE_FUNCTION_REPLACED,
    ERR_USER_FUNCTION_REPLACED, ERR_UNRECOGNIZED_ESCAPE_SEQUENCE, ERR_USER_WARNING,
};

} // namespace

Interpreter::Interpreter() : _frame{_stack, *this}, _runState(&RunState::instance())
{
    _frame.a = &_a;
    _frame.b = &_b;
    for (int op = 0; op < 256; ++op) {
        _operators[op] = operatorRoutine(uint8_t(op));
        _lengths[op] = opcodeInfo(uint8_t(op)).length;
    }
    const int32_t integers[] = {0, 1, 2, 3, 4, 5, -1};
    const double doubles[] = {0.0, 1.0, 2.0, -1.0};
    for (int i = 0; i < 7; ++i)
        _presets[i] = Variable(integers[i]);
    for (int i = 0; i < 4; ++i)
        _presets[7 + i] = Variable(doubles[i]);
    for (quint32 code : kInitialWarnings)
        setState(code, WARNING_STATE);
}

Interpreter::~Interpreter() = default;

Interpreter::Binding Interpreter::saveBinding() const
{
    return Binding{_script, _symbols, _insideFunction, _scriptName, _functionName};
}

void Interpreter::restoreBinding(const Binding &binding)
{
    _script = binding.script;
    _symbols = binding.symbols;
    _insideFunction = binding.insideFunction;
    _scriptName = binding.scriptName;
    _functionName = binding.functionName;
}

int Interpreter::run(Script *script)
{
    NUMLYRA_ASSERT(script != nullptr);
    const Binding saved = saveBinding();
    const size_t loopBase = _loops.size();
    const size_t outerLoopBase = _loopBase;
    _loopBase = loopBase;
    _script = script;
    _symbols = &script->symbols();
    _insideFunction = script->insideFunction();
    _scriptName = &script->fileName();
    if (FunctionInfo *info = script->functionInfo()) {
        _functionName = &nameTextOf(*info);
    } else {
        static const QString noFunction;
        _functionName = &noFunction;
    }
    // The stop flag is the caller's: it is cleared when a command is
    // submitted, so a stop requested before this thread got here still counts.
    _line = 1;
    ++_runDepth;
    int result = -1;
    try {
        const FusedCode fused = fuseInstructions(*script, _symbols);
        result = execute(script->code(), fused, script->codeSize());
    } catch (const std::bad_alloc &) {
        abandonForMemory();
    }
    --_runDepth;
    _loops.erase(_loops.begin() + std::ptrdiff_t(loopBase), _loops.end());
    _loopBase = outerLoopBase;
    if (_runDepth > 0) {
        restoreBinding(saved);
    } else {
        // Reports after the run (the engine's own) still name its code,
        // which may be gone by then.
        _ownScriptName = *_scriptName;
        _ownFunctionName = *_functionName;
        _scriptName = &_ownScriptName;
        _functionName = &_ownFunctionName;
    }
    return result;
}

void Interpreter::setError(quint32 code, int extra)
{
    ErrorReport r;
    r.code = code;
    if (code == ERR_UNDEFINED_VARIABLE) {
        if (extra >= 0 && _symbols && extra < _symbols->size())
            r.name = _symbols->name(extra);
    } else if (code == ERR_FUNCTION_NOT_FOUND || code == ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION) {
        if (!_runState->invokeIdStack.empty())
            r.name = FunctionRegistry::instance().nameOf(_runState->invokeIdStack.back());
    } else if (code == ERR_INTERACTIVE_ONLY) {
        r.name = FunctionRegistry::instance().nameOf(extra);
    }
    report(std::move(r));
}

bool Interpreter::fail(quint32 code, int extra)
{
    setError(code, extra);
    return false;
}

// An allocation that failed anywhere inside an instruction (operator,
// native, reader) ends the run as that instruction's failure. Values are
// never left half-built (their operations do not throw once they allocated),
// so dropping the registers is all the repair needed; the stack is cleared
// after the run as after any failure.
void Interpreter::abandonForMemory()
{
    _frame.variable = -1;
    releaseRegisters();
    report(ERR_NOT_ENOUGH_MEMORY);
}

void Interpreter::clearStack()
{
    _stack.clear();
    releaseRegisters();
    _loops.clear();
    _loopBase = 0;
}

// Points the frame back at A and B (operators read stack slots in place)
// and frees what the registers hold.
void Interpreter::releaseRegisters()
{
    _frame.a = &_a;
    _frame.b = &_b;
    _a.clear();
    _b.clear();
    _c.clear();
}

void Interpreter::markChanged(int position)
{
    markChanged(position, _symbols->at(position));
}


void Interpreter::markRemoved(int position)
{
    if (!_symbols->at(position).isTemporary())
        _runState->removeItemSet.insert(position);
}

// --- instruction helpers (cold or longer paths) ---

bool Interpreter::checkDefined(int position)
{
    if (_symbols->at(position).isAbsent())
        return fail(ERR_UNDEFINED_VARIABLE, position);
    return true;
}

bool Interpreter::storeTop(int position)
{
    Variable &target = _symbols->at(position);
    target = _stack.top();
    if (target.isUndefined())
        target.setUndefined(); // a stored undefined value is a variable, not an absent one
    markChanged(position, target);
    return true;
}

// The operands are read in place: A is the entry below the top, B the top;
// the routine writes register C, which then replaces both entries.
namespace {

// Two double scalars with a plain result need none of the operator
// routines' conversions or error states: loops spend most of their time here.
// A result or operand the error states care about (an infinity or NaN) takes
// the full routine instead.
// `result` may be `a` itself: both operands are read before it is written.
[[gnu::always_inline]] inline bool scalarFastPath(uint8_t opcode, const Variable &a, const Variable &b,
                                                  Variable &result)
{
    if (a.type() != DOUBLE_TYPE || b.type() != DOUBLE_TYPE)
        return false;
    const double x = a.getDouble();
    const double y = b.getDouble();
    double value;
    switch (opcode) {
    case ADD: value = x + y; break;
    case SUB: value = x - y; break;
    case MUL: case EMUL: value = x * y; break;
    case LT: case LE: case GT: case GE: case EQ: case NE: {
        if (std::isnan(x) || std::isnan(y))
            return false;
        const bool truth = opcode == LT ? x < y : opcode == LE ? x <= y : opcode == GT ? x > y
                         : opcode == GE ? x >= y : opcode == EQ ? x == y : x != y;
        result.setBoolean(truth);
        return true;
    }
    default: return false;
    }
    if (!std::isfinite(value))
        return false;
    result.setDouble(value);
    return true;
}

} // namespace

bool Interpreter::binaryOperator(uint8_t opcode)
{
    const NativeRoutine routine = _operators[opcode];
    if (!routine)
        return fail(ERR_COMMAND_NOT_SUPPORTED);
    _frame.b = &_stack.top();
    _frame.a = &_stack.fromTop(1);
    _frame.result = &_c;
    const bool ok = routine(_frame);
    _frame.a = &_a;
    _frame.b = &_b;
    _stack.pop();
    if (ok) {
        _stack.top() = std::move(_c);
        return true;
    }
    _c.clear();
    _stack.pop();
    return false;
}

bool Interpreter::unaryOperator(uint8_t opcode)
{
    const NativeRoutine routine = _operators[opcode];
    if (!routine)
        return fail(ERR_COMMAND_NOT_SUPPORTED);
    Variable &top = _stack.top();
    _frame.a = &top;
    _frame.result = &_c;
    const bool ok = routine(_frame);
    _frame.a = &_a;
    if (ok)
        top = std::move(_c);
    else
        _c.clear(); // a failed unary operator leaves the stack as it was
    return ok;
}

bool Interpreter::operatorToVariable(uint8_t opcode, int position)
{
    if (!checkDefined(position))
        return false;
    const NativeRoutine routine = _operators[operatorOfToVar(opcode)];
    if (!routine)
        return fail(ERR_COMMAND_NOT_SUPPORTED);
    Variable &target = _symbols->at(position);
    Variable &top = _stack.top();
    if (scalarFastPath(operatorOfToVar(opcode), target, top, _c)) {
        top = std::move(_c);
        target = top;
        markChanged(position);
        return true;
    }
    _a = target; // the variable itself stays untouched until the routine has succeeded
    _frame.b = &top;
    _frame.result = &_c;
    _frame.variable = position;
    const bool ok = routine(_frame);
    _frame.variable = -1;
    if (!ok) {
        releaseRegisters();
        _stack.pop();
        return false;
    }
    top = std::move(_c);
    target = top;
    releaseRegisters();
    markChanged(position);
    return true;
}

bool Interpreter::pushEnd(uint8_t opcode, int position)
{
    const Variable &v = _symbols->at(position);
    double end = -1.0;
    if (!v.isUndefined()) {
        if (v.type() != VECTOR_TYPE)
            return fail(ERR_INDEX_NOT_WITH_VECTOR);
        const Vector &vector = v.getVector();
        if (!vector.isEmpty()) {
            const uint32_t n = opcode == PUSH_END       ? vector.count()
                               : opcode == PUSH_END_ROW ? vector.rowCount()
                                                        : vector.columnCount();
            end = double(n) - 1.0;
        }
    }
    _stack.push(Variable(end));
    return true;
}

bool Interpreter::sizeOperator()
{
    Variable &top = _stack.top();
    if (top.isUndefined())
        return fail(ERR_UNDEFINED_VARIABLE);
    if (top.type() != VECTOR_TYPE) {
        top.setDouble(1.0);
        return true;
    }
    const Vector &v = top.getVector();
    if (v.isEmpty()) {
        top.setDouble(0.0);
    } else if (v.rowCount() == 1 || v.columnCount() == 1) {
        top.setDouble(double(v.count()));
    } else {
        Vector shape;
        if (!Vector::create(DOUBLE_TYPE, 1, 2, shape))
            return fail(ERR_NOT_ENOUGH_MEMORY);
        double *x = shape.mutableDoubles();
        x[0] = double(v.rowCount());
        x[1] = double(v.columnCount());
        top.setVector(std::move(shape));
    }
    return true;
}

// --- for loops ---

// `break` leaves a for-in loop by a plain jump, past the FOR_NEXT that would
// have dropped its record. Records remember where they were begun and
// advanced, so stale ones are recognised: a loop begun again at the same
// place, or a FOR_NEXT of an enclosing loop, discards the records above.
bool Interpreter::beginLoop(int pc, int variable, int indexVariable)
{
    Variable &top = _stack.top();
    if (top.isUndefined())
        return fail(ERR_UNDEFINED_VARIABLE);
    for (size_t i = _loops.size(); i > _loopBase; --i) {
        if (_loops[i - 1].beginPc == pc) {
            _loops.erase(_loops.begin() + std::ptrdiff_t(i - 1), _loops.end());
            break;
        }
    }
    LoopRecord loop;
    loop.count = 1;
    if (top.type() == VECTOR_TYPE) {
        const Vector &v = top.getVector();
        loop.count = v.isLine() ? v.count() : v.rowCount();
    }
    loop.beginPc = pc;
    loop.variable = variable;
    loop.indexVariable = indexVariable;
    loop.value = std::move(top);
    _stack.pop();
    _loops.push_back(std::move(loop));
    markChanged(variable);
    if (indexVariable >= 0)
        markChanged(indexVariable);
    return true;
}

bool Interpreter::nextLoop(int pc, bool indexed, bool &finished)
{
    while (_loops.size() > _loopBase && _loops.back().nextPc >= 0 && _loops.back().nextPc != pc)
        _loops.pop_back();
    NUMLYRA_ASSERT(_loops.size() > _loopBase);
    LoopRecord &loop = _loops.back();
    loop.nextPc = pc;
    ++loop.index;
    finished = loop.index >= loop.count;
    if (finished) {
        _loops.pop_back();
        return true;
    }
    if (indexed && loop.indexVariable >= 0)
        _symbols->at(loop.indexVariable).setDouble(double(loop.index));
    return assignLoopVariable(loop);
}

bool Interpreter::assignLoopVariable(LoopRecord &loop)
{
    Variable &target = _symbols->at(loop.variable);
    if (loop.value.type() != VECTOR_TYPE) {
        target = loop.value;
        return true;
    }
    const Vector &v = loop.value.getVector();
    const uint32_t i = uint32_t(loop.index);
    if (v.isLine()) {
        switch (v.type()) {
        case BOOLEAN_TYPE: target.setBoolean(v.getBoolean(i)); break;
        case INTEGER_TYPE: target.setDouble(double(v.getInteger(i))); break;
        case DOUBLE_TYPE: target.setDouble(v.getDouble(i)); break;
        case STRING_TYPE: target.setString(v.getString(i)); break;
        default: return fail(ERR_OPERATION_NOT_SUPPORTED);
        }
        return true;
    }
    // Row i as a 1 x columns line; integer rows become doubles. The row of
    // the previous iteration is rewritten in place when it is still there.
    const uint32_t columns = v.columnCount();
    const VariableType type = v.type() == INTEGER_TYPE ? DOUBLE_TYPE : v.type();
    const bool reuse = target.type() == VECTOR_TYPE && target.getVector().type() == type &&
                       target.getVector().rowCount() == 1 && target.getVector().columnCount() == columns;
    Vector row;
    if (reuse)
        row = std::move(target.vectorRef());
    else if (!Vector::create(type, 1, columns, row))
        return fail(ERR_NOT_ENOUGH_MEMORY);
    const size_t from = size_t(i) * columns;
    bool ok = true;
    switch (v.type()) {
    case BOOLEAN_TYPE:
        if (bool *x = row.mutableBooleans())
            std::copy_n(v.booleans() + from, columns, x);
        else
            ok = false;
        break;
    case INTEGER_TYPE:
        if (double *x = row.mutableDoubles())
            std::copy_n(v.integers() + from, columns, x);
        else
            ok = false;
        break;
    case DOUBLE_TYPE:
        if (double *x = row.mutableDoubles())
            std::copy_n(v.doubles() + from, columns, x);
        else
            ok = false;
        break;
    case STRING_TYPE:
        if (String *x = row.mutableStrings())
            std::copy_n(v.strings() + from, columns, x);
        else
            ok = false;
        break;
    default:
        return fail(ERR_OPERATION_NOT_SUPPORTED);
    }
    target.setVector(std::move(row));
    return ok || fail(ERR_NOT_ENOUGH_MEMORY);
}

// --- calls ---

// Puts a returned call's symbol table back to the definition's values for the
// next call; a deep recursion keeps only a few.
void Interpreter::recycleActivation(FunctionInfo &function, std::unique_ptr<IndexHash> activation)
{
    constexpr size_t MAX_SPARE_ACTIVATIONS = 16;
    if (function.spareActivations.size() >= MAX_SPARE_ACTIVATIONS || activation->size() != function.symbols.size())
        return;
    activation->resetValues(function.symbols);
    function.spareActivations.push_back(std::move(activation));
}


// The local functions of the running script and its parents come first,
// then the registry's native or user function. A call site keeps what it
// found until a function appears or goes away (call_targets.h).
int Interpreter::call(int functionId, int argc, CallSite *site)
{
    FunctionInfo *function = nullptr;
    NativeRoutine routine = nullptr;
    if (site && site->version == callTargetsVersion()) {
        function = site->user;
        routine = site->native;
    } else {
        for (Script *s = _script; s && !function; s = s->parent())
            function = s->localFunction(functionId);
        if (!function) {
            const FunctionRegistry &registry = FunctionRegistry::instance();
            routine = registry.nativeRoutine(functionId);
            if (!routine)
                function = registry.userFunction(functionId);
        }
        if (site && (function || routine))
            *site = CallSite{callTargetsVersion(), function, routine};
    }
    std::vector<int> &invoked = _runState->invokeIdStack;
    invoked.push_back(functionId);
    if (function)
        return callUserFunction(*function, argc);
    if (routine) {
        const int expected = _stack.size() - argc + 1;
        _frame.argc = unsigned(argc);
        _frame.result = nullptr;
        setCalleeName(FunctionRegistry::instance().nameOf(functionId));
        const bool ok = routine(_frame);
        releaseRegisters();
        invoked.pop_back();
        if (!ok)
            return -1;
        NUMLYRA_ASSERT(_stack.size() == expected); // a native leaves exactly its result
        return 0;
    }
    setError(ERR_FUNCTION_NOT_FOUND);
    invoked.pop_back();
    return -1;
}

int Interpreter::callUserFunction(FunctionInfo &function, int argc)
{
    std::vector<int> &invoked = _runState->invokeIdStack;
    if (function.parameterCount != argc) {
        ErrorReport r;
        r.code = ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION;
        r.name = FunctionRegistry::instance().nameOf(invoked.back());
        r.firstNumber = argc;
        r.secondNumber = function.parameterCount;
        report(std::move(r));
        invoked.pop_back();
        return -1;
    }
    if (_callDepth >= MAX_CALL_DEPTH) {
        report(ERR_NOT_ENOUGH_MEMORY);
        invoked.pop_back();
        return -1;
    }
    Script *body = function.script.get();
    NUMLYRA_ASSERT(body != nullptr);

    // A fresh activation: the definition's symbol table, arguments in the
    // parameter slots (the top of the stack is the last parameter). A
    // repeated parameter name has one slot; the first argument wins.
    std::unique_ptr<IndexHash> activation;
    if (function.spareActivations.empty()) {
        activation = std::make_unique<IndexHash>(function.symbols);
    } else {
        activation = std::move(function.spareActivations.back());
        function.spareActivations.pop_back();
    }
    for (int i = argc - 1; i >= 0; --i) {
        if (i < activation->size())
            activation->at(i) = std::move(_stack.top());
        _stack.pop();
    }

    const Binding saved = saveBinding();
    const quint32 savedLine = _line;
    const size_t loopBase = _loops.size();
    const size_t outerLoopBase = _loopBase;
    _loopBase = loopBase;
    _script = body;
    _symbols = activation.get();
    _insideFunction = true;
    _scriptName = &body->fileName();
    _functionName = &nameTextOf(function);

    const int base = _stack.size();
    _stack.push(Variable::undefined()); // the result slot
    ++_callDepth;
    int result = -1;
    try {
        if (function.fusedCode.empty())
            function.fusedCode = fuseInstructions(*body);
        result = execute(body->code(), function.fusedCode, body->codeSize());
    } catch (const std::bad_alloc &) {
        abandonForMemory();
    }
    --_callDepth;

    invoked.pop_back();
    _loops.erase(_loops.begin() + std::ptrdiff_t(loopBase), _loops.end());
    _loopBase = outerLoopBase;
    restoreBinding(saved);
    _line = savedLine;
    recycleActivation(function, std::move(activation));
    if (result != 0)
        return result;
    // `return e` inside a switch leaves the switch value below the result:
    // keep exactly one value, the last one pushed.
    if (_stack.size() > base + 1) {
        _stack.at(base) = std::move(_stack.top());
        _stack.pop(_stack.size() - base - 1);
    }
    while (_stack.size() < base + 1)
        _stack.push(Variable::undefined());
    return 0;
}

namespace {

// The position of element i of a vector of doubles, for a double i that is
// in range whichever way an index is rounded; false for anything else.
[[gnu::always_inline]] inline bool elementPosition(const Variable &array, const Variable &index, uint32_t &k)
{
    if (index.type() != DOUBLE_TYPE || array.type() != VECTOR_TYPE)
        return false;
    const Vector &v = array.getVector();
    const double i = index.getDouble();
    if (v.type() != DOUBLE_TYPE || !(i >= 0 && i < double(v.count())))
        return false;
    k = uint32_t(i);
    return true;
}

} // namespace

// --- the loop ---

// A fused step when its operands are finite double scalars and so is an
// arithmetic result; false leaves everything untouched for the original
// instructions. Reports, marks, lines and jumps are those of the sequence
// run instruction by instruction.
template <bool resolved>
[[gnu::always_inline]] inline Variable &Interpreter::slot(Variable *resolvedSlot, int position)
{
    if constexpr (resolved)
        return *resolvedSlot;
    else
        return _symbols->at(position);
}

// x = x + y on strings, when x's text can grow in place: nothing else holds
// it, so no one sees the change but x. A shared text takes the original
// instructions, whose result is unshared for the next time.
// Out of line, and without the step's continuation, so that the double
// path keeps its registers.
template <bool resolved>
[[gnu::noinline]] bool Interpreter::appendStep(const FusedStep &step, const Variable &y)
{
    Variable &x = slot<resolved>(step.xSlot, step.x);
    if (x.type() != STRING_TYPE || y.type() != STRING_TYPE || !x.stringRef().append(y.getString()))
        return false;
    markChanged(step.x, x);
    if (step.line >= 0)
        _line = quint32(step.line);
    return true;
}

template <FusedKind kind, bool resolved>
[[gnu::always_inline]] inline bool Interpreter::runStep(const FusedStep &step, int &next, const FusedStep *&follower)
{
    if constexpr (kind == STEP_APPEND_C) {
        if (!appendStep<resolved>(step, _script->constant(step.y)))
            return false;
        next = step.next;
        follower = step.nextStep;
        return true;
    }
    const Variable &x = slot<resolved>(step.xSlot, step.x);
    if (x.type() != DOUBLE_TYPE) [[unlikely]] {
        if constexpr (kind == STEP_ADD_V) {
            if (step.z == step.x && x.type() == STRING_TYPE
                && appendStep<resolved>(step, slot<resolved>(step.ySlot, step.y))) {
                next = step.next;
                follower = step.nextStep;
                return true;
            }
        }
        return false;
    }
    double b = step.immediate;
    if constexpr (hasVariableOperand(kind)) {
        const Variable &y = slot<resolved>(step.ySlot, step.y);
        if (y.type() != DOUBLE_TYPE)
            return false;
        b = y.getDouble();
    }
    const double a = x.getDouble();
    if constexpr (!isBranchStep(kind)) {
        constexpr int op = stepOperator(kind);
        const double value = op == 0 ? a + b : op == 1 ? a - b : a * b;
        if (!std::isfinite(value))
            return false;
        if constexpr (isStoreStep(kind)) {
            Variable &target = slot<resolved>(step.zSlot, step.z);
            target.setDouble(value);
            if constexpr (resolved) {
                if (step.marks)
                    _runState->updateItemSet.insert(step.z);
            } else {
                markChanged(step.z, target);
            }
        } else {
            _stack.pushSlot().setDouble(value);
        }
        next = step.next;
        follower = step.nextStep;
        if (step.line >= 0)
            _line = quint32(step.line);
        return true;
    } else {
        if constexpr (hasVariableOperand(kind)) {
            if (std::isnan(a) || std::isnan(b))
                return false;
        } else {
            if (std::isnan(a)) // a NaN immediate is never fused
                return false;
        }
        constexpr int op = stepOperator(kind);
        const bool truth = op == 0 ? a < b : op == 1 ? a <= b : op == 2 ? a > b : op == 3 ? a >= b : op == 4 ? a == b : a != b;
        // Branches, not selects: a predicted outcome lets the next step
        // start before the comparison is known.
        if (truth) {
            next = step.next;
            follower = step.nextStep;
            if (step.line >= 0)
                _line = quint32(step.line);
        } else {
            next = step.otherNext;
            follower = step.otherStep;
            if (step.otherLine >= 0)
                _line = quint32(step.otherLine);
        }
        return true;
    }
}

// Runs the steps that follow one another from `pc` without going through
// the main switch; the stop flag is still read after each. Returns 0 at an
// instruction that is not a step (pc set to it), 1 at a step whose operands
// take the original instructions, 2 at the end of the code, -1 when stopped.
template <bool resolved>
int Interpreter::runSteps(const uint32_t *dispatch, const FusedStep *steps, int n, int &pc)
{
    const FusedStep *step = &steps[dispatch[pc] >> 8];
    for (;;) {
        int next;
        const FusedStep *follower;
        bool done;
        switch (step->kind) {
#define NUMLYRA_STEP_CASE(kind) \
        case kind: done = runStep<kind, resolved>(*step, next, follower); break;
        NUMLYRA_STEP_CASE(STEP_ADD_V) NUMLYRA_STEP_CASE(STEP_ADD_I)
        NUMLYRA_STEP_CASE(STEP_SUB_V) NUMLYRA_STEP_CASE(STEP_SUB_I)
        NUMLYRA_STEP_CASE(STEP_MUL_V) NUMLYRA_STEP_CASE(STEP_MUL_I)
        NUMLYRA_STEP_CASE(STEP_LT_V) NUMLYRA_STEP_CASE(STEP_LT_I)
        NUMLYRA_STEP_CASE(STEP_LE_V) NUMLYRA_STEP_CASE(STEP_LE_I)
        NUMLYRA_STEP_CASE(STEP_GT_V) NUMLYRA_STEP_CASE(STEP_GT_I)
        NUMLYRA_STEP_CASE(STEP_GE_V) NUMLYRA_STEP_CASE(STEP_GE_I)
        NUMLYRA_STEP_CASE(STEP_EQ_V) NUMLYRA_STEP_CASE(STEP_EQ_I)
        NUMLYRA_STEP_CASE(STEP_NE_V) NUMLYRA_STEP_CASE(STEP_NE_I)
        NUMLYRA_STEP_CASE(STEP_PUSH_ADD_V) NUMLYRA_STEP_CASE(STEP_PUSH_ADD_I)
        NUMLYRA_STEP_CASE(STEP_PUSH_SUB_V) NUMLYRA_STEP_CASE(STEP_PUSH_SUB_I)
        NUMLYRA_STEP_CASE(STEP_PUSH_MUL_V) NUMLYRA_STEP_CASE(STEP_PUSH_MUL_I)
        NUMLYRA_STEP_CASE(STEP_APPEND_C)
#undef NUMLYRA_STEP_CASE
        default: __builtin_unreachable(); // every kind has its case
        }
        if (!done) {
            pc = step->pc;
            return 1;
        }
        if (follower) {
            // A step starts there, so the code goes on.
            if (stopRequested()) {
                report(ERR_PROCESS_TERMINATED);
                return -1;
            }
            step = follower;
            continue;
        }
        pc = next;
        if (pc >= n)
            return 2;
        if (stopRequested()) {
            report(ERR_PROCESS_TERMINATED);
            return -1;
        }
        return 0;
    }
}

int Interpreter::execute(const uint8_t *code, const FusedCode &fused, int n)
{
    const uint32_t *dispatch = fused.dispatch.data();
    const FusedStep *steps = fused.steps.data();
    if (n <= 0)
        return 0;
    if (stopRequested()) {
        report(ERR_PROCESS_TERMINATED);
        return -1;
    }
    int pc = 0;
    for (;;) {
        uint8_t opcode = uint8_t(dispatch[pc]);
        const uint8_t *operand = code + pc + 1;
        int next = pc + _lengths[opcode];
    redispatch:
        switch (opcode) {
        case FUSED_CHECK: {
            // Not a sound instruction start: check the original byte there.
            opcode = code[pc];
            const int length = _lengths[opcode]; // 0 for invalid and fused values
            if (length == 0) {
                report(ERR_COMMAND_NOT_SUPPORTED);
                return -1;
            }
            if (pc + length > n) {
                report(ERR_SHIFT_GREATER_THAN_SIZE); // operands cut off by the end of the code
                return -1;
            }
            next = pc + length;
            goto redispatch;
        }
        case FUSED_STEP:
            switch (fused.resolved ? runSteps<true>(dispatch, steps, n, pc) : runSteps<false>(dispatch, steps, n, pc)) {
            case 1:
                opcode = PUSH_VAR;
                break;
            case 2:
                return 0;
            case -1:
                return -1;
            default:
                opcode = uint8_t(dispatch[pc]);
                break;
            }
            operand = code + pc + 1;
            next = pc + _lengths[opcode];
            goto redispatch;
        case FUSED_INDEX_READ: {
            const Variable &index = _symbols->at(u16(operand));
            const Variable &array = _symbols->at(u16(operand + 3));
            if (uint32_t k; elementPosition(array, index, k)) {
                _stack.pushSlot().setDouble(array.getVector().doubles()[k]);
                next = pc + 6;
                break;
            }
            opcode = PUSH_VAR;
            next = pc + 3;
            goto redispatch;
        }
        case FUSED_INDEX_WRITE: {
            // A shared block takes the original instruction, which detaches it.
            const int position = u16(operand);
            Variable &array = _symbols->at(position);
            if (uint32_t k; _stack.size() >= 2 && _stack.top().type() == DOUBLE_TYPE
                            && elementPosition(array, _stack.fromTop(1), k)
                            && array.getVector().refCount() == 1) {
                array.vectorRef().mutableDoubles()[k] = _stack.top().getDouble();
                _stack.pop();
                _stack.pop();
                markChanged(position, array);
                next = pc + 4;
                break;
            }
            opcode = ASSIGN_INDEX1;
            next = pc + 3;
            goto redispatch;
        }
        case FUSED_VAR_OPERATOR:
            if (Variable *a = _stack.isEmpty() ? nullptr : &_stack.top();
                a && scalarFastPath(code[pc + 3], *a, _symbols->at(u16(operand)), *a)) {
                next = pc + 4;
                break;
            }
            opcode = PUSH_VAR;
            next = pc + 3;
            goto redispatch;
        case STORE:
            storeTop(u16(operand));
            break;
        case FUSED_STORE_POP: {
            const int position = u16(operand);
            Variable &target = _symbols->at(position);
            target = std::move(_stack.top());
            if (target.isUndefined())
                target.setUndefined(); // a stored undefined value is a variable, not an absent one
            markChanged(position, target);
            _stack.pop();
            next = pc + 4;
            break;
        }
        case PUSH_VAR: {
            const int position = u16(operand);
            const Variable &v = _symbols->at(position);
            if (v.isAbsent()) {
                setError(ERR_UNDEFINED_VARIABLE, position);
                return -1;
            }
            _stack.push(v);
            break;
        }
        case PUSH_CONST8:
        case PUSH_CONST16:
        case PUSH_CONST32: {
            const uint32_t index = opcode == PUSH_CONST8 ? operand[0] : opcode == PUSH_CONST16 ? u16(operand) : u32(operand);
            if (index >= uint32_t(_script->constantCount()))
                numlyraAssertFailed(__FILE__, __LINE__, "i < data->size");
            _stack.push(_script->constant(index));
            break;
        }
        case ADD: case SUB: case MUL: case LDIV: case LT: case LE: case GT: case GE: case EQ: case NE:
        case AND: case OR: case EMUL: case ELDIV: case DIV: case EDIV: case POW: case EPOW: case MATCH: case MOD:
            if (Variable &a = _stack.fromTop(1); scalarFastPath(opcode, a, _stack.top(), a)) {
                _stack.pop();
                break;
            }
            if (!binaryOperator(opcode))
                return -1;
            break;
        case NEG: case NOT: case UPLUS: case TRANSPOSE:
            if (!unaryOperator(opcode))
                return -1;
            break;
        case JUMP_IF_FALSE:
        case JUMP_IF_TRUE:
        case JUMP: {
            const int target = pc + 2 + int16_t(u16(operand));
            if (target < 0 || target > n) {
                report(ERR_SHIFT_GREATER_THAN_SIZE);
                return -1;
            }
            if (opcode == JUMP) {
                next = target;
                break;
            }
            bool value;
            if (!truthValue(*this, _stack.top(), value))
                return -1;
            _stack.pop();
            if (value == (opcode == JUMP_IF_TRUE))
                next = target;
            break;
        }
        case MAKE_ROW:
        case MAKE_COLUMN:
            if (const quint32 error = concatenate(_stack, u16(operand), opcode == MAKE_ROW)) {
                setError(error);
                return -1;
            }
            break;
        case ADD_TO_VAR: case SUB_TO_VAR: case MUL_TO_VAR: case EMUL_TO_VAR: case LDIV_TO_VAR:
        case ELDIV_TO_VAR: case DIV_TO_VAR: case EDIV_TO_VAR: case POW_TO_VAR: case EPOW_TO_VAR:
            if (!operatorToVariable(opcode, u16(operand)))
                return -1;
            break;
        case INDEX1: {
            _a = std::move(_stack.top());
            _stack.pop();
            Variable &top = _stack.top();
            const quint32 error = readIndex1(top, _a, top);
            releaseRegisters();
            if (error) {
                setError(error);
                return -1;
            }
            break;
        }
        case INDEX2: {
            _b = std::move(_stack.top());
            _stack.pop();
            _a = std::move(_stack.top());
            _stack.pop();
            Variable &top = _stack.top();
            const quint32 error = readIndex2(top, _a, _b, top);
            releaseRegisters();
            if (error) {
                setError(error);
                return -1;
            }
            break;
        }
        case INDEX1_VAR: {
            const int position = u16(operand);
            if (!checkDefined(position))
                return -1;
            Variable &top = _stack.top();
            _a = std::move(top);
            const quint32 error = readIndex1(_symbols->at(position), _a, top);
            releaseRegisters();
            if (error) {
                setError(error, position);
                return -1;
            }
            break;
        }
        case INDEX2_VAR: {
            const int position = u16(operand);
            if (!checkDefined(position))
                return -1;
            _b = std::move(_stack.top());
            _stack.pop();
            Variable &top = _stack.top();
            _a = std::move(top);
            const quint32 error = readIndex2(_symbols->at(position), _a, _b, top);
            releaseRegisters();
            if (error) {
                setError(error, position);
                return -1;
            }
            break;
        }
        case ASSIGN_INDEX1:
        case ASSIGN_INDEX2: {
            const int position = u16(operand);
            Variable &target = _symbols->at(position);
            _b = std::move(_stack.top());
            _stack.pop();
            quint32 error;
            if (opcode == ASSIGN_INDEX1) {
                error = assignIndex1(target, _stack.top(), _b);
            } else {
                _a = std::move(_stack.top());
                _stack.pop();
                error = assignIndex2(target, _stack.top(), _a, _b);
            }
            releaseRegisters();
            if (error) {
                setError(error, target.isUndefined() ? position : -1);
                return -1;
            }
            _stack.top() = target;
            markChanged(position);
            break;
        }
        case RANGE: {
            _b = std::move(_stack.top());
            _stack.pop();
            Variable &top = _stack.top();
            _a = std::move(top);
            const quint32 error = makeRange(_a, _b, top);
            releaseRegisters();
            if (error) {
                setError(error);
                _stack.pop();
                return -1;
            }
            break;
        }
        case RANGE_STEP: {
            _b = std::move(_stack.top());
            _stack.pop();
            _a = std::move(_stack.top());
            _stack.pop();
            Variable &top = _stack.top();
            Variable start = std::move(top);
            const quint32 error = makeSteppedRange(start, _a, _b, top);
            releaseRegisters();
            if (error) {
                setError(error);
                return -1;
            }
            break;
        }
        case PUSH_INT_0: case PUSH_INT_1: case PUSH_INT_2: case PUSH_INT_3: case PUSH_INT_4: case PUSH_INT_5:
        case PUSH_INT_M1: case PUSH_ZERO: case PUSH_ONE: case PUSH_TWO: case PUSH_MINUS_ONE:
            _stack.push(_presets[opcode - PUSH_INT_0]);
            break;
        case PUSH_TRUE:
        case PUSH_FALSE:
            _stack.pushSlot().setBoolean(opcode == PUSH_TRUE);
            break;
        case PUSH_PI:
            _stack.pushSlot().setDouble(std::numbers::pi);
            break;
        case LINE_INC: _line += 1; break;
        case LINE_ADD2: _line += 2; break;
        case LINE_ADD3: _line += 3; break;
        case LINE_ADD4: _line += 4; break;
        case LINE_ADD5: _line += 5; break;
        case LINE_SET16: _line = u16(operand); break;
        case LINE_SET32: _line = u32(operand); break;
        case POP:
            _stack.pop();
            break;
        case DUP:
            _stack.push(_stack.top());
            break;
        case DUP2:
            _stack.push(_stack.fromTop(1));
            _stack.push(_stack.fromTop(1));
            break;
        case PRINT_VAR: {
            const int position = u16(operand);
            OutputList::instance().appendVariable(_symbols->name(position), _symbols->at(position));
            break;
        }
        case SIZE:
            if (!sizeOperator())
                return -1;
            break;
        case FOR_BEGIN:
            if (!beginLoop(pc, u16(operand), -1))
                return -1;
            break;
        case FOR_BEGIN_INDEXED:
            if (!beginLoop(pc, u16(operand), u16(operand + 2)))
                return -1;
            break;
        case FOR_NEXT:
        case FOR_NEXT_INDEXED: {
            bool finished;
            if (!nextLoop(pc, opcode == FOR_NEXT_INDEXED, finished))
                return -1;
            if (finished)
                next = pc + 2 + u16(operand) + 1;
            break;
        }
        case PUSH_END:
        case PUSH_END_ROW:
        case PUSH_END_COLUMN:
            if (!pushEnd(opcode, u16(operand)))
                return -1;
            break;
        case CALL:
            if (call(u16(operand), operand[2], nullptr) != 0)
                return -1;
            break;
        case FUSED_CALL:
            next = pc + 4;
            if (call(u16(operand), operand[2], &fused.calls[dispatch[pc] >> 8]) != 0)
                return -1;
            break;
        case HALT:
            return 0;
        case CLEAR_VAR: {
            const int position = u16(operand);
            markRemoved(position);
            _symbols->at(position) = Variable::undefined();
            break;
        }
        case INC_VAR:
        case DEC_VAR: {
            const int position = u16(operand);
            if (!checkDefined(position))
                return -1;
            if (const quint32 error = incrementVariable(_symbols->at(position), opcode == INC_VAR ? 1.0 : -1.0)) {
                setError(error, position);
                return -1;
            }
            markChanged(position);
            break;
        }
        case INC_INDEX1:
        case DEC_INDEX1:
        case INC_INDEX2:
        case DEC_INDEX2: {
            const int position = u16(operand);
            if (!checkDefined(position))
                return -1;
            Variable &target = _symbols->at(position);
            const double delta = opcode == INC_INDEX1 || opcode == INC_INDEX2 ? 1.0 : -1.0;
            quint32 error;
            if (opcode == INC_INDEX1 || opcode == DEC_INDEX1) {
                error = incrementIndex1(target, _stack.top(), delta);
            } else {
                _a = std::move(_stack.top());
                _stack.pop();
                error = incrementIndex2(target, _stack.top(), _a, delta);
                releaseRegisters();
            }
            if (error) {
                setError(error, position);
                return -1;
            }
            _stack.top() = target;
            markChanged(position);
            break;
        }
        default:
            report(ERR_COMMAND_NOT_SUPPORTED);
            return -1;
        }
        pc = next;
        if (pc >= n)
            return 0;
        if (stopRequested()) {
            report(ERR_PROCESS_TERMINATED);
            return -1;
        }
    }
}
