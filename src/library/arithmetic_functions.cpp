#include "library/arithmetic_functions.h"

#include "library/linear_solver.h"

#include <cmath>
#include <cstring>

// ---- shared pieces ----

PreambleResult binaryPreamble(NativeFrame &frame, quint32 undefinedFirst, quint32 undefinedSecond)
{
    const Variable &a = *frame.a;
    const Variable &b = *frame.b;
    if (a.isUndefined()) {
        frame.context.report(undefinedFirst);
        return PREAMBLE_FAILED;
    }
    if (b.isUndefined()) {
        frame.context.report(undefinedSecond);
        return PREAMBLE_FAILED;
    }
    const bool aEmpty = a.isEmptyVector();
    const bool bEmpty = b.isEmptyVector();
    if (!aEmpty && !bEmpty)
        return PREAMBLE_PROCEED;
    // An empty vector absorbs a scalar but not a non-empty vector.
    const Variable &other = aEmpty ? b : a;
    if (other.type() == VECTOR_TYPE && !other.isEmptyVector()) {
        frame.context.report(ERR_DIFFERENT_MATRIX_SIZE);
        return PREAMBLE_FAILED;
    }
    frame.result->setVector(Vector());
    return PREAMBLE_DONE;
}

bool rejectFirstOperand(ExecutionContext &context, const Variable &a)
{
    context.report(a.type() > VECTOR_TYPE ? ERR_UNKNOWN_TYPE : ERR_OPERATION_NOT_SUPPORTED);
    return false;
}

bool rejectSecondOperand(ExecutionContext &context)
{
    context.report(ERR_TYPE_MISMATCH);
    return false;
}

bool checkSameSize(ExecutionContext &context, const Vector &a, const Vector &b)
{
    if (a.isLine() && b.isLine()) {
        if (a.count() == b.count())
            return true;
        context.report(ERR_DIFFERENT_MATRIX_SIZE);
        return false;
    }
    if (a.rowCount() != b.rowCount()) {
        context.report(ERR_ROW_COUNT_MISMATCH);
        return false;
    }
    if (a.columnCount() != b.columnCount()) {
        context.report(ERR_COLUMN_COUNT_MISMATCH);
        return false;
    }
    return true;
}

bool resultBuffer(ExecutionContext &context, Variable *first, Variable *second, VariableType type,
                  uint32_t rows, uint32_t columns, Vector &out)
{
    const uint64_t n = uint64_t(rows) * columns;
    for (Variable *candidate : {first, second}) {
        if (!candidate || candidate->type() != VECTOR_TYPE)
            continue;
        Vector &v = candidate->vectorRef();
        if (v.type() == type && v.refCount() == 1 && v.count() == n) {
            out = std::move(v);
            out.setSize(rows, columns);
            return true;
        }
    }
    if (Vector::create(type, rows, columns, out))
        return true;
    context.report(ERR_NOT_ENOUGH_MEMORY);
    return false;
}

bool elementWiseBuffer(NativeFrame &frame, VariableType type, Vector &out)
{
    const bool aVector = frame.a->type() == VECTOR_TYPE;
    const bool bVector = frame.b->type() == VECTOR_TYPE;
    if (aVector && bVector) {
        const Vector &a = frame.a->getVector();
        if (!checkSameSize(frame.context, a, frame.b->getVector()))
            return false;
        return resultBuffer(frame.context, frame.a, frame.b, type, a.rowCount(), a.columnCount(), out);
    }
    Variable *owner = aVector ? frame.a : frame.b;
    const Vector &v = owner->getVector();
    return resultBuffer(frame.context, owner, nullptr, type, v.rowCount(), v.columnCount(), out);
}

