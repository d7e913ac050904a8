#pragma once

#include <cstdint>
#include <vector>

class IndexHash;
struct NativeFrame;
class Script;
class Variable;
struct FunctionInfo;

// The interpreter dispatches on a copy of the byte code in which the first
// byte of a few frequent sequences is replaced by FUSED_STEP. Such a step
// runs the whole sequence at once when its operands are double scalars, and
// otherwise executes the original first instruction (still in the byte code
// itself) as if nothing had been fused:
//
//   store step   PUSH_VAR x, y, ADD|SUB|MUL|EMUL, STORE z, POP
//   branch step  PUSH_VAR x, y, LT|LE|GT|GE|EQ|NE, JUMP_IF_FALSE|JUMP_IF_TRUE d
//   push step    PUSH_VAR x, y, ADD|SUB|MUL|EMUL (anything else follows)
//   append step  PUSH_VAR x, PUSH_CONST8|PUSH_CONST16 of a string, ADD, STORE x, POP
//
// An append step, and a store step x = x + y, append a string in place when
// x holds the only reference to its text (String::append).
// where y is PUSH_VAR, or a push of a double that is known when the code is
// fused (PUSH_CONST8 of a double constant, PUSH_ZERO .. PUSH_MINUS_ONE).
// A line marker, a jump and a second line marker that follow a step (on
// either path of a branch) are taken with it: nothing in them can fail.
//
// The copy also records which offsets are sound instruction starts: every
// other entry (operands, and everything from the first invalid or cut-off
// instruction on) reads FUSED_CHECK, whose handler validates the original
// opcode there. A sound start therefore needs no checks when dispatched.
//
// STORE z, POP, wherever it stands, is FUSED_STORE_POP: the value moves
// into the variable instead of being copied and then released.
//
// CALL is FUSED_CALL with the index of its call site above the low byte: the
// site keeps the function it found (see CallSite).
//
// One element of a double vector by a double index, read and written in
// place when the index is in range (anything else takes the original
// instructions, whose checks and reports stay the only ones):
//   FUSED_INDEX_READ   PUSH_VAR i, INDEX1_VAR a   pushes a[i]
//   FUSED_INDEX_WRITE  ASSIGN_INDEX1 a, POP        a[i] = v with i, v on the
//                                                  stack, when a's elements are
//                                                  not shared
//
// FUSED_VAR_OPERATOR is PUSH_VAR y followed by a binary operator: the top
// entry and y combine in place when both are double scalars.
enum FusedOpcode : uint8_t {
    FUSED_STEP = 0xF0,
    FUSED_STORE_POP,
    FUSED_CALL,
    FUSED_INDEX_READ,
    FUSED_INDEX_WRITE,
    FUSED_VAR_OPERATOR,
    FUSED_CHECK = 0xFF,
};

// What a step does: the operator and whether y is a variable (_V) or an
// immediate double (_I). EMUL of scalars is MUL.
enum FusedKind : uint8_t {
    STEP_ADD_V, STEP_ADD_I, STEP_SUB_V, STEP_SUB_I, STEP_MUL_V, STEP_MUL_I,
    STEP_LT_V, STEP_LT_I, STEP_LE_V, STEP_LE_I, STEP_GT_V, STEP_GT_I,
    STEP_GE_V, STEP_GE_I, STEP_EQ_V, STEP_EQ_I, STEP_NE_V, STEP_NE_I,
    STEP_PUSH_ADD_V, STEP_PUSH_ADD_I, STEP_PUSH_SUB_V, STEP_PUSH_SUB_I, STEP_PUSH_MUL_V, STEP_PUSH_MUL_I,
    STEP_APPEND_C, // y is the string constant numbered `y`
};

constexpr bool isStoreStep(FusedKind kind) { return kind <= STEP_MUL_I || kind == STEP_APPEND_C; }
constexpr bool isPushStep(FusedKind kind) { return kind >= STEP_PUSH_ADD_V && kind <= STEP_PUSH_MUL_I; }
constexpr bool isBranchStep(FusedKind kind) { return !isStoreStep(kind) && !isPushStep(kind); }
// Every family starts at an even value: _V is even, _I odd.
constexpr bool hasVariableOperand(FusedKind kind) { return kind % 2 == 0 && kind != STEP_APPEND_C; }
// 0 ADD, 1 SUB, 2 MUL for store and push steps; 0 LT .. 5 NE for branches.
constexpr int stepOperator(FusedKind kind)
{
    return (kind - (isStoreStep(kind) ? STEP_ADD_V : isPushStep(kind) ? STEP_PUSH_ADD_V : STEP_LT_V)) / 2;
}

struct FusedStep {
    FusedKind kind;
    uint16_t x;
    uint16_t y;
    uint16_t z;          // store target
    // The slots of x, y and z when the code was fused for one symbol table
    // whose slots stay put for the whole run; null otherwise.
    Variable *xSlot = nullptr;
    Variable *ySlot = nullptr;
    Variable *zSlot = nullptr;
    double immediate = 0;
    // A resolved store step: whether storing marks z changed (not inside a
    // function, not a temporary; both stay so for the run).
    bool marks = true;
    // Where the step continues and the line it leaves set (-1: unchanged).
    // A store always continues at `next`; a branch at `next` when its
    // comparison holds and at `otherNext` when it does not.
    int next = 0;
    int line = -1;
    int otherNext = 0;
    int otherLine = -1;
    // The steps at `next` and `otherNext`, or null where no step starts:
    // a run of steps follows these links instead of the dispatch entries.
    const FusedStep *nextStep = nullptr;
    const FusedStep *otherStep = nullptr;
    int pc = 0; // where the step starts
};

// The function one CALL found, kept while callTargetsVersion() (call_targets.h)
// stays `version`; a call that found nothing keeps nothing.
struct CallSite {
    uint64_t version = 0;
    FunctionInfo *user = nullptr;
    bool (*native)(NativeFrame &) = nullptr;
};

struct FusedCode {
    // One entry per byte of the code and one after it: the opcode to
    // dispatch on in the low byte; for FUSED_STEP the step's index above.
    std::vector<uint32_t> dispatch;
    std::vector<FusedStep> steps;
    // Filled by the calls as they run.
    mutable std::vector<CallSite> calls;
    bool resolved = false; // the steps hold slots

    bool empty() const { return dispatch.empty(); }
};

// The dispatch copy of a script's code, found by walking it from the start.
// With `symbols`, the steps also hold their variables' slots in it.
FusedCode fuseInstructions(const Script &script, IndexHash *symbols = nullptr);
