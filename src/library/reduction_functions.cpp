#include "library/arithmetic_functions.h"
#include "library/element_pairs.h"
#include "library/native_definition.h"

#include <cmath>

namespace {

bool fail(NativeFrame &frame, quint32 code)
{
    frame.context.report(code);
    return false;
}

// A line reduces to one value; an array with several rows and columns to
// an R x 1 column of its rows. `reduce(first, count)` gets `count`
// consecutive elements.
template <class T, class Reduce>
bool reduceRows(NativeFrame &frame, const Vector &v, const T *items, Reduce reduce)
{
    if (v.isLine()) {
        frame.setResult(Variable(reduce(items, v.count())));
        return true;
    }
    const uint32_t rows = v.rowCount();
    const uint32_t columns = v.columnCount();
    using R = decltype(reduce(items, columns));
    Vector out;
    if (!Vector::create(ElementTraits<R>::type, rows, 1, out))
        return fail(frame, ERR_NOT_ENOUGH_MEMORY);
    R *r = ElementTraits<R>::mutableItems(out);
    for (uint32_t i = 0; i < rows; ++i)
        r[i] = reduce(items + size_t(i) * columns, columns);
    frame.setResult(Variable(std::move(out)));
    return true;
}

// ---- sum sumsq prod mean ----

struct Accumulation {
    const char *name;
    double start;
    double (*step)(double total, double x);
    bool divide; // mean: the total over the element count
};

constexpr Accumulation kAccumulations[] = {
    {"sum", 0, [](double t, double x) { return t + x; }, false},
    {"sumsq", 0, [](double t, double x) { return t + x * x; }, false},
    {"prod", 1, [](double t, double x) { return t * x; }, false},
    {"mean", 0, [](double t, double x) { return t + x; }, true},
};

// A double scalar is a line of one element, so sumsq(x) is x * x.
template <size_t I>
bool accumulate(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const auto reduce = [](const double *x, uint32_t n) {
        constexpr const Accumulation &a = kAccumulations[I];
        double total = a.start;
        for (uint32_t i = 0; i < n; ++i)
            total = a.step(total, x[i]);
        return a.divide ? total / n : total;
    };
    const Variable &x = frame.arg(0);
    if (x.type() == DOUBLE_TYPE) {
        const double d = x.getDouble();
        frame.setResult(Variable(reduce(&d, 1)));
        return true;
    }
    if (x.isEmptyVector()) {
        frame.setResult(Variable(0.0));
        return true;
    }
    if (x.type() != VECTOR_TYPE || x.getVector().type() != DOUBLE_TYPE)
        return fail(frame, ERR_TYPE_MISMATCH);
    const Vector &v = x.getVector();
    return reduceRows(frame, v, v.doubles(), reduce);
}

// ---- min and max ----

struct Extreme {
    bool (*better)(double candidate, double current);
    bool (*betterString)(const String &candidate, const String &current);
    quint32 error;
};

constexpr Extreme kMin = {[](double c, double m) { return c < m; },
                          [](const String &c, const String &m) { return c.compare(m) < 0; }, ERR_BAD_MIN_ARG};
constexpr Extreme kMax = {[](double c, double m) { return c > m; },
                          [](const String &c, const String &m) { return c.compare(m) > 0; }, ERR_BAD_MAX_ARG};

// The first element wins ties: a later one replaces it only when strictly
// better (so a leading NaN is kept and later ones are skipped).
template <class T, class Better>
T extremeOf(const T *x, uint32_t n, Better better)
{
    T best = x[0];
    for (uint32_t i = 1; i < n; ++i)
        if (better(x[i], best))
            best = x[i];
    return best;
}

template <const Extreme &E>
bool extremeOfOne(NativeFrame &frame)
{
    const Variable &x = frame.arg(0);
    if (x.type() != VECTOR_TYPE)
        return fail(frame, E.error);
    const Vector &v = x.getVector();
    if (v.isEmpty()) {
        frame.setResult(Variable(Vector()));
        return true;
    }
    if (v.type() == DOUBLE_TYPE)
        return reduceRows(frame, v, v.doubles(),
                          [](const double *p, uint32_t n) { return extremeOf(p, n, E.better); });
    if (v.type() == STRING_TYPE)
        return reduceRows(frame, v, v.strings(),
                          [](const String *p, uint32_t n) { return extremeOf(p, n, E.betterString); });
    return fail(frame, E.error);
}

template <const Extreme &E>
bool extremeOfTwo(NativeFrame &frame)
{
    const Variable &a = frame.arg(0);
    const Variable &b = frame.arg(1);
    if (bool ok; settleEmptyPair(frame, a, b, ok))
        return ok;
    const ValueKind ka = kindOf(a);
    const ValueKind kb = kindOf(b);
    if (ka.element == DOUBLE_TYPE && kb.element == DOUBLE_TYPE)
        return combinePair<double, double>(frame, [](double x, double y) { return E.better(y, x) ? y : x; });
    if (ka.element == STRING_TYPE && kb.element == STRING_TYPE)
        return combinePair<String, String>(
            frame, [](const String &x, const String &y) { return E.betterString(y, x) ? y : x; });
    if (ka.isVector && kb.isVector && ka.element == kb.element)
        return fail(frame, ERR_OPERATION_NOT_SUPPORTED);
    return fail(frame, ERR_TYPE_MISMATCH);
}

template <const Extreme &E>
bool extreme(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 2))
        return false;
    return frame.argc == 1 ? extremeOfOne<E>(frame) : extremeOfTwo<E>(frame);
}

