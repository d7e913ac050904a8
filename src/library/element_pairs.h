#pragma once

#include "library/arithmetic_functions.h"

// The two-argument forms of min, max and hypot. They differ from the
// arithmetic operators in their shape rule: two vectors must have the same
// shape (columns compared first), and a row never meets a column.

// Two empty vectors give an empty vector; exactly one is "Different matrix
// size". Checked before the element types. True when that settles the call,
// with `ok` its answer; false when the elements are to be combined.
inline bool settleEmptyPair(NativeFrame &frame, const Variable &a, const Variable &b, bool &ok)
{
    const bool aEmpty = a.isEmptyVector();
    const bool bEmpty = b.isEmptyVector();
    if (!aEmpty && !bEmpty)
        return false;
    if (aEmpty && bEmpty) {
        frame.setResult(Variable(Vector()));
        ok = true;
    } else {
        frame.context.report(ERR_DIFFERENT_MATRIX_SIZE);
        ok = false;
    }
    return true;
}

// r = f(a, b) element by element, a scalar side meeting every element of the
// other; both arguments hold elements of type T (checked by the caller).
// The result replaces the two arguments of the native call.
template <class T, class R, class F>
bool combinePair(NativeFrame &frame, F f)
{
    const Variable &a = frame.arg(0);
    const Variable &b = frame.arg(1);
    T aScalar{};
    T bScalar{};
    const T *x = elementsOf<T>(a, aScalar);
    const T *y = elementsOf<T>(b, bScalar);
    const bool aVector = a.type() == VECTOR_TYPE;
    const bool bVector = b.type() == VECTOR_TYPE;
    if (!aVector && !bVector) {
        R r = f(*x, *y);
        frame.setResult(Variable(r));
        return true;
    }
    const Vector &shape = aVector ? a.getVector() : b.getVector();
    if (aVector && bVector) {
        const Vector &other = b.getVector();
        if (shape.columnCount() != other.columnCount()) {
            frame.context.report(ERR_COLUMN_COUNT_MISMATCH);
            return false;
        }
        if (shape.rowCount() != other.rowCount()) {
            frame.context.report(ERR_ROW_COUNT_MISMATCH);
            return false;
        }
    }
    Vector out;
    if (!Vector::create(ElementTraits<R>::type, shape.rowCount(), shape.columnCount(), out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    applyElementWise(ElementTraits<R>::mutableItems(out), x, aVector, y, bVector, out.count(), f);
    frame.setResult(Variable(std::move(out)));
    return true;
}
