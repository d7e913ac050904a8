#pragma once

#include "library/native_frame.h"

// Comparison, logical and pattern-match operator routines. None of them
// consults the error states: their only failures are type and size errors.

bool lessOperator(NativeFrame &frame);         // <
bool lessEqualOperator(NativeFrame &frame);    // <=
bool greaterOperator(NativeFrame &frame);      // >
bool greaterEqualOperator(NativeFrame &frame); // >=
bool equalOperator(NativeFrame &frame);        // ==
bool notEqualOperator(NativeFrame &frame);     // !=
bool andOperator(NativeFrame &frame);          // &
bool orOperator(NativeFrame &frame);           // |
bool notOperator(NativeFrame &frame);          // unary not
bool matchOperator(NativeFrame &frame);        // ~ (regular-expression search)
