#include "library/arithmetic_functions.h"
#include "library/element_pairs.h"
#include "library/native_definition.h"

#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kPi = 3.141592653589793;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// One element-wise native: the map, and the arguments it rejects with its
// own message (no check when `rejects` is null).
template <class R>
struct ElementMap {
    const char *name;
    R (*map)(double);
    bool (*rejects)(double);
    quint32 error;
};

// The product 2 * 3 * ... * n in doubles; past 170! the product is
// infinite, which the shortcut also keeps an infinite argument from looping.
double factorial(double x)
{
    const double n = std::round(x);
    if (std::isnan(n))
        return n;
    if (n > 170)
        return kInfinity;
    double r = 1;
    for (double k = 2; k <= n; ++k)
        r *= k;
    return r;
}

// The C library's cube root can be an ulp off for perfect cubes (27 gives
// 3.0000000000000004); a whole number whose cube is x is taken instead.
double cubeRoot(double x)
{
    const double r = std::cbrt(x);
    const double n = std::round(r);
    return n * n * n == x ? n : r;
}

// asinh and friends use the C functions: the logarithmic forms lose every
// digit for large negative arguments (x + sqrt(x^2 + 1) rounds to 0).
constexpr ElementMap<double> kDoubleMaps[] = {
    {"sin", [](double x) { return std::sin(x); }, nullptr, 0},
    {"cos", [](double x) { return std::cos(x); }, nullptr, 0},
    {"tan", [](double x) { return std::tan(x); }, nullptr, 0},
    {"cot", [](double x) { return 1 / std::tan(x); }, [](double x) { return std::tan(x) == 0; }, ERR_BAD_COT_ARG},
    {"sec", [](double x) { return 1 / std::cos(x); }, [](double x) { return std::cos(x) == 0; }, ERR_BAD_SEC_ARG},
    {"csc", [](double x) { return 1 / std::sin(x); }, [](double x) { return std::sin(x) == 0; }, ERR_BAD_CSC_ARG},
    {"asin", [](double x) { return std::asin(x); }, [](double x) { return x < -1 || x > 1; }, ERR_BAD_ASIN_ARG},
    {"acos", [](double x) { return std::acos(x); }, [](double x) { return x < -1 || x > 1; }, ERR_BAD_ACOS_ARG},
    {"atan", [](double x) { return std::atan(x); }, nullptr, 0},
    {"acot", [](double x) { return kHalfPi - std::atan(x); }, nullptr, 0},
    {"asec", [](double x) { return std::acos(1 / x); }, [](double x) { return x > -1 && x < 1; }, ERR_BAD_ASEC_ARG},
    {"acsc", [](double x) { return std::asin(1 / x); }, [](double x) { return x > -1 && x < 1; }, ERR_BAD_ACSC_ARG},
    {"sinh", [](double x) { return std::sinh(x); }, nullptr, 0},
    {"cosh", [](double x) { return std::cosh(x); }, nullptr, 0},
    {"tanh", [](double x) { return std::tanh(x); }, nullptr, 0},
    {"coth", [](double x) { return 1 / std::tanh(x); }, [](double x) { return std::tanh(x) == 0; }, ERR_BAD_COTH_ARG},
    {"sech", [](double x) { return 1 / std::cosh(x); }, [](double x) { return std::cosh(x) == 0; }, ERR_BAD_SECH_ARG},
    {"csch", [](double x) { return 1 / std::sinh(x); }, [](double x) { return std::sinh(x) == 0; }, ERR_BAD_CSCH_ARG},
    {"asinh", [](double x) { return std::asinh(x); }, nullptr, 0},
    {"acosh", [](double x) { return std::acosh(x); }, [](double x) { return x < 1; }, ERR_BAD_ACOSH_ARG},
    {"atanh", [](double x) { return std::atanh(x); }, [](double x) { return x <= -1 || x >= 1; }, ERR_BAD_ATANH_ARG},
    {"acoth", [](double x) { return 0.5 * std::log((x + 1) / (x - 1)); }, [](double x) { return x >= -1 && x <= 1; },
     ERR_BAD_ACOTH_ARG},
    {"asech", [](double x) { return std::acosh(1 / x); }, [](double x) { return x <= 0 || x > 1; }, ERR_BAD_ASECH_ARG},
    {"acsch", [](double x) { return std::asinh(1 / x); }, [](double x) { return x == 0; }, ERR_BAD_ACSCH_ARG},
    {"sqrt", [](double x) { return std::sqrt(x); }, [](double x) { return x < 0; }, ERR_BAD_SQRT_ARG},
    {"cbrt", cubeRoot, nullptr, 0},
    {"abs", [](double x) { return std::fabs(x); }, nullptr, 0},
    {"exp", [](double x) { return std::exp(x); }, nullptr, 0},
    {"pow2", [](double x) { return std::pow(2.0, x); }, nullptr, 0},
    {"pow10", [](double x) { return std::pow(10.0, x); }, nullptr, 0},
    {"log", [](double x) { return std::log(x); }, [](double x) { return x <= 0; }, ERR_BAD_LOG_ARG},
    {"log2", [](double x) { return std::log2(x); }, [](double x) { return x <= 0; }, ERR_BAD_LOG_ARG},
    {"log10", [](double x) { return std::log10(x); }, [](double x) { return x <= 0; }, ERR_BAD_LOG_ARG},
    {"d2r", [](double x) { return x * kPi / 180; }, nullptr, 0},
    {"r2d", [](double x) { return x * 180 / kPi; }, nullptr, 0},
    // A NaN is neither negative nor zero.
    {"sign", [](double x) { return x < 0 ? -1.0 : x == 0 ? 0.0 : 1.0; }, nullptr, 0},
    {"fact", factorial, [](double x) { return std::round(x) < 0; }, ERR_BAD_FACT_ARG},
    {"ceil", [](double x) { return std::ceil(x); }, nullptr, 0},
    {"fix", [](double x) { return std::trunc(x); }, nullptr, 0},
    {"floor", [](double x) { return std::floor(x); }, nullptr, 0},
    {"round", [](double x) { return std::round(x); }, nullptr, 0},
};

