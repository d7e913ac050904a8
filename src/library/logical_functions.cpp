#include "library/logical_functions.h"

#include "library/arithmetic_functions.h"
#include "library/operators.h"

#include <QList>
#include <QRegularExpression>

namespace {

// Strings order by the C library's comparison; the empty string is below
// every other (String::compare).
struct Less {
    static bool numbers(double a, double b) { return a < b; }
    static bool ordered(int c) { return c < 0; }
};
struct LessEqual {
    static bool numbers(double a, double b) { return a <= b; }
    static bool ordered(int c) { return c <= 0; }
};
struct Greater {
    static bool numbers(double a, double b) { return a > b; }
    static bool ordered(int c) { return c > 0; }
};
struct GreaterEqual {
    static bool numbers(double a, double b) { return a >= b; }
    static bool ordered(int c) { return c >= 0; }
};
struct Equal {
    static bool numbers(double a, double b) { return a == b; }
    static bool ordered(int c) { return c == 0; }
    static bool booleans(bool a, bool b) { return a == b; }
};
struct NotEqual {
    static bool numbers(double a, double b) { return a != b; }
    static bool ordered(int c) { return c != 0; }
    static bool booleans(bool a, bool b) { return a != b; }
};

// Booleans take part only in == and !=, which is what `Cmp::booleans` marks.
template <class Cmp>
bool compareOperator(NativeFrame &frame)
{
    const PreambleResult preamble = binaryPreamble(frame);
    if (preamble != PREAMBLE_PROCEED)
        return preamble == PREAMBLE_DONE;
    const VariableType a = kindOf(*frame.a).element;
    const VariableType b = kindOf(*frame.b).element;
    if (a == DOUBLE_TYPE) {
        if (b != DOUBLE_TYPE)
            return rejectSecondOperand(frame.context);
        return combineElements<bool, double, double>(frame, [](double x, double y) { return Cmp::numbers(x, y); });
    }
    if (a == STRING_TYPE) {
        if (b != STRING_TYPE)
            return rejectSecondOperand(frame.context);
        return combineElements<bool, String, String>(
            frame, [](const String &x, const String &y) { return Cmp::ordered(x.compare(y)); });
    }
    if constexpr (requires { Cmp::booleans(true, true); }) {
        if (a == BOOLEAN_TYPE) {
            if (b != BOOLEAN_TYPE)
                return rejectSecondOperand(frame.context);
            return combineElements<bool, bool, bool>(frame, [](bool x, bool y) { return Cmp::booleans(x, y); });
        }
    }
    return rejectFirstOperand(frame.context, *frame.a);
}

bool truth(double x) { return x != 0.0; }
bool truth(bool x) { return x; }

struct And {
    template <class X, class Y>
    bool operator()(X x, Y y) const { return truth(x) && truth(y); }
};
struct Or {
    template <class X, class Y>
    bool operator()(X x, Y y) const { return truth(x) || truth(y); }
};

bool isLogicalOperand(VariableType element) { return element == DOUBLE_TYPE || element == BOOLEAN_TYPE; }

// Booleans and doubles in any mix, doubles read by their truth.
template <class Op>
bool logicalOperator(NativeFrame &frame)
{
    const PreambleResult preamble = binaryPreamble(frame);
    if (preamble != PREAMBLE_PROCEED)
        return preamble == PREAMBLE_DONE;
    const VariableType a = kindOf(*frame.a).element;
    const VariableType b = kindOf(*frame.b).element;
    if (!isLogicalOperand(a))
        return rejectFirstOperand(frame.context, *frame.a);
    if (!isLogicalOperand(b))
        return rejectSecondOperand(frame.context);
    if (a == BOOLEAN_TYPE)
        return b == BOOLEAN_TYPE ? combineElements<bool, bool, bool>(frame, Op())
                                 : combineElements<bool, bool, double>(frame, Op());
    return b == BOOLEAN_TYPE ? combineElements<bool, double, bool>(frame, Op())
                             : combineElements<bool, double, double>(frame, Op());
}

// not of a vector: booleans negated, numbers true where zero.
template <class T>
bool notElements(NativeFrame &frame)
{
    const Vector &v = frame.a->getVector();
    const T *x = ElementTraits<T>::items(v);
    Vector out;
    if (!resultBuffer(frame.context, frame.a, nullptr, BOOLEAN_TYPE, v.rowCount(), v.columnCount(), out))
        return false;
    bool *r = out.mutableBooleans();
    const uint32_t n = out.count();
    for (uint32_t i = 0; i < n; ++i)
        r[i] = x[i] == T(0);
    frame.result->setVector(std::move(out));
    return true;
}

template <class T, class F>
bool allElements(const Vector &v, F test)
{
    const T *x = ElementTraits<T>::items(v);
    const uint32_t n = v.count();
    for (uint32_t i = 0; i < n; ++i)
        if (!test(x[i]))
            return false;
    return true;
}

bool foundIn(const QList<QRegularExpression> &patterns, const String &text)
{
    const QString subject = text.toQString();
    for (const QRegularExpression &pattern : patterns)
        if (pattern.isValid() && pattern.match(subject).hasMatch())
            return true;
    return false;
}

} // namespace

