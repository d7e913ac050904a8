#pragma once

#include "library/native_frame.h"
#include "values/error_codes.h"

#include <cstdint>

// Arithmetic operator routines and the pieces every element-wise operator
// (arithmetic, comparison, logical) shares: the operand preamble, the size
// check, the result buffer and the element loop.

bool addOperator(NativeFrame &frame);        // +
bool subtractOperator(NativeFrame &frame);   // -
bool elementMultiplyOperator(NativeFrame &frame);   // .*
bool elementDivideOperator(NativeFrame &frame);     // ./
bool elementLeftDivideOperator(NativeFrame &frame); // .\ (b / a)
bool elementPowerOperator(NativeFrame &frame);      // .^
bool remainderOperator(NativeFrame &frame);         // %
// The remainder of rem(): a - b * n with n the integer nearest to a / b,
// under the same operand rules and divisor check as %.
bool nearestRemainderOperator(NativeFrame &frame);
bool multiplyOperator(NativeFrame &frame);   // * (matrix product)
bool divideOperator(NativeFrame &frame);     // / (right division)
bool leftDivideOperator(NativeFrame &frame); // \ (left division)
bool powerOperator(NativeFrame &frame);      // ^
bool negateOperator(NativeFrame &frame);     // unary -
bool unaryPlusOperator(NativeFrame &frame);  // unary +
bool transposeOperator(NativeFrame &frame);  // postfix '

// scale times the inverse of the square double matrix m (also behind inv);
// reports "Matrix is singular" or "Not enough memory" and returns false.
bool scaledInverse(ExecutionContext &context, const Vector &m, double scale, Vector &out);

// ---- shared by the element-wise families ----

// What an operand is for type dispatch: its own type for a scalar, its
// element type for a vector.
struct ValueKind {
    VariableType element;
    bool isVector;
};
inline ValueKind kindOf(const Variable &v)
{
    if (v.type() == VECTOR_TYPE)
        return {v.getVector().type(), true};
    return {v.type(), false};
}

enum PreambleResult { PREAMBLE_PROCEED, PREAMBLE_DONE, PREAMBLE_FAILED };

// Undefined operands, then the empty-vector rule. DONE means the result (an
// empty vector) has been written.
PreambleResult binaryPreamble(NativeFrame &frame, quint32 undefinedFirst = ERR_UNDEFINED_VARIABLE,
                              quint32 undefinedSecond = ERR_UNDEFINED_VARIABLE);

// The messages for a pair a routine does not accept; both return false.
bool rejectFirstOperand(ExecutionContext &context, const Variable &a);
bool rejectSecondOperand(ExecutionContext &context);

// Two lines combine when their element counts agree; other shapes must agree
// in rows and then columns.
bool checkSameSize(ExecutionContext &context, const Vector &a, const Vector &b);

// The rows x columns buffer of a result: an operand's block when it is
// unshared and already holds elements of `type` (the registers are released
// after the call anyway), otherwise a new one. Reports "Not enough memory".
bool resultBuffer(ExecutionContext &context, Variable *first, Variable *second, VariableType type,
                  uint32_t rows, uint32_t columns, Vector &out);

// The buffer of an element-wise result with at least one vector operand:
// shaped like A for two vectors (after the size check), like the vector
// operand otherwise.
bool elementWiseBuffer(NativeFrame &frame, VariableType type, Vector &out);

template <class T> struct ElementTraits;
template <> struct ElementTraits<bool> {
    static constexpr VariableType type = BOOLEAN_TYPE;
    static const bool *items(const Vector &v) { return v.booleans(); }
    static bool *mutableItems(Vector &v) { return v.mutableBooleans(); }
    static bool scalar(const Variable &v) { return v.getBoolean(); }
    static void store(Variable &slot, bool value) { slot.setBoolean(value); }
};
template <> struct ElementTraits<int32_t> {
    static constexpr VariableType type = INTEGER_TYPE;
    static const int32_t *items(const Vector &v) { return v.integers(); }
    static int32_t *mutableItems(Vector &v) { return v.mutableIntegers(); }
    static int32_t scalar(const Variable &v) { return v.getInteger(); }
    static void store(Variable &slot, int32_t value) { slot.setInteger(value); }
};
template <> struct ElementTraits<double> {
    static constexpr VariableType type = DOUBLE_TYPE;
    static const double *items(const Vector &v) { return v.doubles(); }
    static double *mutableItems(Vector &v) { return v.mutableDoubles(); }
    static double scalar(const Variable &v) { return v.getDouble(); }
    static void store(Variable &slot, double value) { slot.setDouble(value); }
};
template <> struct ElementTraits<String> {
    static constexpr VariableType type = STRING_TYPE;
    static const String *items(const Vector &v) { return v.strings(); }
    static String *mutableItems(Vector &v) { return v.mutableStrings(); }
    static const String &scalar(const Variable &v) { return v.getString(); }
    static void store(Variable &slot, const String &value) { slot.setString(value); }
};

// The elements of an operand of element type T: the vector's items, or the
// scalar (copied into `scalar` so that a pointer to it can be taken).
template <class T>
const T *elementsOf(const Variable &v, T &scalar)
{
    if (v.type() == VECTOR_TYPE)
        return ElementTraits<T>::items(v.getVector());
    scalar = ElementTraits<T>::scalar(v);
    return &scalar;
}

// r[i] = f(a[i], b[i]) where a scalar side is repeated. `r` may be one of the
// operands' blocks: every element is read before it is written.
template <class R, class TA, class TB, class F>
void applyElementWise(R *r, const TA *a, bool aVector, const TB *b, bool bVector, uint32_t n, F f)
{
    if (aVector && bVector) {
        for (uint32_t i = 0; i < n; ++i)
            r[i] = f(a[i], b[i]);
    } else if (aVector) {
        const TB &y = *b;
        for (uint32_t i = 0; i < n; ++i)
            r[i] = f(a[i], y);
    } else {
        const TA &x = *a;
        for (uint32_t i = 0; i < n; ++i)
            r[i] = f(x, b[i]);
    }
}

// A complete element-wise operation once the types are known to be TA and
// TB: a scalar result for two scalars, a vector otherwise.
template <class R, class TA, class TB, class F>
bool combineElements(NativeFrame &frame, F f)
{
    TA aScalar{};
    TB bScalar{};
    const TA *a = elementsOf<TA>(*frame.a, aScalar);
    const TB *b = elementsOf<TB>(*frame.b, bScalar);
    const bool aVector = frame.a->type() == VECTOR_TYPE;
    const bool bVector = frame.b->type() == VECTOR_TYPE;
    if (!aVector && !bVector) {
        ElementTraits<R>::store(*frame.result, f(*a, *b));
        return true;
    }
    Vector out;
    if (!elementWiseBuffer(frame, ElementTraits<R>::type, out))
        return false;
    applyElementWise(ElementTraits<R>::mutableItems(out), a, aVector, b, bVector, out.count(), f);
    frame.result->setVector(std::move(out));
    return true;
}
