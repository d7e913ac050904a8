// The natives that build arrays and work on their shape and elements:
// zeros ones eye mtrue mfalse, size, reshape, diag, dot, cross and the
// number parts lpart rpart part.

#include "library/native_definition.h"
#include "values/assert.h"
#include "values/error_codes.h"

#include <cmath>

namespace {

bool isDoubleVector(const Variable &v)
{
    return v.type() == VECTOR_TYPE && v.getVector().type() == DOUBLE_TYPE;
}

// A count given as a double, its fraction dropped. False for NaN, for
// counts below `least` and for counts a Vector cannot index.
bool countOf(double d, uint32_t least, uint32_t &count)
{
    if (std::isnan(d))
        return false;
    d = std::trunc(d);
    if (d < double(least) || d > 4294967295.0)
        return false;
    count = uint32_t(d);
    return true;
}

// The (rows, columns) pair of a double vector of exactly two elements,
// laid out as a row or as a column.
bool pairOf(const Variable &v, double &first, double &second)
{
    if (!isDoubleVector(v) || v.getVector().count() != 2)
        return false;
    first = v.getVector().getDouble(0);
    second = v.getVector().getDouble(1);
    return true;
}

// ---- constructors ----

// The shape of a constructor call: n, (rows, columns) or [rows columns].
// One count n means 1 x n, or n x n for a square constructor; anything
// unusable reports `code`.
bool shapeOf(NativeFrame &frame, quint32 code, bool square, uint32_t &rows, uint32_t &columns)
{
    double r = 0;
    double c = 0;
    if (frame.argc == 1) {
        const Variable &a = frame.arg(0);
        if (a.type() == DOUBLE_TYPE) {
            c = a.getDouble();
            r = square ? c : 1.0;
        } else if (!pairOf(a, r, c)) {
            frame.context.report(code);
            return false;
        }
    } else {
        const Variable &a = frame.arg(0);
        const Variable &b = frame.arg(1);
        if (a.type() != DOUBLE_TYPE || b.type() != DOUBLE_TYPE) {
            frame.context.report(code);
            return false;
        }
        r = a.getDouble();
        c = b.getDouble();
    }
    if (!countOf(r, 1, rows) || !countOf(c, 1, columns)) {
        frame.context.report(code);
        return false;
    }
    return true;
}

// zeros, ones, mtrue, mfalse (filled with Fill) and eye (Identity).
template <quint32 Code, VariableType Type, bool Fill, bool Identity = false>
bool construct(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 2))
        return false;
    uint32_t rows = 0;
    uint32_t columns = 0;
    if (!shapeOf(frame, Code, Identity, rows, columns))
        return false;
    Vector out;
    if (!Vector::create(Type, rows, columns, out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    const uint32_t n = out.count();
    if constexpr (Type == BOOLEAN_TYPE) {
        if (Fill) {
            bool *b = out.mutableBooleans();
            for (uint32_t i = 0; i < n; ++i)
                b[i] = true;
        }
    } else if (Identity) {
        double *d = out.mutableDoubles();
        const uint32_t diagonal = rows < columns ? rows : columns;
        for (uint32_t k = 0; k < diagonal; ++k)
            d[size_t(k) * columns + k] = 1.0;
    } else if (Fill) {
        double *d = out.mutableDoubles();
        for (uint32_t i = 0; i < n; ++i)
            d[i] = 1.0;
    }
    frame.setResult(Variable(std::move(out)));
    return true;
}

// ---- shape ----

bool sizeNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 2))
        return false;
    const Variable &v = frame.arg(0);
    if (v.type() != VECTOR_TYPE) {
        frame.context.report(ERR_BAD_SIZE_ARG);
        return false;
    }
    const double rows = v.getVector().rowCount();
    const double columns = v.getVector().columnCount();
    if (frame.argc == 2) {
        const Variable &d = frame.arg(1);
        const double dimension = d.type() == DOUBLE_TYPE ? std::trunc(d.getDouble()) : -1.0;
        if (dimension != 0.0 && dimension != 1.0) {
            frame.context.report(ERR_BAD_SIZE_ARG);
            return false;
        }
        frame.setResult(Variable(dimension == 0.0 ? rows : columns));
        return true;
    }
    Vector out;
    if (!Vector::create(DOUBLE_TYPE, 1, 2, out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    out.set(0, rows);
    out.set(1, columns);
    frame.setResult(Variable(std::move(out)));
    return true;
}

// The new shape shares A's elements: only the row and column counts change.
bool reshapeNative(NativeFrame &frame)
{
    if (!frame.expectArguments(2, 3))
        return false;
    const Variable &a = frame.arg(0);
    double r = 0;
    double c = 0;
    bool shaped = a.type() == VECTOR_TYPE;
    if (frame.argc == 2) {
        shaped = shaped && pairOf(frame.arg(1), r, c);
    } else {
        shaped = shaped && frame.arg(1).type() == DOUBLE_TYPE && frame.arg(2).type() == DOUBLE_TYPE;
        if (shaped) {
            r = frame.arg(1).getDouble();
            c = frame.arg(2).getDouble();
        }
    }
    uint32_t rows = 0;
    uint32_t columns = 0;
    if (!shaped || !countOf(r, 0, rows) || !countOf(c, 0, columns)
        || uint64_t(rows) * columns != a.getVector().count()) {
        frame.context.report(ERR_BAD_RESHAPE_ARG);
        return false;
    }
    Vector out = a.getVector();
    out.setSize(rows, columns);
    frame.setResult(Variable(std::move(out)));
    return true;
}

bool diagNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &a = frame.arg(0);
    if (a.type() != VECTOR_TYPE || a.getVector().type() == INTEGER_TYPE) {
        frame.context.report(ERR_BAD_DIAG_ARG);
        return false;
    }
    const Vector &in = a.getVector();
    if (in.isEmpty()) {
        frame.setResult(Variable(Vector(in)));
        return true;
    }
    const uint32_t columns = in.columnCount();
    const uint32_t n = in.rowCount() < columns ? in.rowCount() : columns;
    Vector out;
    if (!Vector::create(in.type(), 1, n, out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    for (uint32_t k = 0; k < n; ++k) {
        const uint32_t i = k * columns + k;
        bool stored = false;
        switch (in.type()) {
        case BOOLEAN_TYPE:
            stored = out.set(k, in.getBoolean(i));
            break;
        case DOUBLE_TYPE:
            stored = out.set(k, in.getDouble(i));
            break;
        case STRING_TYPE:
            stored = out.set(k, in.getString(i));
            break;
        default:
            NUMLYRA_ASSERT(!"diagonal of an untyped vector");
        }
        if (!stored) {
            frame.context.report(ERR_NOT_ENOUGH_MEMORY);
            return false;
        }
    }
    frame.setResult(Variable(std::move(out)));
    return true;
}

// ---- products ----

bool dotNative(NativeFrame &frame)
{
    if (!frame.expectArguments(2))
        return false;
    const Variable &a = frame.arg(0);
    const Variable &b = frame.arg(1);
    if (!isDoubleVector(a) || !isDoubleVector(b) || a.getVector().isEmpty() || !a.getVector().isLine()) {
        frame.context.report(ERR_BAD_DOT_ARG);
        return false;
    }
    const Vector &x = a.getVector();
    const Vector &y = b.getVector();
    if (y.rowCount() > 1 && x.columnCount() > 1) {
        frame.context.report(ERR_EXPECT_ROW_VECTOR);
        return false;
    }
    if (x.count() != y.count()) {
        frame.context.report(ERR_DIFFERENT_MATRIX_SIZE);
        return false;
    }
    const double *p = x.doubles();
    const double *q = y.doubles();
    double sum = 0.0;
    for (uint32_t i = 0; i < x.count(); ++i)
        sum += p[i] * q[i];
    frame.setResult(Variable(sum));
    return true;
}

bool crossNative(NativeFrame &frame)
{
    if (!frame.expectArguments(2))
        return false;
    const Variable &a = frame.arg(0);
    const Variable &b = frame.arg(1);
    if (!isDoubleVector(a) || !isDoubleVector(b) || a.getVector().count() != 3 || b.getVector().count() != 3) {
        frame.context.report(ERR_BAD_CROSS_ARG);
        return false;
    }
    const double *x = a.getVector().doubles();
    const double *y = b.getVector().doubles();
    Vector out;
    if (!Vector::create(DOUBLE_TYPE, a.getVector().rowCount(), a.getVector().columnCount(), out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    double *r = out.mutableDoubles();
    r[0] = x[1] * y[2] - x[2] * y[1];
    r[1] = x[2] * y[0] - x[0] * y[2];
    r[2] = x[0] * y[1] - x[1] * y[0];
    frame.setResult(Variable(std::move(out)));
    return true;
}

// ---- number parts ----

// The decimal places of lpart, rpart and part: n with its fraction dropped,
// within the range where 10^n is a finite normal double.
bool placesOf(const Variable &v, int &places)
{
    if (v.type() != DOUBLE_TYPE || std::isnan(v.getDouble()))
        return false;
    const double n = std::trunc(v.getDouble());
    if (n < -307 || n > 307)
        return false;
    places = int(n);
    return true;
}

// x rounded to `places` digits after the decimal point (before it when
// negative), halves away from zero. A value with no digits at that place
// (too large, infinite or NaN) is its own rounding.
double leftPart(double x, int places)
{
    if (!std::isfinite(x))
        return x;
    if (places < 0) {
        const double unit = std::pow(10.0, -places);
        return std::round(x / unit) * unit;
    }
    const double scale = std::pow(10.0, places);
    const double scaled = x * scale;
    if (!(std::fabs(scaled) < 4503599627370496.0)) // 2^52: already whole
        return x;
    return std::round(scaled) / scale;
}

// What rounding leaves over, so that lpart + rpart gives x back.
double rightPart(double x, int places)
{
    if (!std::isfinite(x))
        return std::isnan(x) ? x : 0.0;
    return x - leftPart(x, places);
}

// lpart(x, n) and rpart(x, n): x a double or a double vector (element by
// element, shape kept), n a double.
template <double (*Part)(double, int), quint32 Code>
bool numberPart(NativeFrame &frame)
{
    if (!frame.expectArguments(2))
        return false;
    const Variable &x = frame.arg(0);
    int places = 0;
    if ((x.type() != DOUBLE_TYPE && !isDoubleVector(x) && !x.isEmptyVector()) || !placesOf(frame.arg(1), places)) {
        frame.context.report(Code);
        return false;
    }
    if (x.type() == DOUBLE_TYPE) {
        frame.setResult(Variable(Part(x.getDouble(), places)));
        return true;
    }
    const Vector &in = x.getVector();
    if (in.isEmpty()) {
        frame.setResult(Variable(Vector(in)));
        return true;
    }
    Vector out;
    if (!Vector::create(DOUBLE_TYPE, in.rowCount(), in.columnCount(), out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    const double *p = in.doubles();
    double *r = out.mutableDoubles();
    for (uint32_t i = 0; i < in.count(); ++i)
        r[i] = Part(p[i], places);
    frame.setResult(Variable(std::move(out)));
    return true;
}

// part(x) and part(x, n): the row (lpart, rpart) of a double x; n is 0
// when not given, which splits x at its nearest whole number.
bool partNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 2))
        return false;
    const Variable &x = frame.arg(0);
    int places = 0;
    if (x.type() != DOUBLE_TYPE || (frame.argc == 2 && !placesOf(frame.arg(1), places))) {
        frame.context.report(ERR_BAD_PART_ARG);
        return false;
    }
    Vector out;
    if (!Vector::create(DOUBLE_TYPE, 1, 2, out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    out.set(0, leftPart(x.getDouble(), places));
    out.set(1, rightPart(x.getDouble(), places));
    frame.setResult(Variable(std::move(out)));
    return true;
}

const NativeDefinition kArrayNatives[] = {
    {"zeros", construct<ERR_BAD_ZEROS_ARG, DOUBLE_TYPE, false>},
    {"ones", construct<ERR_BAD_ONES_ARG, DOUBLE_TYPE, true>},
    {"eye", construct<ERR_BAD_EYE_ARG, DOUBLE_TYPE, false, true>},
    {"mtrue", construct<ERR_BAD_MTRUE_ARG, BOOLEAN_TYPE, true>},
    {"mfalse", construct<ERR_BAD_MFALSE_ARG, BOOLEAN_TYPE, false>},
    {"size", sizeNative},
    {"reshape", reshapeNative},
    {"diag", diagNative},
    {"dot", dotNative},
    {"cross", crossNative},
    {"lpart", numberPart<leftPart, ERR_BAD_LPART_ARG>},
    {"rpart", numberPart<rightPart, ERR_BAD_RPART_ARG>},
    {"part", partNative},
};

} // namespace

std::span<const NativeDefinition> arrayNatives()
{
    return kArrayNatives;
}