// By solving m X = scale I on a copy of m.
bool scaledInverse(ExecutionContext &context, const Vector &m, double scale, Vector &out)
{
    const uint32_t n = m.rowCount();
    Vector work;
    Vector x;
    if (!Vector::create(DOUBLE_TYPE, n, n, work) || !Vector::create(DOUBLE_TYPE, n, n, x)) {
        context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    double *w = work.mutableDoubles();
    std::memcpy(w, m.doubles(), sizeof(double) * size_t(n) * n);
    double *rhs = x.mutableDoubles();
    for (uint32_t i = 0; i < n; ++i)
        rhs[size_t(i) * n + i] = scale;
    if (!solveLinear(w, rhs, n, n)) {
        context.report(ERR_MATRIX_IS_SINGULAR);
        return false;
    }
    out = std::move(x);
    return true;
}

namespace {

// ---- numeric conditions ----

// Every exact zero among the divisors goes through the "Divide by zero"
// state (a NaN is not a zero). Only a zero makes the state matter, so the
// table is consulted only when one is found.
bool divisorsAccepted(ExecutionContext &context, const double *divisors, uint32_t n)
{
    for (uint32_t i = 0; i < n; ++i) {
        if (divisors[i] == 0.0 && !context.checkCondition(ERR_DIVIDE_BY_ZERO))
            return false;
    }
    return true;
}

// One "Result is Inf" report per infinite element under the warning state;
// the error state stops at the first.
bool infinitiesAccepted(ExecutionContext &context, const double *r, uint32_t n)
{
    uint32_t i = 0;
    while (i < n && !std::isinf(r[i]))
        ++i;
    if (i == n)
        return true;
    const int state = context.stateOf(ERR_RESULT_IS_INF);
    if (state == IGNORE_STATE)
        return true;
    for (; i < n; ++i) {
        if (!std::isinf(r[i]))
            continue;
        context.report(ERR_RESULT_IS_INF);
        if (state != WARNING_STATE)
            return false;
    }
    return true;
}

// ---- element-wise family ----

enum Divisor { NO_DIVISOR, LEFT_DIVISOR, RIGHT_DIVISOR };

struct AddOp {
    static double apply(double a, double b) { return a + b; }
    static constexpr Divisor divisor = NO_DIVISOR;
    static constexpr bool checksInfinity = true;
};
struct SubtractOp {
    static double apply(double a, double b) { return a - b; }
    static constexpr Divisor divisor = NO_DIVISOR;
    static constexpr bool checksInfinity = true;
};
struct MultiplyOp {
    static double apply(double a, double b) { return a * b; }
    static constexpr Divisor divisor = NO_DIVISOR;
    static constexpr bool checksInfinity = true;
};
struct DivideOp {
    static double apply(double a, double b) { return a / b; }
    static constexpr Divisor divisor = RIGHT_DIVISOR;
    static constexpr bool checksInfinity = false;
};
struct LeftDivideOp {
    static double apply(double a, double b) { return b / a; }
    static constexpr Divisor divisor = LEFT_DIVISOR;
    static constexpr bool checksInfinity = false;
};
struct PowerOp {
    static double apply(double a, double b) { return std::pow(a, b); }
    static constexpr Divisor divisor = NO_DIVISOR;
    static constexpr bool checksInfinity = true;
};
struct RemainderOp {
    static double apply(double a, double b) { return std::fmod(a, b); }
    static constexpr Divisor divisor = RIGHT_DIVISOR;
    static constexpr bool checksInfinity = false;
};
struct NearestRemainderOp {
    static double apply(double a, double b) { return std::remainder(a, b); }
    static constexpr Divisor divisor = RIGHT_DIVISOR;
    static constexpr bool checksInfinity = false;
};

// Both operands are doubles or double vectors. Two scalars never touch the
// heap; a vector result reuses an unshared operand block when there is one.
template <class Op>
bool numericElementWise(NativeFrame &frame)
{
    ExecutionContext &context = frame.context;
    const Variable &a = *frame.a;
    const Variable &b = *frame.b;
    const bool aVector = a.type() == VECTOR_TYPE;
    const bool bVector = b.type() == VECTOR_TYPE;
    if (!aVector && !bVector) {
        const double x = a.getDouble();
        const double y = b.getDouble();
        if constexpr (Op::divisor == LEFT_DIVISOR) {
            if (x == 0.0 && !divisorsAccepted(context, &x, 1))
                return false;
        } else if constexpr (Op::divisor == RIGHT_DIVISOR) {
            if (y == 0.0 && !divisorsAccepted(context, &y, 1))
                return false;
        }
        const double r = Op::apply(x, y);
        if constexpr (Op::checksInfinity) {
            if (std::isinf(r) && !infinitiesAccepted(context, &r, 1))
                return false;
        }
        frame.result->setDouble(r);
        return true;
    }

    double aScalar = 0;
    double bScalar = 0;
    const double *x = elementsOf<double>(a, aScalar);
    const double *y = elementsOf<double>(b, bScalar);
    Vector out;
    if (!elementWiseBuffer(frame, DOUBLE_TYPE, out))
        return false;
    const uint32_t n = out.count();
    // Divisors are checked before any element is written: `out` may share
    // the divisor's block.
    if constexpr (Op::divisor == LEFT_DIVISOR) {
        if (!divisorsAccepted(context, x, aVector ? n : 1))
            return false;
    } else if constexpr (Op::divisor == RIGHT_DIVISOR) {
        if (!divisorsAccepted(context, y, bVector ? n : 1))
            return false;
    }
    double *r = out.mutableDoubles();
    applyElementWise(r, x, aVector, y, bVector, n, [](double p, double q) { return Op::apply(p, q); });
    if constexpr (Op::checksInfinity) {
        if (!infinitiesAccepted(context, r, n))
            return false;
    }
    frame.result->setVector(std::move(out));
    return true;
}

// Two double scalars pass every check of the preamble and the dispatch: the
// common case goes straight to the arithmetic.
bool bothDoubles(const NativeFrame &frame)
{
    return frame.a->type() == DOUBLE_TYPE && frame.b->type() == DOUBLE_TYPE;
}

template <class Op>
bool elementWiseOperator(NativeFrame &frame, quint32 undefinedFirst = ERR_UNDEFINED_VARIABLE,
                         quint32 undefinedSecond = ERR_UNDEFINED_VARIABLE)
{
    if (bothDoubles(frame))
        return numericElementWise<Op>(frame);
    const PreambleResult preamble = binaryPreamble(frame, undefinedFirst, undefinedSecond);
    if (preamble != PREAMBLE_PROCEED)
        return preamble == PREAMBLE_DONE;
    if (kindOf(*frame.a).element != DOUBLE_TYPE)
        return rejectFirstOperand(frame.context, *frame.a);
    if (kindOf(*frame.b).element != DOUBLE_TYPE)
        return rejectSecondOperand(frame.context);
    return numericElementWise<Op>(frame);
}

// String concatenation, element-wise like the numeric family.
bool concatenate(NativeFrame &frame)
{
    String aScalar;
    String bScalar;
    const String *x = elementsOf<String>(*frame.a, aScalar);
    const String *y = elementsOf<String>(*frame.b, bScalar);
    const bool aVector = frame.a->type() == VECTOR_TYPE;
    const bool bVector = frame.b->type() == VECTOR_TYPE;
    if (!aVector && !bVector) {
        String s;
        if (!String::concat(*x, *y, s)) {
            frame.context.report(ERR_NOT_ENOUGH_MEMORY);
            return false;
        }
        frame.result->setString(s);
        return true;
    }
    Vector out;
    if (!elementWiseBuffer(frame, STRING_TYPE, out))
        return false;
    String *r = out.mutableStrings();
    const uint32_t n = out.count();
    for (uint32_t i = 0; i < n; ++i) {
        // r may be x's or y's block; concat reads its inputs before writing.
        if (!String::concat(aVector ? x[i] : *x, bVector ? y[i] : *y, r[i])) {
            frame.context.report(ERR_NOT_ENOUGH_MEMORY);
            return false;
        }
    }
    frame.result->setVector(std::move(out));
    return true;
}

// ---- matrix family ----

// One element of the product, accumulated in k order from 0.0.
inline double productElement(const double *aRow, const double *b, uint32_t inner, uint32_t columns, uint32_t j)
{
    double sum = 0.0;
    for (uint32_t k = 0; k < inner; ++k)
        sum += aRow[k] * b[size_t(k) * columns + j];
    return sum;
}

// rows x inner times inner x columns. Every element is accumulated in k
// order from 0.0, exactly as the plain triple loop does (no fused
// multiply-add, no reordering), so results do not depend on the tiling: a
// 4 x 4 tile of the result is kept in registers, two columns a vector, while
// k runs over the whole inner dimension; the edges take the plain loop.
bool matrixProduct(ExecutionContext &context, const double *a, const double *b, uint32_t rows, uint32_t inner,
                   uint32_t columns, Vector &out)
{
    if (!Vector::create(DOUBLE_TYPE, rows, columns, out)) {
        context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    typedef double Pair __attribute__((vector_size(16)));
    double *r = out.mutableDoubles();
    const uint32_t tiledRows = rows - rows % 4;
    const uint32_t tiledColumns = columns - columns % 4;
    for (uint32_t i = 0; i < tiledRows; i += 4) {
        const double *a0 = a + size_t(i) * inner;
        const double *a1 = a0 + inner;
        const double *a2 = a1 + inner;
        const double *a3 = a2 + inner;
        for (uint32_t j = 0; j < tiledColumns; j += 4) {
            Pair c00 = {0.0, 0.0}, c01 = c00, c10 = c00, c11 = c00, c20 = c00, c21 = c00, c30 = c00, c31 = c00;
            for (uint32_t k = 0; k < inner; ++k) {
                const double *bk = b + size_t(k) * columns + j;
                Pair b0, b1;
                std::memcpy(&b0, bk, sizeof b0);
                std::memcpy(&b1, bk + 2, sizeof b1);
                const Pair x0 = {a0[k], a0[k]}, x1 = {a1[k], a1[k]}, x2 = {a2[k], a2[k]}, x3 = {a3[k], a3[k]};
                c00 += x0 * b0; c01 += x0 * b1;
                c10 += x1 * b0; c11 += x1 * b1;
                c20 += x2 * b0; c21 += x2 * b1;
                c30 += x3 * b0; c31 += x3 * b1;
            }
            const Pair tile[8] = {c00, c01, c10, c11, c20, c21, c30, c31};
            for (int t = 0; t < 4; ++t)
                std::memcpy(r + size_t(i + t) * columns + j, &tile[2 * t], 4 * sizeof(double));
        }
        for (uint32_t t = 0; t < 4; ++t)
            for (uint32_t j = tiledColumns; j < columns; ++j)
                r[size_t(i + t) * columns + j] = productElement(a + size_t(i + t) * inner, b, inner, columns, j);
    }
    for (uint32_t i = tiledRows; i < rows; ++i)
        for (uint32_t j = 0; j < columns; ++j)
            r[size_t(i) * columns + j] = productElement(a + size_t(i) * inner, b, inner, columns, j);
    return infinitiesAccepted(context, r, out.count());
}

bool requireSquare(ExecutionContext &context, const Vector &m)
{
    if (m.rowCount() == m.columnCount())
        return true;
    context.report(ERR_MATRIX_NOT_SQUARE);
    return false;
}

bool requireDimension(ExecutionContext &context, uint32_t left, uint32_t right)
{
    if (left == right)
        return true;
    context.report(ERR_DIFFERENT_MATRIX_SIZE);
    return false;
}

// The preamble and the double-only type rule of * / and \.
PreambleResult matrixOperands(NativeFrame &frame)
{
    const PreambleResult preamble = binaryPreamble(frame);
    if (preamble != PREAMBLE_PROCEED)
        return preamble;
    if (kindOf(*frame.a).element != DOUBLE_TYPE) {
        rejectFirstOperand(frame.context, *frame.a);
        return PREAMBLE_FAILED;
    }
    if (kindOf(*frame.b).element != DOUBLE_TYPE) {
        rejectSecondOperand(frame.context);
        return PREAMBLE_FAILED;
    }
    return PREAMBLE_PROCEED;
}

// ---- unary ----

template <class T>
bool negateElements(NativeFrame &frame, T (*negate)(T))
{
    const Vector &v = frame.a->getVector();
    const T *x = ElementTraits<T>::items(v);
    Vector out;
    if (!resultBuffer(frame.context, frame.a, nullptr, ElementTraits<T>::type, v.rowCount(), v.columnCount(), out))
        return false;
    T *r = ElementTraits<T>::mutableItems(out);
    const uint32_t n = out.count();
    for (uint32_t i = 0; i < n; ++i)
        r[i] = negate(x[i]);
    frame.result->setVector(std::move(out));
    return true;
}

double negateDouble(double x) { return -x; }
// Wraps at the most negative integer instead of overflowing.
int32_t negateInteger(int32_t x) { return int32_t(0u - uint32_t(x)); }

template <class T>
void transposeElements(const Vector &v, Vector &out)
{
    const T *x = ElementTraits<T>::items(v);
    T *r = ElementTraits<T>::mutableItems(out);
    const uint32_t rows = v.rowCount();
    const uint32_t columns = v.columnCount();
    for (uint32_t i = 0; i < rows; ++i)
        for (uint32_t j = 0; j < columns; ++j)
            r[size_t(j) * rows + i] = x[size_t(i) * columns + j];
}

} // namespace

// ---- the routines ----

bool addOperator(NativeFrame &frame)
{
    if (bothDoubles(frame))
        return numericElementWise<AddOp>(frame);
    const PreambleResult preamble = binaryPreamble(frame, ERR_UNDEFINED_FIRST_OPERAND, ERR_UNDEFINED_SECOND_OPERAND);
    if (preamble != PREAMBLE_PROCEED)
        return preamble == PREAMBLE_DONE;
    const VariableType a = kindOf(*frame.a).element;
    const VariableType b = kindOf(*frame.b).element;
    if (a == STRING_TYPE) {
        if (b != STRING_TYPE)
            return rejectSecondOperand(frame.context);
        return concatenate(frame);
    }
    if (a != DOUBLE_TYPE)
        return rejectFirstOperand(frame.context, *frame.a);
    if (b != DOUBLE_TYPE)
        return rejectSecondOperand(frame.context);
    return numericElementWise<AddOp>(frame);
}

bool subtractOperator(NativeFrame &frame) { return elementWiseOperator<SubtractOp>(frame); }
bool elementMultiplyOperator(NativeFrame &frame) { return elementWiseOperator<MultiplyOp>(frame); }
bool elementDivideOperator(NativeFrame &frame) { return elementWiseOperator<DivideOp>(frame); }
bool elementLeftDivideOperator(NativeFrame &frame) { return elementWiseOperator<LeftDivideOp>(frame); }
bool elementPowerOperator(NativeFrame &frame) { return elementWiseOperator<PowerOp>(frame); }

bool remainderOperator(NativeFrame &frame)
{
    return elementWiseOperator<RemainderOp>(frame, ERR_UNDEFINED_FIRST_OPERAND, ERR_UNDEFINED_SECOND_OPERAND);
}

bool nearestRemainderOperator(NativeFrame &frame)
{
    return elementWiseOperator<NearestRemainderOp>(frame, ERR_UNDEFINED_FIRST_OPERAND, ERR_UNDEFINED_SECOND_OPERAND);
}

bool multiplyOperator(NativeFrame &frame)
{
    if (bothDoubles(frame))
        return numericElementWise<MultiplyOp>(frame);
    const PreambleResult preamble = matrixOperands(frame);
    if (preamble != PREAMBLE_PROCEED)
        return preamble == PREAMBLE_DONE;
    if (frame.a->type() != VECTOR_TYPE || frame.b->type() != VECTOR_TYPE)
        return numericElementWise<MultiplyOp>(frame);
    const Vector &a = frame.a->getVector();
    const Vector &b = frame.b->getVector();
    if (!requireDimension(frame.context, a.columnCount(), b.rowCount()))
        return false;
    Vector out;
    if (!matrixProduct(frame.context, a.doubles(), b.doubles(), a.rowCount(), a.columnCount(), b.columnCount(), out))
        return false;
    frame.result->setVector(std::move(out));
    return true;
}

// a / b is a times the inverse of b, a \ b the inverse of a times b; `left`
// says which operand is the square matrix to invert.
template <typename ScalarOp>
static bool matrixDivision(NativeFrame &frame, bool left)
{
    if (bothDoubles(frame))
        return numericElementWise<ScalarOp>(frame);
    const PreambleResult preamble = matrixOperands(frame);
    if (preamble != PREAMBLE_PROCEED)
        return preamble == PREAMBLE_DONE;
    const Variable &matrixSide = left ? *frame.a : *frame.b;
    const Variable &other = left ? *frame.b : *frame.a;
    if (matrixSide.type() != VECTOR_TYPE)
        return numericElementWise<ScalarOp>(frame);
    const Vector &m = matrixSide.getVector();
    if (!requireSquare(frame.context, m))
        return false;
    Vector out;
    if (other.type() != VECTOR_TYPE) {
        if (!scaledInverse(frame.context, m, other.getDouble(), out))
            return false;
    } else {
        const Vector &o = other.getVector();
        const bool fits = left ? requireDimension(frame.context, m.rowCount(), o.rowCount())
                               : requireDimension(frame.context, o.columnCount(), m.columnCount());
        if (!fits)
            return false;
        Vector inverse;
        if (!scaledInverse(frame.context, m, 1.0, inverse))
            return false;
        const bool done = left ? matrixProduct(frame.context, inverse.doubles(), o.doubles(), m.rowCount(),
                                               m.columnCount(), o.columnCount(), out)
                               : matrixProduct(frame.context, o.doubles(), inverse.doubles(), o.rowCount(),
                                               o.columnCount(), m.columnCount(), out);
        if (!done)
            return false;
    }
    frame.result->setVector(std::move(out));
    return true;
}

bool divideOperator(NativeFrame &frame)
{
    return matrixDivision<DivideOp>(frame, false);
}

bool leftDivideOperator(NativeFrame &frame)
{
    return matrixDivision<LeftDivideOp>(frame, true);
}

bool powerOperator(NativeFrame &frame)
{
    if (bothDoubles(frame))
        return numericElementWise<PowerOp>(frame);
    const PreambleResult preamble = binaryPreamble(frame);
    if (preamble != PREAMBLE_PROCEED)
        return preamble == PREAMBLE_DONE;
    if (frame.a->type() == VECTOR_TYPE) {
        // Matrix powers are not implemented; the shape is still checked first.
        if (frame.b->type() == VECTOR_TYPE
            && !requireDimension(frame.context, frame.a->getVector().columnCount(), frame.b->getVector().rowCount()))
            return false;
        frame.context.report(ERR_OPERATION_NOT_SUPPORTED);
        return false;
    }
    if (frame.a->type() != DOUBLE_TYPE)
        return rejectFirstOperand(frame.context, *frame.a);
    if (kindOf(*frame.b).element != DOUBLE_TYPE)
        return rejectSecondOperand(frame.context);
    return numericElementWise<PowerOp>(frame);
}

bool negateOperator(NativeFrame &frame)
{
    const Variable &a = *frame.a;
    switch (a.type()) {
    case UNDEFINED_TYPE:
        frame.context.report(ERR_UNDEFINED_VARIABLE);
        return false;
    case DOUBLE_TYPE:
        frame.result->setDouble(-a.getDouble());
        return true;
    case INTEGER_TYPE:
        frame.result->setInteger(negateInteger(a.getInteger()));
        return true;
    case VECTOR_TYPE:
        if (a.isEmptyVector()) {
            frame.result->setVector(Vector());
            return true;
        }
        if (a.getVector().type() == DOUBLE_TYPE)
            return negateElements<double>(frame, negateDouble);
        if (a.getVector().type() == INTEGER_TYPE)
            return negateElements<int32_t>(frame, negateInteger);
        frame.context.report(ERR_OPERATION_NOT_SUPPORTED);
        return false;
    default:
        return rejectFirstOperand(frame.context, a);
    }
}

bool unaryPlusOperator(NativeFrame &frame)
{
    const Variable &a = *frame.a;
    switch (a.type()) {
    case UNDEFINED_TYPE:
        frame.context.report(ERR_UNDEFINED_VARIABLE);
        return false;
    case DOUBLE_TYPE:
    case INTEGER_TYPE:
        *frame.result = a;
        return true;
    case VECTOR_TYPE: {
        const VariableType element = a.getVector().type();
        if (a.isEmptyVector()) {
            frame.result->setVector(Vector());
            return true;
        }
        if (element != DOUBLE_TYPE && element != INTEGER_TYPE) {
            frame.context.report(ERR_OPERATION_NOT_SUPPORTED);
            return false;
        }
        frame.result->setVector(a.getVector()); // shares the block
        return true;
    }
    default:
        return rejectFirstOperand(frame.context, a);
    }
}

bool transposeOperator(NativeFrame &frame)
{
    const Variable &a = *frame.a;
    if (a.isUndefined()) {
        frame.context.report(ERR_UNDEFINED_VARIABLE);
        return false;
    }
    if (a.type() != VECTOR_TYPE) {
        *frame.result = a;
        return true;
    }
    const Vector &v = a.getVector();
    if (v.isEmpty()) {
        frame.result->setVector(Vector());
        return true;
    }
    // A line keeps its storage order: only the shape changes.
    if (v.isLine()) {
        Vector out(v);
        out.setSize(v.columnCount(), v.rowCount());
        frame.result->setVector(std::move(out));
        return true;
    }
    Vector out;
    if (!Vector::create(v.type(), v.columnCount(), v.rowCount(), out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    switch (v.type()) {
    case BOOLEAN_TYPE: transposeElements<bool>(v, out); break;
    case INTEGER_TYPE: transposeElements<int32_t>(v, out); break;
    case DOUBLE_TYPE: transposeElements<double>(v, out); break;
    case STRING_TYPE: transposeElements<String>(v, out); break;
    default: return rejectFirstOperand(frame.context, a);
    }
    frame.result->setVector(std::move(out));
    return true;
}
