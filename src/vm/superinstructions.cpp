#include "vm/superinstructions.h"

#include "vm/instruction_set.h"

#include <cstddef>

namespace {

bool isArithmetic(uint8_t op)
{
    return op == ADD || op == SUB || op == MUL || op == EMUL;
}

bool isComparison(uint8_t op)
{
    return op >= LT && op <= NE;
}

// The fused code for a sequence starting at `at`, or 0.
uint8_t fusedAt(const uint8_t *code, int size, int at)
{
    if (code[at] != PUSH_VAR || at + 3 >= size)
        return 0;
    int p = at + 3;
    int kind; // 0 V, 1 K, 2 P
    switch (code[p]) {
    case PUSH_VAR: kind = 0; p += 3; break;
    case PUSH_CONST8: kind = 1; p += 2; break;
    case PUSH_ZERO: case PUSH_ONE: case PUSH_TWO: case PUSH_MINUS_ONE: kind = 2; p += 1; break;
    default: return 0;
    }
    if (p >= size)
        return 0;
    const uint8_t op = code[p++];
    if (isArithmetic(op)) {
        if (p + 4 > size || code[p] != STORE || code[p + 3] != POP)
            return 0;
        return uint8_t(FUSED_STORE_V + kind);
    }
    if (isComparison(op)) {
        if (p + 3 > size || (code[p] != JUMP_IF_FALSE && code[p] != JUMP_IF_TRUE))
            return 0;
        return uint8_t(FUSED_BRANCH_V + kind);
    }
    return 0;
}

} // namespace

std::vector<uint8_t> fuseInstructions(const uint8_t *code, int size)
{
    std::vector<uint8_t> out(size_t(size) + 1, FUSED_CHECK);
    for (int pc = 0; pc < size;) {
        const int length = opcodeInfo(code[pc]).length;
        if (length == 0 || pc + length > size)
            break;
        const uint8_t fused = fusedAt(code, size, pc);
        out[size_t(pc)] = fused ? fused : code[pc];
        pc += length;
    }
    return out;
}
