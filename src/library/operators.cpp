#include "library/operators.h"

#include "library/arithmetic_functions.h"
#include "library/logical_functions.h"
#include "vm/instruction_set.h"

#include <array>

namespace {

struct OperatorEntry {
    Opcode opcode;
    NativeRoutine routine;
};

// The one table from operator opcode to routine.
constexpr OperatorEntry OPERATORS[] = {
    {ADD, addOperator},
    {SUB, subtractOperator},
    {MUL, multiplyOperator},
    {LDIV, leftDivideOperator},
    {LT, lessOperator},
    {LE, lessEqualOperator},
    {GT, greaterOperator},
    {GE, greaterEqualOperator},
    {EQ, equalOperator},
    {NE, notEqualOperator},
    {AND, andOperator},
    {OR, orOperator},
    {NEG, negateOperator},
    {NOT, notOperator},
    {UPLUS, unaryPlusOperator},
    {TRANSPOSE, transposeOperator},
    {EMUL, elementMultiplyOperator},
    {ELDIV, elementLeftDivideOperator},
    {DIV, divideOperator},
    {EDIV, elementDivideOperator},
    {POW, powerOperator},
    {EPOW, elementPowerOperator},
    {MATCH, matchOperator},
    {MOD, remainderOperator},
};

constexpr std::array<NativeRoutine, 256> buildIndex()
{
    std::array<NativeRoutine, 256> index{};
    for (const OperatorEntry &entry : OPERATORS)
        index[entry.opcode] = entry.routine;
    return index;
}

constexpr std::array<NativeRoutine, 256> ROUTINES = buildIndex();

} // namespace

NativeRoutine operatorRoutine(uint8_t opcode) { return ROUTINES[opcode]; }