// ---- truth: count any all find ----

// The elements of a boolean, double or string value as truth values
// (true, non-zero, non-empty); a scalar is one element. False after
// reporting for undefined values and integer elements.
class TruthView {
public:
    bool read(NativeFrame &frame, const Variable &x)
    {
        _value = &x;
        _kind = kindOf(x);
        if (x.type() == UNDEFINED_TYPE)
            return fail(frame, ERR_UNDEFINED_VARIABLE);
        if (_kind.element == INTEGER_TYPE)
            return fail(frame, ERR_OPERATION_NOT_SUPPORTED);
        if (_kind.element > STRING_TYPE)
            return fail(frame, ERR_UNKNOWN_TYPE);
        return true;
    }
    uint32_t count() const { return _kind.isVector ? _value->getVector().count() : 1; }
    bool at(uint32_t i) const
    {
        if (!_kind.isVector) {
            switch (_kind.element) {
            case BOOLEAN_TYPE:
                return _value->getBoolean();
            case DOUBLE_TYPE:
                return _value->getDouble() != 0;
            default:
                return !_value->getString().isEmpty();
            }
        }
        const Vector &v = _value->getVector();
        switch (_kind.element) {
        case BOOLEAN_TYPE:
            return v.getBoolean(i);
        case DOUBLE_TYPE:
            return v.getDouble(i) != 0;
        default:
            return !v.getString(i).isEmpty();
        }
    }

private:
    const Variable *_value = nullptr;
    ValueKind _kind{UNDEFINED_TYPE, false};
};

template <bool All>
bool anyOrAll(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    TruthView view;
    if (!view.read(frame, frame.arg(0)))
        return false;
    const uint32_t n = view.count();
    bool answer = All;
    for (uint32_t i = 0; i < n && answer == All; ++i)
        answer = view.at(i);
    frame.setResult(Variable(answer));
    return true;
}

// Whether element i of `x` equals the scalar `y`; the types agree.
bool elementEquals(const Variable &x, uint32_t i, const Variable &y)
{
    const bool isVector = x.type() == VECTOR_TYPE;
    switch (y.type()) {
    case BOOLEAN_TYPE:
        return (isVector ? x.getVector().getBoolean(i) : x.getBoolean()) == y.getBoolean();
    case DOUBLE_TYPE:
        return (isVector ? x.getVector().getDouble(i) : x.getDouble()) == y.getDouble();
    default:
        return (isVector ? x.getVector().getString(i) : x.getString()) == y.getString();
    }
}

