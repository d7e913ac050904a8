#include "library/operators.h"
#include "values/error_codes.h"
#include "values/output_list.h"
#include "vm/instruction_set.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <malloc.h>

// Counts heap blocks taken while `countAllocations` is on, so that a test can
// prove an operation never touches the heap. AddressSanitizer owns malloc
// itself, so the count is only taken in ordinary builds.
#if defined(__SANITIZE_ADDRESS__)
#define NUMLYRA_COUNT_ALLOCATIONS 0
#else
#define NUMLYRA_COUNT_ALLOCATIONS 1
#endif
static bool countAllocations = false;
static int allocations = 0;
#if NUMLYRA_COUNT_ALLOCATIONS
extern "C" {
extern void *__libc_malloc(size_t);
extern void *__libc_calloc(size_t, size_t);
extern void *__libc_realloc(void *, size_t);
void *malloc(size_t n)
{
    allocations += countAllocations;
    return __libc_malloc(n);
}
void *calloc(size_t n, size_t size)
{
    allocations += countAllocations;
    return __libc_calloc(n, size);
}
void *realloc(void *p, size_t n)
{
    allocations += countAllocations;
    return __libc_realloc(p, n);
}
}
#endif

Q_DECLARE_METATYPE(Variable)
using Codes = QList<quint32>;

namespace {

const double INF = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

Variable num(double x) { return Variable(x); }
Variable text(const char *s) { return Variable(String(s)); }
Variable flag(bool b) { return Variable(b); }
Variable none() { return Variable(); }
Variable emptyVector() { return Variable(Vector()); }

template <class T>
Variable array(VariableType type, uint32_t rows, uint32_t columns, std::initializer_list<T> items)
{
    Vector v;
    Vector::create(type, rows, columns, v);
    uint32_t i = 0;
    for (const T &x : items)
        v.set(i++, x);
    return Variable(std::move(v));
}
Variable doubles(uint32_t r, uint32_t c, std::initializer_list<double> x) { return array(DOUBLE_TYPE, r, c, x); }
Variable row(std::initializer_list<double> x) { return doubles(1, uint32_t(x.size()), x); }
Variable column(std::initializer_list<double> x) { return doubles(uint32_t(x.size()), 1, x); }
Variable flags(uint32_t r, uint32_t c, std::initializer_list<bool> x) { return array(BOOLEAN_TYPE, r, c, x); }
Variable ints(uint32_t r, uint32_t c, std::initializer_list<int32_t> x) { return array(INTEGER_TYPE, r, c, x); }
Variable texts(uint32_t r, uint32_t c, std::initializer_list<String> x) { return array(STRING_TYPE, r, c, x); }

QString number(double d)
{
    if (std::isnan(d))
        return "nan";
    if (std::isinf(d))
        return d > 0 ? "inf" : "-inf";
    return QString::number(d, 'g', 17);
}

// A value as one comparable line: type, shape and every element.
QString describe(const Variable &v)
{
    switch (v.type()) {
    case UNDEFINED_TYPE: return "undefined";
    case BOOLEAN_TYPE: return v.getBoolean() ? "true" : "false";
    case INTEGER_TYPE: return "int " + QString::number(v.getInteger());
    case DOUBLE_TYPE: return number(v.getDouble());
    case STRING_TYPE: return "'" + v.getString().toQString() + "'";
    default: break;
    }
    const Vector &x = v.getVector();
    if (x.isEmpty())
        return "[]";
    QStringList items;
    for (uint32_t i = 0; i < x.count(); ++i) {
        switch (x.type()) {
        case BOOLEAN_TYPE: items << (x.getBoolean(i) ? "T" : "F"); break;
        case INTEGER_TYPE: items << QString::number(x.getInteger(i)); break;
        case DOUBLE_TYPE: items << number(x.getDouble(i)); break;
        default: items << "'" + x.getString(i).toQString() + "'"; break;
        }
    }
    return QString("[%1x%2 %3: %4]").arg(x.rowCount()).arg(x.columnCount()).arg(typeName(x.type()), items.join(' '));
}

// The states an engine starts with for the numeric conditions.
void engineStates(ExecutionContext &context)
{
    for (quint32 code : {ERR_RESULT_IS_INF, ERR_RESULT_IS_NAN, ERR_DIVIDE_BY_ZERO})
        context.setState(code, WARNING_STATE);
}

Codes reportedCodes()
{
    Codes codes;
    const OutputList &out = OutputList::instance();
    for (int i = 0; i < out.count(); ++i)
        if (out.at(i).kind == OutputList::ERROR_ENTRY)
            codes << out.at(i).report.code;
    return codes;
}

struct Outcome {
    bool ok;
    Variable result;
    Codes codes;
};

// Runs an operator the way the interpreter does: operands in registers, the
// result into a separate slot that holds a marker until written.
Outcome run(ExecutionContext &context, int opcode, Variable a, Variable b = Variable())
{
    OutputList::instance().clear();
    List stack;
    NativeFrame frame{stack, context};
    Variable result = text("untouched");
    frame.a = &a;
    frame.b = &b;
    frame.result = &result;
    NativeRoutine routine = operatorRoutine(uint8_t(opcode));
    if (!routine)
        return {false, Variable(), {}};
    const bool ok = routine(frame);
    return {ok, result, reportedCodes()};
}

void addTableColumns()
{
    QTest::addColumn<int>("opcode");
    QTest::addColumn<Variable>("a");
    QTest::addColumn<Variable>("b");
    QTest::addColumn<Variable>("expected"); // undefined: the operation fails
    QTest::addColumn<Codes>("codes");
}

void checkRow()
{
    QFETCH(int, opcode);
    QFETCH(Variable, a);
    QFETCH(Variable, b);
    QFETCH(Variable, expected);
    QFETCH(Codes, codes);
    ExecutionContext context;
    engineStates(context);
    const Outcome out = run(context, opcode, a, b);
    QCOMPARE(out.codes, codes);
    QCOMPARE(out.ok, !expected.isUndefined());
    // A failed operation leaves the result slot as it was.
    QCOMPARE(describe(out.result), out.ok ? describe(expected) : QString("'untouched'"));
}

#define ROW(name, op, a, b, expected, ...) QTest::newRow(name) << int(op) << (a) << (b) << (expected) << Codes{__VA_ARGS__}

} // namespace

