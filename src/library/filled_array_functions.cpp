#include "app/settings.h"
#include "library/native_definition.h"
#include "library/random_generator.h"
#include "values/allocation_limit.h"

#include <cmath>
#include <limits>

// rand, randi, inf and nan: a scalar, or an array filled element by element
// in index order. They share the argument forms (), (n) for a 1 x n row,
// (r, c), and ([r c]) with a two-element double vector. memory_limit sets
// how big any array may be.

namespace {

struct Filler {
    quint32 error;
    double (*value)();
};

double draw() { return RandomGenerator::instance().next(); }
// 0 and 10 come out half as often as the integers between them.
double drawInteger() { return std::round(10 * RandomGenerator::instance().next()); }
double infinity() { return std::numeric_limits<double>::infinity(); }
double notANumber() { return std::numeric_limits<double>::quiet_NaN(); }

constexpr Filler kRand = {ERR_BAD_RAND_ARG, draw};
constexpr Filler kRandi = {ERR_BAD_RAND_ARG, drawInteger};
constexpr Filler kInf = {ERR_BAD_INF_ARG, infinity};
constexpr Filler kNaN = {ERR_BAD_NAN_ARG, notANumber};

enum ExtentResult { EXTENT_OK, EXTENT_BAD, EXTENT_TOO_BIG };

// A count with its fraction dropped; below 1 (NaN included) is bad.
ExtentResult extentOf(double d, uint64_t &extent)
{
    d = std::trunc(d);
    if (!(d >= 1))
        return EXTENT_BAD;
    if (d > double(std::numeric_limits<uint32_t>::max()))
        return EXTENT_TOO_BIG;
    extent = uint64_t(d);
    return EXTENT_OK;
}

// The shape asked for by one or two arguments, as two counts.
bool requestedCounts(NativeFrame &frame, double &rows, double &columns)
{
    if (frame.argc == 2) {
        const Variable &r = frame.arg(0);
        const Variable &c = frame.arg(1);
        if (r.type() != DOUBLE_TYPE || c.type() != DOUBLE_TYPE)
            return false;
        rows = r.getDouble();
        columns = c.getDouble();
        return true;
    }
    const Variable &x = frame.arg(0);
    if (x.type() == DOUBLE_TYPE) {
        rows = 1;
        columns = x.getDouble();
        return true;
    }
    if (x.type() != VECTOR_TYPE)
        return false;
    const Vector &v = x.getVector();
    if (v.type() != DOUBLE_TYPE || v.count() != 2 || !v.isLine())
        return false;
    rows = v.getDouble(0);
    columns = v.getDouble(1);
    return true;
}

template <const Filler &F>
bool fill(NativeFrame &frame)
{
    if (!frame.expectArguments(0, 2))
        return false;
    if (frame.argc == 0) {
        frame.setResult(Variable(F.value()));
        return true;
    }
    double r = 0;
    double c = 0;
    if (!requestedCounts(frame, r, c)) {
        frame.context.report(F.error);
        return false;
    }
    uint64_t rows = 0;
    uint64_t columns = 0;
    const ExtentResult er = extentOf(r, rows);
    const ExtentResult ec = extentOf(c, columns);
    if (er == EXTENT_BAD || ec == EXTENT_BAD) {
        frame.context.report(F.error);
        return false;
    }
    Vector out;
    if (er == EXTENT_TOO_BIG || ec == EXTENT_TOO_BIG || !Vector::create(DOUBLE_TYPE, uint32_t(rows), uint32_t(columns), out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    double *x = out.mutableDoubles();
    const uint32_t n = out.count();
    for (uint32_t i = 0; i < n; ++i)
        x[i] = F.value();
    frame.setResult(Variable(std::move(out)));
    return true;
}

constexpr double kMebibyte = 1024.0 * 1024.0;

// memory_limit() answers the largest array or string allowed, in MiB;
// memory_limit(n) lowers it to n MiB (0: the physical memory again), for
// this session and the next ones, and answers the limit now in force.
bool memoryLimit(NativeFrame &frame)
{
    if (!frame.expectArguments(0, 1))
        return false;
    if (frame.argc == 1) {
        const Variable &arg = frame.arg(0);
        const double n = arg.type() == DOUBLE_TYPE ? std::trunc(arg.getDouble()) : -1;
        if (!(n >= 0)) {
            frame.context.report(ERR_BAD_MEMORY_LIMIT_ARG);
            return false;
        }
        const double physical = double(AllocationLimit::physicalMemory()) / kMebibyte;
        const int mebibytes = n >= physical ? 0 : int(n);
        AllocationLimit::setUserLimit(uint64_t(mebibytes) << 20);
        Settings::setMemoryLimit(mebibytes);
    }
    frame.setResult(Variable(std::floor(double(AllocationLimit::limit()) / kMebibyte)));
    return true;
}

const NativeDefinition kFilledArrayNatives[] = {
    {"memory_limit", memoryLimit},
    {"rand", fill<kRand>},
    {"randi", fill<kRandi>},
    {"inf", fill<kInf>},
    {"nan", fill<kNaN>},
};

} // namespace

std::span<const NativeDefinition> filledArrayNatives()
{
    return kFilledArrayNatives;
}
