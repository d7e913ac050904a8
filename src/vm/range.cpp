#include "vm/range.h"

#include "values/error_codes.h"

#include <algorithm>
#include <cmath>

namespace {

bool isInfinite(const Variable &v)
{
    return std::isinf(v.getDouble());
}

// n elements as a 1 x n row: empty for n <= 0 (or NaN), too many for 32 bits.
quint32 allocateRow(double n, Vector &out, bool &empty)
{
    empty = !(n > 0);
    if (empty)
        return ERR_SUCCESS;
    if (n >= 4294967295.0)
        return ERR_NOT_ENOUGH_MEMORY;
    if (!Vector::create(DOUBLE_TYPE, 1, uint32_t(n), out))
        return ERR_NOT_ENOUGH_MEMORY;
    return ERR_SUCCESS;
}

// Repeated addition of a fractional step misses zero by rounding; snap the
// element nearest to zero when it is within a tolerance taken from the
// fractional parts of the operands.
void snapZero(double *items, uint32_t n, double start, double step, double end)
{
    const bool crosses = (step > 0 && start < 0 && end >= 0) || (step < 0 && start > 0 && end <= 0);
    if (!crosses)
        return;
    const double k = std::floor(-start / step);
    if (!(k >= 0 && k < double(n)))
        return;
    double intPart;
    const double fs = std::modf(std::fabs(start), &intPart);
    const double fp = std::modf(std::fabs(step), &intPart);
    double tolerance;
    if (fs == 0 && fp == 0)
        tolerance = 1e-6;
    else if (fs == 0)
        tolerance = fp / 1000;
    else if (fp == 0)
        tolerance = fs / 1000;
    else
        tolerance = std::min(fs, fp) / 1000;
    double &element = items[uint32_t(k)];
    if (std::fabs(element) < tolerance)
        element = 0.0;
}

} // namespace

quint32 makeRange(const Variable &first, const Variable &last, Variable &result)
{
    if (first.type() != DOUBLE_TYPE || last.type() != DOUBLE_TYPE)
        return ERR_INCOMPATIBLE_RANGE_TYPE;
    if (isInfinite(first) || isInfinite(last))
        return ERR_INFINITE_IN_RANGE;
    const double a = first.getDouble();
    Vector row;
    bool empty;
    if (const quint32 code = allocateRow(std::floor(last.getDouble() - a) + 1, row, empty))
        return code;
    if (!empty) {
        double *items = row.mutableDoubles();
        for (uint32_t i = 0; i < row.count(); ++i)
            items[i] = a + double(i);
    }
    result.setVector(std::move(row));
    return ERR_SUCCESS;
}

quint32 makeSteppedRange(const Variable &start, const Variable &step, const Variable &end, Variable &result)
{
    if (start.type() != DOUBLE_TYPE || step.type() != DOUBLE_TYPE || end.type() != DOUBLE_TYPE)
        return ERR_INCOMPATIBLE_RANGE_TYPE;
    if (isInfinite(start) || isInfinite(step) || isInfinite(end))
        return ERR_INFINITE_IN_RANGE;
    const double s = start.getDouble();
    const double d = step.getDouble();
    const double e = end.getDouble();
    Vector row;
    bool empty = true;
    if (d != 0) {
        if (const quint32 code = allocateRow(std::floor((e - s) / d) + 1, row, empty))
            return code;
    }
    if (!empty) {
        double *items = row.mutableDoubles();
        const uint32_t n = row.count();
        for (uint32_t i = 0; i < n; ++i)
            items[i] = double(i) * d + s;
        snapZero(items, n, s, d, e);
    }
    result.setVector(std::move(row));
    return ERR_SUCCESS;
}
