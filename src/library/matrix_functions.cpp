// inv, det and rank: the matrix natives on top of the Gauss-Jordan kernel
// that also serves / and \.

#include "library/arithmetic_functions.h"
#include "library/linear_solver.h"
#include "library/native_definition.h"
#include "values/error_codes.h"

#include <cstring>

namespace {

// The one argument as a square double matrix; a double scalar is the 1 x 1
// matrix. Anything else, the empty array included, is "Matrix doesn't square".
bool squareArgument(NativeFrame &frame, Vector &m)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &a = frame.arg(0);
    if (a.type() == DOUBLE_TYPE) {
        if (!Vector::create(DOUBLE_TYPE, 1, 1, m) || !m.set(0, a.getDouble())) {
            frame.context.report(ERR_NOT_ENOUGH_MEMORY);
            return false;
        }
        return true;
    }
    if (a.type() != VECTOR_TYPE || a.getVector().type() != DOUBLE_TYPE || a.getVector().isEmpty()
        || a.getVector().rowCount() != a.getVector().columnCount()) {
        frame.context.report(ERR_MATRIX_NOT_SQUARE);
        return false;
    }
    m = a.getVector();
    return true;
}

// A private copy of m's elements for the elimination to destroy.
bool workingCopy(NativeFrame &frame, const Vector &m, Vector &work)
{
    if (!Vector::create(DOUBLE_TYPE, m.rowCount(), m.columnCount(), work)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    std::memcpy(work.mutableDoubles(), m.doubles(), sizeof(double) * m.count());
    return true;
}

// A scalar argument gives a scalar inverse.
bool invNative(NativeFrame &frame)
{
    Vector m;
    if (!squareArgument(frame, m))
        return false;
    Vector inverse;
    if (!scaledInverse(frame.context, m, 1.0, inverse))
        return false;
    if (frame.arg(0).type() == DOUBLE_TYPE)
        frame.setResult(Variable(inverse.getDouble(0)));
    else
        frame.setResult(Variable(std::move(inverse)));
    return true;
}

bool detNative(NativeFrame &frame)
{
    Vector m;
    Vector work;
    if (!squareArgument(frame, m) || !workingCopy(frame, m, work))
        return false;
    bool singular = false;
    const double d = determinant(work.mutableDoubles(), m.rowCount(), singular);
    if (singular) {
        frame.context.report(ERR_MATRIX_IS_SINGULAR);
        return false;
    }
    frame.setResult(Variable(d));
    return true;
}

// The number of pivots the elimination finds, deficient matrices included.
bool rankNative(NativeFrame &frame)
{
    Vector m;
    Vector work;
    if (!squareArgument(frame, m) || !workingCopy(frame, m, work))
        return false;
    int swaps = 0;
    const uint32_t r = eliminateInPlace(work.mutableDoubles(), m.rowCount(), swaps);
    frame.setResult(Variable(double(r)));
    return true;
}

const NativeDefinition kMatrixNatives[] = {
    {"inv", invNative},
    {"rank", rankNative},
    {"det", detNative},
};

} // namespace

std::span<const NativeDefinition> matrixNatives()
{
    return kMatrixNatives;
}