// Odd and even by the truncated remainder: a fraction is neither.
constexpr ElementMap<bool> kBooleanMaps[] = {
    {"is_inf", [](double x) { return std::isinf(x); }, nullptr, 0},
    {"is_nan", [](double x) { return std::isnan(x); }, nullptr, 0},
    {"is_odd", [](double x) { return std::fabs(std::fmod(x, 2.0)) == 1; }, nullptr, 0},
    {"is_even", [](double x) { return std::fmod(x, 2.0) == 0; }, nullptr, 0},
};

// A double, or a vector of doubles mapped into a new vector of its shape;
// the first rejected element fails the whole call.
template <class R>
bool mapElements(NativeFrame &frame, const ElementMap<R> &m)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &x = frame.arg(0);
    if (x.type() == DOUBLE_TYPE) {
        const double d = x.getDouble();
        if (m.rejects && m.rejects(d)) {
            frame.context.report(m.error);
            return false;
        }
        frame.setResult(Variable(m.map(d)));
        return true;
    }
    if (x.isEmptyVector()) {
        frame.setResult(Variable(Vector()));
        return true;
    }
    if (x.type() != VECTOR_TYPE || x.getVector().type() != DOUBLE_TYPE) {
        frame.context.report(ERR_TYPE_MISMATCH);
        return false;
    }
    const Vector &in = x.getVector();
    Vector out;
    if (!Vector::create(ElementTraits<R>::type, in.rowCount(), in.columnCount(), out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    const double *source = in.doubles();
    R *r = ElementTraits<R>::mutableItems(out);
    const uint32_t n = in.count();
    for (uint32_t i = 0; i < n; ++i) {
        if (m.rejects && m.rejects(source[i])) {
            frame.context.report(m.error);
            return false;
        }
        r[i] = m.map(source[i]);
    }
    frame.setResult(Variable(std::move(out)));
    return true;
}

template <size_t I>
bool doubleMap(NativeFrame &frame)
{
    return mapElements(frame, kDoubleMaps[I]);
}

template <size_t I>
bool booleanMap(NativeFrame &frame)
{
    return mapElements(frame, kBooleanMaps[I]);
}

template <size_t... I>
void addDoubleMaps(std::vector<NativeDefinition> &out, std::index_sequence<I...>)
{
    (out.push_back({kDoubleMaps[I].name, doubleMap<I>}), ...);
}

template <size_t... I>
void addBooleanMaps(std::vector<NativeDefinition> &out, std::index_sequence<I...>)
{
    (out.push_back({kBooleanMaps[I].name, booleanMap<I>}), ...);
}

// mod and rem are the remainder operators called by name: the operand
// rules, size checks and "Divide by zero" state of % apply.
template <NativeRoutine Operator>
bool operatorByName(NativeFrame &frame)
{
    if (!frame.expectArguments(2))
        return false;
    Variable result;
    NativeFrame operands{frame.stack, frame.context, 0, &frame.arg(0), &frame.arg(1), &result};
    if (!Operator(operands))
        return false;
    frame.setResult(std::move(result));
    return true;
}

// hypot(v) of a two-element double vector, or hypot(a, b) element-wise
// under the operand rules of two-argument min.
bool hypotNative(NativeFrame &frame)
{
    if (!frame.expectArguments(1, 2))
        return false;
    if (frame.argc == 1) {
        const Variable &v = frame.arg(0);
        if (v.type() != VECTOR_TYPE || v.getVector().type() != DOUBLE_TYPE || v.getVector().count() != 2) {
            frame.context.report(ERR_BAD_HYPOT_ARG);
            return false;
        }
        const double *x = v.getVector().doubles();
        frame.setResult(Variable(std::hypot(x[0], x[1])));
        return true;
    }
    const Variable &a = frame.arg(0);
    const Variable &b = frame.arg(1);
    if (bool ok; settleEmptyPair(frame, a, b, ok))
        return ok;
    if (kindOf(a).element != DOUBLE_TYPE)
        return rejectFirstOperand(frame.context, a);
    if (kindOf(b).element != DOUBLE_TYPE)
        return rejectSecondOperand(frame.context);
    return combinePair<double, double>(frame, [](double x, double y) { return std::hypot(x, y); });
}

// The row (first(x), second(x)) of a double scalar.
template <double (*First)(double), double (*Second)(double), quint32 Error>
bool pairRow(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &x = frame.arg(0);
    if (x.type() != DOUBLE_TYPE) {
        frame.context.report(Error);
        return false;
    }
    Vector out;
    if (!Vector::create(DOUBLE_TYPE, 1, 2, out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    double *r = out.mutableDoubles();
    r[0] = First(x.getDouble());
    r[1] = Second(x.getDouble());
    frame.setResult(Variable(std::move(out)));
    return true;
}

double sine(double x) { return std::sin(x); }
double cosine(double x) { return std::cos(x); }

std::vector<NativeDefinition> buildElementaryNatives()
{
    std::vector<NativeDefinition> natives;
    addDoubleMaps(natives, std::make_index_sequence<std::size(kDoubleMaps)>());
    addBooleanMaps(natives, std::make_index_sequence<std::size(kBooleanMaps)>());
    natives.push_back({"mod", operatorByName<remainderOperator>});
    natives.push_back({"rem", operatorByName<nearestRemainderOperator>});
    natives.push_back({"hypot", hypotNative});
    natives.push_back({"sc", pairRow<sine, cosine, ERR_BAD_SC_ARG>});
    natives.push_back({"cs", pairRow<cosine, sine, ERR_BAD_CS_ARG>});
    return natives;
}

} // namespace

std::span<const NativeDefinition> elementaryMathNatives()
{
    static const std::vector<NativeDefinition> natives = buildElementaryNatives();
    return natives;
}
