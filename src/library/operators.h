#pragma once

#include "library/native_frame.h"

#include <cstdint>

// The routines behind the language's operators. Binary routines read
// frame.a and frame.b, unary ones frame.a; all write frame.result and return
// false after reporting exactly one error (the result slot is then left as
// it was).
//
// The routine for an operator opcode (ADD, SUB, MUL, LDIV, LT ... OR, NEG,
// NOT, UPLUS, TRANSPOSE, EMUL, ELDIV, DIV, EDIV, POW, EPOW, MATCH, MOD), or
// nullptr for any other opcode.
NativeRoutine operatorRoutine(uint8_t opcode);

// The truth test of a condition (conditional jumps): false after reporting
// when the value has no truth value.
bool truthValue(ExecutionContext &context, const Variable &value, bool &result);
