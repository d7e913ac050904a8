#include "library/operators.h"
#include "value_text.h"
#include "values/error_codes.h"
#include "values/output_list.h"
#include "vm/instruction_set.h"

#include <QtTest>

#include <cmath>
#include <cstring>
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

using value_text::parse;
using value_text::show;

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
    Variable result(String("untouched"));
    frame.a = &a;
    frame.b = &b;
    frame.result = &result;
    NativeRoutine routine = operatorRoutine(uint8_t(opcode));
    if (!routine)
        return {false, Variable(), {}};
    const bool ok = routine(frame);
    return {ok, result, reportedCodes()};
}

// Operands and results in value_text notation; "undef" as the result: the operation fails.
#define ROW(name, op, a, b, expected, ...) \
    QTest::newRow(name) << int(op) << parse(a) << parse(b) << parse(expected) << Codes{__VA_ARGS__}

} // namespace

class TestOperators : public QObject {
    Q_OBJECT
private slots:
    // What the golden scripts cannot see: exact doubles, integer operands
    // and the order of the checks.
    void rows_data()
    {
        QTest::addColumn<int>("opcode");
        QTest::addColumn<Variable>("a");
        QTest::addColumn<Variable>("b");
        QTest::addColumn<Variable>("expected"); // undefined: the operation fails
        QTest::addColumn<Codes>("codes");
        ROW("0.1 + 0.2", ADD, "0.1", "0.2", "0.30000000000000004");
        ROW("7 % -3 takes a's sign", MOD, "7", "-3", "1");
        ROW("inf - inf is NaN, unreported", SUB, "inf", "inf", "nan");
        ROW("1 / -0 is -inf", DIV, "1", "-0", "-inf", ERR_DIVIDE_BY_ZERO);
        ROW("one report per zero divisor", EDIV, "1", "[0 1 0]", "[inf 1 inf]", ERR_DIVIDE_BY_ZERO, ERR_DIVIDE_BY_ZERO);
        ROW("an inf operand is an inf result", ADD, "inf", "1", "inf", ERR_RESULT_IS_INF);
        ROW("\\ boolean", LDIV, "2", "true", "undef", ERR_TYPE_MISMATCH);
        ROW("2 ^ string", POW, "2", "'x'", "undef", ERR_TYPE_MISMATCH);
        ROW("1 - integers", SUB, "1", "i[1 2]", "undef", ERR_TYPE_MISMATCH);
        ROW("integers + 1", ADD, "i[1 2]", "1", "undef", ERR_OPERATION_NOT_SUPPORTED);
        ROW("integers < 1", LT, "i[0]", "1", "undef", ERR_OPERATION_NOT_SUPPORTED);
        ROW("1 == integers", EQ, "1", "i[0]", "undef", ERR_TYPE_MISMATCH);
        ROW("undefined before empty rule", EMUL, "[]", "undef", "undef", ERR_UNDEFINED_VARIABLE);
        ROW("invalid pattern matches nothing", MATCH, "'('", "'('", "false");
        ROW("-integers stay integers", NEG, "i[3 -4]", "undef", "i[-3 4]");
        ROW("-integer scalar wraps", NEG, "int -2147483648", "undef", "int -2147483648");
        ROW("empty ^ 2", POW, "[]", "2", "[]");
        ROW("not integers", NOT, "i[0 3]", "undef", "[true false]");
        ROW("transpose integer row", TRANSPOSE, "i[1 2 3]", "undef", "i[1; 2; 3]");
    }
    void rows()
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
        QCOMPARE(show(out.result), out.ok ? show(expected) : QString("'untouched'"));
    }

    // The scripts check the forms a condition can take; integers, which
    // only natives make, have no truth value.
    void integersHaveNoTruth()
    {
        ExecutionContext context;
        for (const char *text : {"i[1]", "int 1"}) {
            OutputList::instance().clear();
            bool result = false;
            QVERIFY2(!truthValue(context, parse(text), result), text);
            QCOMPARE(reportedCodes().size(), 1);
        }
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
        QTest::newRow("A free") << int(ADD) << false << false << 1 << "[11 22 33]";
        QTest::newRow("A shared, B free") << int(SUB) << true << false << 2 << "[-9 -18 -27]";
        QTest::newRow("both shared") << int(EMUL) << true << true << 0 << "[10 40 90]";
        QTest::newRow("comparison needs booleans") << int(LT) << false << false << 0 << "[true true true]";
        QTest::newRow("matrix product") << int(MUL) << false << false << 0 << "[140]";
    }
    void operandBlocks()
    {
        QFETCH(int, opcode);
        QFETCH(bool, shareA);
        QFETCH(bool, shareB);
        QFETCH(int, reused);
        QFETCH(QString, expected);
        ExecutionContext context;
        Variable a = parse("[1 2 3]");
        Variable b = parse("[10; 20; 30]"); // A's shape wins even when B's block is reused
        const Variable keepA = shareA ? a : Variable();
        const Variable keepB = shareB ? b : Variable();
        const double *blocks[] = {nullptr, a.getVector().doubles(), b.getVector().doubles()};
        const Outcome out = run(context, opcode, std::move(a), std::move(b));
        QVERIFY(out.ok);
        QCOMPARE(show(out.result), expected);
        if (out.result.getVector().type() == DOUBLE_TYPE) {
            const double *block = out.result.getVector().doubles();
            QCOMPARE(block == blocks[1] || block == blocks[2] ? (block == blocks[1] ? 1 : 2) : 0, reused);
        }
        if (shareA)
            QCOMPARE(show(keepA), QString("[1 2 3]"));
        if (shareB)
            QCOMPARE(show(keepB), QString("[10; 20; 30]"));
    }

    // The tiled product against the plain k-order loop, bit for bit, on
    // shapes around the tile size (edges in rows, columns or both).
    void productMatchesPlainLoop_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("inner");
        QTest::addColumn<int>("columns");
        QTest::newRow("whole tiles") << 8 << 5 << 8;
        QTest::newRow("row and column edges") << 7 << 9 << 6;
        QTest::newRow("smaller than a tile") << 3 << 4 << 2;
        QTest::newRow("one column") << 5 << 3 << 1;
        QTest::newRow("wide") << 4 << 13 << 17;
    }
    void productMatchesPlainLoop()
    {
        QFETCH(int, rows);
        QFETCH(int, inner);
        QFETCH(int, columns);
        // Values with long mantissas, so any change of summation order shows.
        auto fill = [](uint32_t r, uint32_t c, double seed) {
            Vector v;
            if (!Vector::create(DOUBLE_TYPE, r, c, v))
                qFatal("no memory");
            double *x = v.mutableDoubles();
            for (uint32_t i = 0; i < r * c; ++i)
                x[i] = std::sin(seed + 1.7 * i) * 1e3 / (1.0 + i % 7);
            return v;
        };
        const Vector a = fill(uint32_t(rows), uint32_t(inner), 0.3);
        const Vector b = fill(uint32_t(inner), uint32_t(columns), 1.1);
        ExecutionContext context;
        const Outcome out = run(context, MUL, Variable(a), Variable(b));
        QVERIFY(out.ok);
        const Vector &c = out.result.getVector();
        QCOMPARE(int(c.rowCount()), rows);
        QCOMPARE(int(c.columnCount()), columns);
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j < columns; ++j) {
                double sum = 0.0;
                for (int k = 0; k < inner; ++k)
                    sum += a.doubles()[i * inner + k] * b.doubles()[k * columns + j];
                // memcmp: QCOMPARE on doubles is fuzzy
                QVERIFY2(std::memcmp(&c.doubles()[i * columns + j], &sum, sizeof sum) == 0,
                         qPrintable(QString("element %1,%2").arg(i).arg(j)));
            }
    }

    void unaryBlocks()
    {
        ExecutionContext context;
        Variable a = parse("[1 2]");
        const Variable kept = a;
        Outcome out = run(context, NEG, a);
        QCOMPARE(show(kept), QString("[1 2]"));
        QVERIFY(out.result.getVector().doubles() != kept.getVector().doubles());
        // A line's transpose only changes the shape and shares the block.
        out = run(context, TRANSPOSE, kept);
        QCOMPARE(show(out.result), QString("[1; 2]"));
        QCOMPARE(out.result.getVector().doubles(), kept.getVector().doubles());
    }
};

QTEST_APPLESS_MAIN(TestOperators)
#include "test_operators.moc"