class TestOperators : public QObject {
    Q_OBJECT
private slots:
    // What the golden scripts cannot see: exact doubles, integer operands,
    // the order of the checks and the corners of the matrix solver.
    void rows_data()
    {
        addTableColumns();
        const Variable square = doubles(2, 2, {1, 2, 3, 4});
        const Variable diagonal = doubles(2, 2, {2, 0, 0, 4});
        ROW("0.1 + 0.2", ADD, num(0.1), num(0.2), num(0.30000000000000004));
        ROW("column + row keeps A's shape", ADD, column({1, 2}), row({3, 4}), column({4, 6}));
        ROW("empty + string", ADD, emptyVector(), text("s"), emptyVector());
        ROW("8 .\\ 2", ELDIV, num(8), num(2), num(0.25));
        ROW("9 .^ 0.5", EPOW, num(9), num(0.5), num(3));
        ROW("7 % -3 takes a's sign", MOD, num(7), num(-3), num(1));
        ROW("[5.5 -5.5] % 2", MOD, row({5.5, -5.5}), num(2), row({1.5, -1.5}));
        ROW("inf - inf is NaN, unreported", SUB, num(INF), num(INF), num(NaN));
        ROW("2x2 / diagonal", DIV, square, diagonal, doubles(2, 2, {0.5, 0.5, 1.5, 1}));
        ROW("1 / singular", DIV, num(1), doubles(2, 2, {1, 2, 2, 4}), none(), ERR_MATRIX_IS_SINGULAR);
        ROW("\\ with other row count", LDIV, square, row({1, 2}), none(), ERR_DIFFERENT_MATRIX_SIZE);
        ROW("\\ boolean", LDIV, num(2), flag(true), none(), ERR_TYPE_MISMATCH);
        ROW("2x2 ^ 2x2", POW, square, square, none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("2 ^ string", POW, num(2), text("x"), none(), ERR_TYPE_MISMATCH);
        ROW("1 - integers", SUB, num(1), ints(1, 2, {1, 2}), none(), ERR_TYPE_MISMATCH);
        ROW("integers + 1", ADD, ints(1, 2, {1, 2}), num(1), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("integers < 1", LT, ints(1, 1, {0}), num(1), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("1 == integers", EQ, num(1), ints(1, 1, {0}), none(), ERR_TYPE_MISMATCH);
        ROW("undefined before empty rule", EMUL, emptyVector(), none(), none(), ERR_UNDEFINED_VARIABLE);
        ROW("ab >= abc", GE, text("ab"), text("abc"), flag(false));
        ROW("NaN <= 1", LE, num(NaN), num(1), flag(false));
        ROW("empty == 1", EQ, emptyVector(), num(1), emptyVector());
        ROW("string & true", AND, text("a"), flag(true), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("case sensitive", MATCH, text("ABC"), text("abc"), flag(false));
        ROW("invalid pattern matches nothing", MATCH, text("("), text("("), flag(false));
        ROW("-integers stay integers", NEG, ints(1, 2, {3, -4}), none(), ints(1, 2, {-3, 4}));
        ROW("-integer scalar wraps", NEG, Variable(int32_t(-2147483647 - 1)), none(), Variable(int32_t(-2147483647 - 1)));
        ROW("empty ^ 2", POW, emptyVector(), num(2), emptyVector());
        ROW("-strings", NEG, texts(1, 1, {String("a")}), none(), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("+string", UPLUS, text("a"), none(), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("not NaN", NOT, num(NaN), none(), flag(false));
        ROW("not integers", NOT, ints(1, 2, {0, 3}), none(), flags(1, 2, {true, false}));
        ROW("not string", NOT, text(""), none(), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("transpose integer row", TRANSPOSE, ints(1, 3, {1, 2, 3}), none(), ints(3, 1, {1, 2, 3}));
        ROW("transpose undefined", TRANSPOSE, none(), none(), none(), ERR_UNDEFINED_VARIABLE);
    }
    void rows() { checkRow(); }

    // Division by zero and infinite results under each state of their code.
    void conditions_data()
    {
        QTest::addColumn<int>("opcode");
        QTest::addColumn<Variable>("a");
        QTest::addColumn<Variable>("b");
        QTest::addColumn<quint32>("code");
        QTest::addColumn<int>("state");
        QTest::addColumn<Variable>("expected");
        QTest::addColumn<int>("reports");
        const quint32 div = ERR_DIVIDE_BY_ZERO;
        const quint32 inf = ERR_RESULT_IS_INF;
        auto add = [](const char *name, int op, Variable a, Variable b, quint32 code, int state, Variable expected, int reports) {
            QTest::newRow(name) << op << a << b << code << state << expected << reports;
        };
        add("1/-0 warning", DIV, num(1), num(-0.0), div, WARNING_STATE, num(-INF), 1);
        add("0/0 is NaN", EDIV, num(0), num(0), div, WARNING_STATE, num(NaN), 1);
        add("NaN divisor is no zero", EDIV, num(1), num(NaN), div, ERROR_STATE, num(NaN), 0);
        add("one report per zero divisor", EDIV, num(1), row({0, 1, 0}), div, WARNING_STATE, row({INF, 1, INF}), 2);
        add("scalar divisor tested once", EDIV, row({1, 2}), num(0), div, WARNING_STATE, row({INF, INF}), 1);
        add("\\ scalar divisor", LDIV, num(0), row({1, 2}), div, ERROR_STATE, none(), 1);
        add("% by zero error", MOD, row({5}), row({0}), div, ERROR_STATE, none(), 1);
        add("divisions never check inf", DIV, num(1e308), num(1e-10), inf, ERROR_STATE, num(INF), 0);
        add("one report per inf element", ADD, row({1e308, 1, -1e308}), row({1e308, 1, -1e308}), inf, WARNING_STATE,
            row({INF, 2, -INF}), 2);
        add("error stops at the first", SUB, row({-1e308, -1e308}), num(1e308), inf, ERROR_STATE, none(), 1);
        add("product checks the final sum", MUL, row({1e308, -1e308}), column({10, 10}), inf, ERROR_STATE, doubles(1, 1, {NaN}), 0);
        add("inf operand counts too", ADD, num(INF), num(1), inf, ERROR_STATE, none(), 1);
    }
    void conditions()
    {
        QFETCH(int, opcode);
        QFETCH(Variable, a);
        QFETCH(Variable, b);
        QFETCH(quint32, code);
        QFETCH(int, state);
        QFETCH(Variable, expected);
        QFETCH(int, reports);
        ExecutionContext context;
        engineStates(context);
        context.setState(code, state);
        const Outcome out = run(context, opcode, a, b);
        QCOMPARE(out.codes, Codes(reports, code));
        QCOMPARE(out.ok, !expected.isUndefined());
        if (out.ok)
            QCOMPARE(describe(out.result), describe(expected));
        for (int i = 0; i < OutputList::instance().count(); ++i)
            QCOMPARE(OutputList::instance().at(i).report.state, state);
    }

    // The scripts check the forms a condition can take; these are the rest.
    void truth_data()
    {
        QTest::addColumn<Variable>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("truth");
        QTest::newRow("zero") << num(0) << true << false;
        QTest::newRow("false") << flag(false) << true << false;
        QTest::newRow("string") << text("a") << true << true;
        QTest::newRow("integers") << ints(1, 1, {1}) << false << false;
        QTest::newRow("integer scalar") << Variable(int32_t(1)) << false << false;
    }
    void truth()
    {
        QFETCH(Variable, value);
        QFETCH(bool, ok);
        QFETCH(bool, truth);
        ExecutionContext context;
        OutputList::instance().clear();
        bool result = !truth;
        QCOMPARE(truthValue(context, value, result), ok);
        QCOMPARE(reportedCodes().size(), ok ? 0 : 1);
        if (ok)
            QCOMPARE(result, truth);
    }

    // Scalar arithmetic runs in the interpreter's inner loops: no heap.
    void scalarsStayOffTheHeap()
    {
        if (!NUMLYRA_COUNT_ALLOCATIONS)
            QSKIP("allocation counting is unavailable under AddressSanitizer");
        ExecutionContext context;
        engineStates(context);
        List stack;
        NativeFrame frame{stack, context};
        Variable a(3.0), b(4.0), result(0.0);
        frame.a = &a;
        frame.b = &b;
        frame.result = &result;
        bool truth = false;
        countAllocations = true;
        allocations = 0;
        for (int op : {ADD, SUB, MUL, DIV, LDIV, EMUL, EDIV, ELDIV, POW, EPOW, MOD, LT, EQ, AND, NEG, NOT, UPLUS})
            operatorRoutine(uint8_t(op))(frame);
        truthValue(context, a, truth);
        countAllocations = false;
        QCOMPARE(allocations, 0);
    }

    // An unshared operand block becomes the result; a shared one is left
    // alone and copied.
    void operandBlocks_data()
    {
        QTest::addColumn<int>("opcode");
        QTest::addColumn<bool>("shareA");
        QTest::addColumn<bool>("shareB");
        QTest::addColumn<int>("reused"); // 0 none, 1 A's block, 2 B's block
        QTest::addColumn<QString>("expected");
        QTest::newRow("A free") << int(ADD) << false << false << 1 << "[1x3 double: 11 22 33]";
        QTest::newRow("A shared, B free") << int(SUB) << true << false << 2 << "[1x3 double: -9 -18 -27]";
        QTest::newRow("both shared") << int(EMUL) << true << true << 0 << "[1x3 double: 10 40 90]";
        QTest::newRow("comparison needs booleans") << int(LT) << false << false << 0 << "[1x3 boolean: T T T]";
        QTest::newRow("matrix product") << int(MUL) << false << false << 0 << "[1x1 double: 140]";
    }
    void operandBlocks()
    {
        QFETCH(int, opcode);
        QFETCH(bool, shareA);
        QFETCH(bool, shareB);
        QFETCH(int, reused);
        QFETCH(QString, expected);
        ExecutionContext context;
        Variable a = row({1, 2, 3});
        Variable b = column({10, 20, 30}); // A's shape wins even when B's block is reused
        const Variable keepA = shareA ? a : Variable();
        const Variable keepB = shareB ? b : Variable();
        const double *blocks[] = {nullptr, a.getVector().doubles(), b.getVector().doubles()};
        const Outcome out = run(context, opcode, std::move(a), std::move(b));
        QVERIFY(out.ok);
        QCOMPARE(describe(out.result), expected);
        if (out.result.getVector().type() == DOUBLE_TYPE) {
            const double *block = out.result.getVector().doubles();
            QCOMPARE(block == blocks[1] || block == blocks[2] ? (block == blocks[1] ? 1 : 2) : 0, reused);
        }
        if (shareA)
            QCOMPARE(describe(keepA), QString("[1x3 double: 1 2 3]"));
        if (shareB)
            QCOMPARE(describe(keepB), QString("[3x1 double: 10 20 30]"));
    }

    void unaryBlocks()
    {
        ExecutionContext context;
        Variable a = row({1, 2});
        const Variable kept = a;
        Outcome out = run(context, NEG, a);
        QCOMPARE(describe(kept), QString("[1x2 double: 1 2]"));
        QVERIFY(out.result.getVector().doubles() != kept.getVector().doubles());
        // A line's transpose only changes the shape and shares the block.
        out = run(context, TRANSPOSE, kept);
        QCOMPARE(describe(out.result), QString("[2x1 double: 1 2]"));
        QCOMPARE(out.result.getVector().doubles(), kept.getVector().doubles());
    }
};

QTEST_APPLESS_MAIN(TestOperators)
#include "test_operators.moc"