bool lessOperator(NativeFrame &frame) { return compareOperator<Less>(frame); }
bool lessEqualOperator(NativeFrame &frame) { return compareOperator<LessEqual>(frame); }
bool greaterOperator(NativeFrame &frame) { return compareOperator<Greater>(frame); }
bool greaterEqualOperator(NativeFrame &frame) { return compareOperator<GreaterEqual>(frame); }
bool equalOperator(NativeFrame &frame) { return compareOperator<Equal>(frame); }
bool notEqualOperator(NativeFrame &frame) { return compareOperator<NotEqual>(frame); }
bool andOperator(NativeFrame &frame) { return logicalOperator<And>(frame); }
bool orOperator(NativeFrame &frame) { return logicalOperator<Or>(frame); }

bool notOperator(NativeFrame &frame)
{
    const Variable &a = *frame.a;
    switch (a.type()) {
    case UNDEFINED_TYPE:
        frame.context.report(ERR_UNDEFINED_VARIABLE);
        return false;
    case BOOLEAN_TYPE:
        frame.result->setBoolean(!a.getBoolean());
        return true;
    case INTEGER_TYPE:
        frame.result->setBoolean(a.getInteger() == 0);
        return true;
    case DOUBLE_TYPE:
        frame.result->setBoolean(a.getDouble() == 0.0);
        return true;
    case VECTOR_TYPE:
        if (a.isEmptyVector()) {
            frame.result->setVector(Vector());
            return true;
        }
        switch (a.getVector().type()) {
        case BOOLEAN_TYPE: return notElements<bool>(frame);
        case INTEGER_TYPE: return notElements<int32_t>(frame);
        case DOUBLE_TYPE: return notElements<double>(frame);
        default: break;
        }
        frame.context.report(ERR_OPERATION_NOT_SUPPORTED);
        return false;
    default:
        return rejectFirstOperand(frame.context, a);
    }
}

bool matchOperator(NativeFrame &frame)
{
    const Variable &a = *frame.a;
    const Variable &b = *frame.b;
    if (a.isUndefined()) {
        frame.context.report(ERR_UNDEFINED_FIRST_OPERAND);
        return false;
    }
    if (b.isUndefined()) {
        frame.context.report(ERR_UNDEFINED_SECOND_OPERAND);
        return false;
    }
    // An empty typeless vector holds no strings, so it is neither a pattern
    // list nor a text list.
    const ValueKind patternKind = kindOf(b);
    const ValueKind textKind = kindOf(a);
    if (patternKind.element != STRING_TYPE || textKind.element != STRING_TYPE) {
        frame.context.report(ERR_OPERATION_NOT_SUPPORTED);
        return false;
    }
    // An invalid pattern is kept: it matches nothing.
    QList<QRegularExpression> patterns;
    if (patternKind.isVector) {
        const Vector &v = b.getVector();
        const String *p = v.strings();
        patterns.reserve(qsizetype(v.count()));
        for (uint32_t i = 0; i < v.count(); ++i)
            patterns.append(QRegularExpression(p[i].toQString()));
    } else {
        patterns.append(QRegularExpression(b.getString().toQString()));
    }
    if (!textKind.isVector) {
        frame.result->setBoolean(foundIn(patterns, a.getString()));
        return true;
    }
    const Vector &texts = a.getVector();
    Vector out;
    if (!Vector::create(BOOLEAN_TYPE, texts.rowCount(), texts.columnCount(), out)) {
        frame.context.report(ERR_NOT_ENOUGH_MEMORY);
        return false;
    }
    bool *r = out.mutableBooleans();
    const String *t = texts.strings();
    for (uint32_t i = 0; i < texts.count(); ++i)
        r[i] = foundIn(patterns, t[i]);
    frame.result->setVector(std::move(out));
    return true;
}

bool truthValue(ExecutionContext &context, const Variable &value, bool &result)
{
    switch (value.type()) {
    case UNDEFINED_TYPE:
        context.report(ERR_UNDEFINED_VARIABLE);
        return false;
    case BOOLEAN_TYPE:
        result = value.getBoolean();
        return true;
    case DOUBLE_TYPE:
        result = value.getDouble() != 0.0;
        return true;
    case STRING_TYPE:
        result = !value.getString().isEmpty();
        return true;
    case VECTOR_TYPE: {
        const Vector &v = value.getVector();
        if (v.isEmpty()) {
            result = false;
            return true;
        }
        switch (v.type()) {
        case BOOLEAN_TYPE: result = allElements<bool>(v, [](bool x) { return x; }); return true;
        case DOUBLE_TYPE: result = allElements<double>(v, [](double x) { return x != 0.0; }); return true;
        case STRING_TYPE: result = allElements<String>(v, [](const String &x) { return !x.isEmpty(); }); return true;
        default: break;
        }
        context.report(ERR_OPERATION_NOT_SUPPORTED);
        return false;
    }
    case INTEGER_TYPE: // integers have no truth value, as in integer vectors
        context.report(ERR_OPERATION_NOT_SUPPORTED);
        return false;
    default:
        context.report(ERR_UNKNOWN_TYPE);
        return false;
    }
}
