#pragma once

#include <cstdint>

// The byte-code instruction set: one opcode byte, then operands in line,
// multi-byte operands big-endian. Everything about an opcode (name, operand
// kinds) is in the table of instruction_set.cpp; compiler, interpreter and
// disassembler all read it.

enum Opcode : uint8_t {
    STORE = 1,
    PUSH_VAR = 2,
    PUSH_CONST8 = 3,
    ADD = 4,
    SUB = 5,
    MUL = 6,
    LDIV = 7,
    JUMP_IF_FALSE = 8,
    JUMP_IF_TRUE = 9,
    JUMP = 10,
    LT = 11,
    LE = 12,
    GT = 13,
    GE = 14,
    EQ = 15,
    NE = 16,
    AND = 17,
    OR = 18,
    MAKE_ROW = 19,
    ADD_TO_VAR = 20,
    INDEX1 = 21,
    RANGE = 22,
    RANGE_STEP = 23,
    MAKE_COLUMN = 24,
    PUSH_INT_0 = 25,
    PUSH_INT_1 = 26,
    PUSH_INT_2 = 27,
    PUSH_INT_3 = 28,
    PUSH_INT_4 = 29,
    PUSH_INT_5 = 30,
    PUSH_INT_M1 = 31,
    PUSH_ZERO = 32,
    PUSH_ONE = 33,
    PUSH_TWO = 34,
    PUSH_MINUS_ONE = 35,
    PUSH_TRUE = 36,
    PUSH_FALSE = 37,
    NEG = 38,
    NOT = 39,
    PUSH_CONST16 = 48,
    PUSH_CONST32 = 49,
    UPLUS = 50,
    TRANSPOSE = 51,
    LINE_INC = 52,
    EMUL = 53,
    ELDIV = 54,
    DIV = 55,
    EDIV = 56,
    POW = 57,
    EPOW = 58,
    SUB_TO_VAR = 59,
    MUL_TO_VAR = 60,
    EMUL_TO_VAR = 61,
    LDIV_TO_VAR = 62,
    ELDIV_TO_VAR = 63,
    DIV_TO_VAR = 64,
    EDIV_TO_VAR = 65,
    POW_TO_VAR = 66,
    EPOW_TO_VAR = 67,
    POP = 68,
    PRINT_VAR = 69,
    SIZE = 70,
    FOR_BEGIN = 71,
    FOR_NEXT = 72,
    FOR_BEGIN_INDEXED = 73,
    FOR_NEXT_INDEXED = 74,
    DUP = 75,
    LINE_SET16 = 76,
    LINE_SET32 = 77,
    LINE_ADD2 = 78,
    LINE_ADD3 = 79,
    LINE_ADD4 = 80,
    LINE_ADD5 = 81,
    INDEX2 = 85,
    ASSIGN_INDEX1 = 86,
    ASSIGN_INDEX2 = 87,
    DUP2 = 88,
    PUSH_END = 89,
    PUSH_END_ROW = 90,
    PUSH_END_COLUMN = 91,
    CALL = 92,
    HALT = 93,
    INDEX1_VAR = 94,
    INDEX2_VAR = 95,
    CLEAR_VAR = 96,
    MATCH = 97,
    MOD = 98,
    INC_VAR = 99,
    DEC_VAR = 100,
    INC_INDEX1 = 101,
    DEC_INDEX1 = 102,
    INC_INDEX2 = 103,
    DEC_INDEX2 = 104,
    PUSH_PI = 105,
};

enum OperandKind : uint8_t { OPERAND_NONE = 0, OPERAND_U8, OPERAND_U16, OPERAND_S16, OPERAND_U32 };

struct OpcodeInfo {
    const char *name; // nullptr for an invalid opcode
    OperandKind operands[2];
    uint8_t length;   // opcode byte plus operand bytes
};

// Valid opcodes are 1-39, 48-81 and 85-105.
const OpcodeInfo &opcodeInfo(uint8_t code);
inline bool isValidOpcode(uint8_t code) { return opcodeInfo(code).name != nullptr; }
int operandSize(OperandKind kind);
