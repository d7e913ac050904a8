#pragma once

#include <cstdint>
#include <vector>

// The interpreter dispatches on a copy of the byte code in which the first
// byte of a few frequent sequences is replaced by one of these codes. The
// handler of a fused code runs the whole sequence at once when its operands
// are double scalars, and otherwise executes the original first instruction
// (still in the byte code itself) as if nothing had been fused. The values
// lie outside the instruction set, so they never appear in compiled code.
//
//   FUSED_STORE_*   PUSH_VAR x, y, ADD|SUB|MUL|EMUL, STORE z, POP
//   FUSED_BRANCH_*  PUSH_VAR x, y, LT|LE|GT|GE|EQ|NE, JUMP_IF_FALSE|JUMP_IF_TRUE d
//
// where y is PUSH_VAR (_V), PUSH_CONST8 (_K) or one of the double presets
// PUSH_ZERO .. PUSH_MINUS_ONE (_P).
//
// The copy also records which offsets are sound instruction starts: every
// other byte (operands, and everything from the first invalid or cut-off
// instruction on) reads FUSED_CHECK, whose handler validates the original
// opcode there. A sound start therefore needs no checks when dispatched.
enum FusedOpcode : uint8_t {
    FUSED_STORE_V = 0xF0,
    FUSED_STORE_K,
    FUSED_STORE_P,
    FUSED_BRANCH_V,
    FUSED_BRANCH_K,
    FUSED_BRANCH_P,
    FUSED_CHECK = 0xFF,
};

inline bool isFusedOpcode(uint8_t code) { return code >= FUSED_STORE_V && code <= FUSED_BRANCH_P; }

// Bytes taken by the second operand push of a fused sequence.
constexpr int fusedOperandLength(uint8_t fused)
{
    switch (fused) {
    case FUSED_STORE_V: case FUSED_BRANCH_V: return 3;
    case FUSED_STORE_K: case FUSED_BRANCH_K: return 2;
    default: return 1;
    }
}

// Total length of a fused sequence: PUSH_VAR (3), the operand, the operator
// (1) and either STORE + POP (4) or the conditional jump (3).
constexpr int fusedLength(uint8_t fused)
{
    const bool store = fused <= FUSED_STORE_P;
    return 3 + fusedOperandLength(fused) + 1 + (store ? 4 : 3);
}

// The dispatch copy of `code`, found by walking the code from the start:
// size + 1 bytes, the last one FUSED_CHECK so that the byte after any
// instruction can be inspected.
std::vector<uint8_t> fuseInstructions(const uint8_t *code, int size);