// count(x): the true, non-zero or non-empty elements; count(x, y): the
// elements equal to the scalar y, which must have x's element type.
bool countNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 2))
        return false;
    const Variable &x = frame.arg(0);
    TruthView view;
    if (!view.read(frame, x))
        return false;
    const bool matching = frame.argc == 2;
    if (matching) {
        const Variable &y = frame.arg(1);
        if (y.type() == UNDEFINED_TYPE)
            return fail(frame, ERR_UNDEFINED_VARIABLE);
        if (y.type() == VECTOR_TYPE || y.type() == INTEGER_TYPE)
            return fail(frame, ERR_TYPE_MISMATCH);
        if (!x.isEmptyVector() && kindOf(x).element != y.type())
            return fail(frame, ERR_TYPE_MISMATCH);
    }
    if (x.isEmptyVector()) {
        frame.setResult(Variable(0.0));
        return true;
    }
    const Variable *y = matching ? &frame.arg(1) : nullptr;
    const auto counted = [&](uint32_t i) { return y ? elementEquals(x, i, *y) : view.at(i); };
    if (x.type() != VECTOR_TYPE || x.getVector().isLine()) {
        double n = 0;
        for (uint32_t i = 0; i < view.count(); ++i)
            n += counted(i);
        frame.setResult(Variable(n));
        return true;
    }
    const Vector &v = x.getVector();
    const uint32_t rows = v.rowCount();
    const uint32_t columns = v.columnCount();
    Vector out;
    if (!Vector::create(DOUBLE_TYPE, rows, 1, out))
        return fail(frame, ERR_NOT_ENOUGH_MEMORY);
    double *r = out.mutableDoubles();
    for (uint32_t row = 0; row < rows; ++row)
        for (uint32_t c = 0; c < columns; ++c)
            r[row] += counted(row * columns + c);
    frame.setResult(Variable(std::move(out)));
    return true;
}

// The linear indices of the true elements: a column for a one-column
// argument, a row otherwise; no true element gives the empty vector.
bool findNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &x = frame.arg(0);
    TruthView view;
    if (!view.read(frame, x))
        return false;
    const uint32_t n = view.count();
    uint32_t found = 0;
    for (uint32_t i = 0; i < n; ++i)
        found += view.at(i);
    if (found == 0) {
        frame.setResult(Variable(Vector()));
        return true;
    }
    const bool column = x.type() == VECTOR_TYPE && x.getVector().columnCount() == 1;
    Vector out;
    if (!Vector::create(DOUBLE_TYPE, column ? found : 1, column ? 1 : found, out))
        return fail(frame, ERR_NOT_ENOUGH_MEMORY);
    double *r = out.mutableDoubles();
    for (uint32_t i = 0, k = 0; i < n; ++i)
        if (view.at(i))
            r[k++] = double(i);
    frame.setResult(Variable(std::move(out)));
    return true;
}

// ---- length ----

bool lengthNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &x = frame.arg(0);
    double n = 0;
    switch (x.type()) {
    case BOOLEAN_TYPE:
    case DOUBLE_TYPE:
        n = 1;
        break;
    case STRING_TYPE:
        n = x.getString().length();
        break;
    case VECTOR_TYPE:
        n = x.getVector().count();
        break;
    default:
        return fail(frame, ERR_TYPE_MISMATCH);
    }
    frame.setResult(Variable(n));
    return true;
}

const NativeDefinition kReductionNatives[] = {
    {"length", lengthNative},
    {"sum", accumulate<0>},
    {"sumsq", accumulate<1>},
    {"prod", accumulate<2>},
    {"mean", accumulate<3>},
    {"any", anyOrAll<false>},
    {"all", anyOrAll<true>},
    {"min", extreme<kMin>},
    {"max", extreme<kMax>},
    {"count", countNative},
    {"find", findNative},
};

} // namespace

std::span<const NativeDefinition> reductionNatives()
{
    return kReductionNatives;
}
