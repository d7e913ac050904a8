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
    void elementWise_data()
    {
        addTableColumns();
        ROW("0.1 + 0.2", ADD, num(0.1), num(0.2), num(0.30000000000000004));
        ROW("scalar + row", ADD, num(1), row({1, 2}), row({2, 3}));
        ROW("column - scalar", SUB, column({5, 6}), num(1), column({4, 5}));
        ROW("row .* column keeps A's shape", EMUL, row({1, 2, 3}), column({4, 5, 6}), row({4, 10, 18}));
        ROW("column + row keeps A's shape", ADD, column({1, 2}), row({3, 4}), column({4, 6}));
        ROW("2x2 + 2x2", ADD, doubles(2, 2, {1, 2, 3, 4}), doubles(2, 2, {10, 20, 30, 40}), doubles(2, 2, {11, 22, 33, 44}));
        ROW("2x2 + 1x4", ADD, doubles(2, 2, {1, 2, 3, 4}), row({1, 2, 3, 4}), none(), ERR_ROW_COUNT_MISMATCH);
        ROW("2x3 + 2x2", ADD, doubles(2, 3, {1, 2, 3, 4, 5, 6}), doubles(2, 2, {1, 2, 3, 4}), none(), ERR_COLUMN_COUNT_MISMATCH);
        ROW("lines of different length", SUB, row({1, 2, 3}), column({1, 2}), none(), ERR_DIFFERENT_MATRIX_SIZE);
        ROW("empty + 5", ADD, emptyVector(), num(5), emptyVector());
        ROW("5 .* empty", EMUL, num(5), emptyVector(), emptyVector());
        ROW("empty + string", ADD, emptyVector(), text("s"), emptyVector());
        ROW("boolean - empty", SUB, flag(true), emptyVector(), emptyVector());
        ROW("empty + empty", ADD, emptyVector(), emptyVector(), emptyVector());
        ROW("empty + row", ADD, emptyVector(), row({1, 2}), none(), ERR_DIFFERENT_MATRIX_SIZE);
        ROW("row - empty", SUB, row({1, 2}), emptyVector(), none(), ERR_DIFFERENT_MATRIX_SIZE);
        ROW("8 ./ [2 4]", EDIV, num(8), row({2, 4}), row({4, 2}));
        ROW("8 .\\ 2", ELDIV, num(8), num(2), num(0.25));
        ROW("[2 4] .\\ 8", ELDIV, row({2, 4}), num(8), row({4, 2}));
        ROW("[1 2 3] .^ 2", EPOW, row({1, 2, 3}), num(2), row({1, 4, 9}));
        ROW("9 .^ 0.5", EPOW, num(9), num(0.5), num(3));
        ROW("7 % 3", MOD, num(7), num(3), num(1));
        ROW("-7 % 3 takes a's sign", MOD, num(-7), num(3), num(-1));
        ROW("7 % -3 takes a's sign", MOD, num(7), num(-3), num(1));
        ROW("[5.5 -5.5] % 2", MOD, row({5.5, -5.5}), num(2), row({1.5, -1.5}));
        ROW("inf - inf is NaN, unreported", SUB, num(INF), num(INF), num(NaN));
        ROW("ab + cd", ADD, text("ab"), text("cd"), text("abcd"));
        ROW("empty strings", ADD, text(""), text(""), text(""));
        ROW("string + strings", ADD, text("x"), texts(1, 2, {String("a"), String("b")}), texts(1, 2, {String("xa"), String("xb")}));
        ROW("strings + string", ADD, texts(2, 1, {String("a"), String("b")}), text("y"), texts(2, 1, {String("ay"), String("by")}));
        ROW("strings + strings", ADD, texts(1, 2, {String("a"), String("")}), texts(2, 1, {String("c"), String("d")}), texts(1, 2, {String("ac"), String("d")}));
    }
    void elementWise() { checkRow(); }

    void typeErrors_data()
    {
        addTableColumns();
        ROW("string + 1", ADD, text("a"), num(1), none(), ERR_TYPE_MISMATCH);
        ROW("1 + string", ADD, num(1), text("a"), none(), ERR_TYPE_MISMATCH);
        ROW("true + 1", ADD, flag(true), num(1), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("1 + true", ADD, num(1), flag(true), none(), ERR_TYPE_MISMATCH);
        ROW("string - string", SUB, text("a"), text("b"), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("strings .* 1", EMUL, texts(1, 1, {String("a")}), num(1), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("booleans ./ 1", EDIV, flags(1, 2, {true, false}), num(1), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("1 - integers", SUB, num(1), ints(1, 2, {1, 2}), none(), ERR_TYPE_MISMATCH);
        ROW("integers + 1", ADD, ints(1, 2, {1, 2}), num(1), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("row + strings", ADD, row({1}), texts(1, 1, {String("a")}), none(), ERR_TYPE_MISMATCH);
        ROW("+ undefined first", ADD, none(), num(1), none(), ERR_UNDEFINED_FIRST_OPERAND);
        ROW("+ undefined second", ADD, num(1), none(), none(), ERR_UNDEFINED_SECOND_OPERAND);
        ROW("% undefined first", MOD, none(), none(), none(), ERR_UNDEFINED_FIRST_OPERAND);
        ROW("% undefined second", MOD, num(1), none(), none(), ERR_UNDEFINED_SECOND_OPERAND);
        ROW("- undefined", SUB, none(), num(1), none(), ERR_UNDEFINED_VARIABLE);
        ROW("< undefined", LT, num(1), none(), none(), ERR_UNDEFINED_VARIABLE);
        ROW("undefined before empty rule", EMUL, emptyVector(), none(), none(), ERR_UNDEFINED_VARIABLE);
        ROW("* strings", MUL, text("a"), row({1}), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("\\ boolean", LDIV, num(2), flag(true), none(), ERR_TYPE_MISMATCH);
    }
    void typeErrors() { checkRow(); }

    void matrix_data()
    {
        addTableColumns();
        const Variable square = doubles(2, 2, {1, 2, 3, 4});
        const Variable unitUpper = doubles(2, 2, {1, 1, 0, 1});  // inverse 1 -1 / 0 1
        const Variable diagonal = doubles(2, 2, {2, 0, 0, 4});   // inverse 0.5 0 / 0 0.25
        const Variable singular = doubles(2, 2, {1, 2, 2, 4});
        ROW("6 * 7", MUL, num(6), num(7), num(42));
        ROW("row * scalar", MUL, row({1, 2}), num(3), row({3, 6}));
        ROW("2x2 * 2x2", MUL, square, doubles(2, 2, {5, 6, 7, 8}), doubles(2, 2, {19, 22, 43, 50}));
        ROW("2x3 * 3x1", MUL, doubles(2, 3, {1, 2, 3, 4, 5, 6}), column({1, 0, -1}), column({-2, -2}));
        ROW("row * column", MUL, row({1, 2, 3}), column({4, 5, 6}), doubles(1, 1, {32}));
        ROW("column * row", MUL, column({1, 2}), row({3, 4}), doubles(2, 2, {3, 4, 6, 8}));
        ROW("inner sizes differ", MUL, row({1, 2, 3}), row({1, 2}), none(), ERR_DIFFERENT_MATRIX_SIZE);
        ROW("1 / 4", DIV, num(1), num(4), num(0.25));
        ROW("row / 2", DIV, row({2, 4}), num(2), row({1, 2}));
        ROW("6 / diagonal", DIV, num(6), diagonal, doubles(2, 2, {3, 0, 0, 1.5}));
        ROW("row / unit upper", DIV, row({1, 2}), unitUpper, row({1, 1}));
        ROW("2x2 / diagonal", DIV, square, diagonal, doubles(2, 2, {0.5, 0.5, 1.5, 1}));
        ROW("row / 2x2 of other width", DIV, row({1, 2, 3}), square, none(), ERR_DIFFERENT_MATRIX_SIZE);
        ROW("/ by a non-square", DIV, row({1, 2}), doubles(1, 2, {1, 2}), none(), ERR_MATRIX_NOT_SQUARE);
        ROW("1 / singular", DIV, num(1), singular, none(), ERR_MATRIX_IS_SINGULAR);
        ROW("2 \\ 6", LDIV, num(2), num(6), num(3));
        ROW("2 \\ row", LDIV, num(2), row({2, 4}), row({1, 2}));
        ROW("diagonal \\ 3", LDIV, diagonal, num(3), doubles(2, 2, {1.5, 0, 0, 0.75}));
        ROW("diagonal \\ column", LDIV, diagonal, column({2, 8}), column({1, 2}));
        ROW("pivot needs a swap", LDIV, doubles(2, 2, {0, 1, 1, 0}), column({3, 5}), column({5, 3}));
        ROW("singular \\ column", LDIV, singular, column({1, 2}), none(), ERR_MATRIX_IS_SINGULAR);
        ROW("non-square \\ column", LDIV, doubles(1, 2, {1, 2}), column({1}), none(), ERR_MATRIX_NOT_SQUARE);
        ROW("\\ with other row count", LDIV, square, row({1, 2}), none(), ERR_DIFFERENT_MATRIX_SIZE);
        ROW("2 ^ 10", POW, num(2), num(10), num(1024));
        ROW("2 ^ [1 2 3]", POW, num(2), row({1, 2, 3}), row({2, 4, 8}));
        ROW("2x2 ^ 2", POW, square, num(2), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("2x2 ^ 2x2", POW, square, square, none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("[1 2] ^ [1 2] checks shape first", POW, row({1, 2}), row({1, 2}), none(), ERR_DIFFERENT_MATRIX_SIZE);
        ROW("2 ^ string", POW, num(2), text("x"), none(), ERR_TYPE_MISMATCH);
        ROW("empty ^ 2", POW, emptyVector(), num(2), emptyVector());
    }
    void matrix() { checkRow(); }

    void comparisons_data()
    {
        addTableColumns();
        ROW("apple < banana", LT, text("apple"), text("banana"), flag(true));
        ROW("empty string < a", LT, text(""), text("a"), flag(true));
        ROW("a > empty string", GT, text("a"), text(""), flag(true));
        ROW("empty == empty string", EQ, text(""), text(""), flag(true));
        ROW("ab >= abc", GE, text("ab"), text("abc"), flag(false));
        ROW("strings < string", LT, texts(1, 2, {String("a"), String("c")}), text("b"), flags(1, 2, {true, false}));
        ROW("string <= strings", LE, text("b"), texts(1, 2, {String("a"), String("b")}), flags(1, 2, {false, true}));
        ROW("true == true", EQ, flag(true), flag(true), flag(true));
        ROW("booleans != true", NE, flags(1, 2, {true, false}), flag(true), flags(1, 2, {false, true}));
        ROW("true == 1", EQ, flag(true), num(1), none(), ERR_TYPE_MISMATCH);
        ROW("true < false", LT, flag(true), flag(false), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("1 == string", EQ, num(1), text("1"), none(), ERR_TYPE_MISMATCH);
        ROW("string > 1", GT, text("1"), num(1), none(), ERR_TYPE_MISMATCH);
        ROW("integers < 1", LT, ints(1, 1, {0}), num(1), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("1 == integers", EQ, num(1), ints(1, 1, {0}), none(), ERR_TYPE_MISMATCH);
        ROW("NaN == NaN", EQ, num(NaN), num(NaN), flag(false));
        ROW("NaN != NaN", NE, num(NaN), num(NaN), flag(true));
        ROW("NaN <= 1", LE, num(NaN), num(1), flag(false));
        ROW("1 < row", LT, num(1), row({0, 1, 2}), flags(1, 3, {false, false, true}));
        ROW("row < 1", LT, row({0, 1, 2}), num(1), flags(1, 3, {true, false, false}));
        ROW("row >= column", GE, row({1, 2}), column({2, 2}), flags(1, 2, {false, true}));
        ROW("2x2 == 1x4", EQ, doubles(2, 2, {1, 2, 3, 4}), row({1, 2, 3, 4}), none(), ERR_ROW_COUNT_MISMATCH);
        ROW("empty == 1", EQ, emptyVector(), num(1), emptyVector());
        ROW("empty < row", LT, emptyVector(), row({1}), none(), ERR_DIFFERENT_MATRIX_SIZE);
        ROW("0 & row", AND, num(0), row({1, 2, 3}), flags(1, 3, {false, false, false}));
        ROW("2 | false", OR, num(2), flag(false), flag(true));
        ROW("NaN & true", AND, num(NaN), flag(true), flag(true));
        ROW("booleans & doubles", AND, flags(1, 2, {true, true}), row({1, 0}), flags(1, 2, {true, false}));
        ROW("doubles | booleans", OR, row({0, 0}), flags(2, 1, {false, true}), flags(1, 2, {false, true}));
        ROW("string & true", AND, text("a"), flag(true), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("true | string", OR, flag(true), text("a"), none(), ERR_TYPE_MISMATCH);
        ROW("& lines differ", AND, row({1, 1}), row({1}), none(), ERR_DIFFERENT_MATRIX_SIZE);
        ROW("abc123 ~ (x, [0-9]+)", MATCH, text("abc123"), texts(1, 2, {String("x"), String("[0-9]+")}), flag(true));
        ROW("abc123 ~ ^b", MATCH, text("abc123"), text("^b"), flag(false));
        ROW("case sensitive", MATCH, text("ABC"), text("abc"), flag(false));
        ROW("invalid pattern matches nothing", MATCH, text("("), text("("), flag(false));
        ROW("texts ~ b", MATCH, texts(2, 2, {String("ab"), String("cd"), String("b1"), String("")}), text("b"), flags(2, 2, {true, false, true, false}));
        ROW("~ number", MATCH, text("1"), num(1), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("number ~ pattern", MATCH, num(1), text("1"), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("~ undefined first", MATCH, none(), text("a"), none(), ERR_UNDEFINED_FIRST_OPERAND);
        ROW("~ undefined second", MATCH, text("a"), none(), none(), ERR_UNDEFINED_SECOND_OPERAND);
    }
    void comparisons() { checkRow(); }

    void unary_data()
    {
        addTableColumns();
        ROW("-2", NEG, num(2), none(), num(-2));
        ROW("-row", NEG, doubles(2, 1, {1, -2}), none(), doubles(2, 1, {-1, 2}));
        ROW("-integers stay integers", NEG, ints(1, 2, {3, -4}), none(), ints(1, 2, {-3, 4}));
        ROW("-integer scalar wraps", NEG, Variable(int32_t(-2147483647 - 1)), none(), Variable(int32_t(-2147483647 - 1)));
        ROW("-empty", NEG, emptyVector(), none(), emptyVector());
        ROW("-true", NEG, flag(true), none(), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("-strings", NEG, texts(1, 1, {String("a")}), none(), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("-undefined", NEG, none(), none(), none(), ERR_UNDEFINED_VARIABLE);
        ROW("+row", UPLUS, row({1, 2}), none(), row({1, 2}));
        ROW("+string", UPLUS, text("a"), none(), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("+booleans", UPLUS, flags(1, 1, {true}), none(), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("not 0", NOT, num(0), none(), flag(true));
        ROW("not NaN", NOT, num(NaN), none(), flag(false));
        ROW("not empty", NOT, emptyVector(), none(), emptyVector());
        ROW("not booleans", NOT, flags(1, 2, {true, false}), none(), flags(1, 2, {false, true}));
        ROW("not doubles", NOT, column({0, 2}), none(), flags(2, 1, {true, false}));
        ROW("not integers", NOT, ints(1, 2, {0, 3}), none(), flags(1, 2, {true, false}));
        ROW("not string", NOT, text(""), none(), none(), ERR_OPERATION_NOT_SUPPORTED);
        ROW("not undefined", NOT, none(), none(), none(), ERR_UNDEFINED_VARIABLE);
        ROW("transpose 2x3", TRANSPOSE, doubles(2, 3, {1, 2, 3, 4, 5, 6}), none(), doubles(3, 2, {1, 4, 2, 5, 3, 6}));
        ROW("transpose booleans", TRANSPOSE, flags(2, 2, {true, true, false, false}), none(), flags(2, 2, {true, false, true, false}));
        ROW("transpose integer row", TRANSPOSE, ints(1, 3, {1, 2, 3}), none(), ints(3, 1, {1, 2, 3}));
        ROW("transpose strings", TRANSPOSE, texts(2, 2, {String("a"), String("b"), String("c"), String("d")}), none(),
            texts(2, 2, {String("a"), String("c"), String("b"), String("d")}));
        ROW("transpose scalar", TRANSPOSE, text("s"), none(), text("s"));
        ROW("transpose empty", TRANSPOSE, emptyVector(), none(), emptyVector());
        ROW("transpose undefined", TRANSPOSE, none(), none(), none(), ERR_UNDEFINED_VARIABLE);
    }
    void unary() { checkRow(); }

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
        add("1/0 warning", DIV, num(1), num(0), div, WARNING_STATE, num(INF), 1);
        add("1/0 error", DIV, num(1), num(0), div, ERROR_STATE, none(), 1);
        add("1/0 ignore", DIV, num(1), num(0), div, IGNORE_STATE, num(INF), 0);
        add("1/-0 warning", DIV, num(1), num(-0.0), div, WARNING_STATE, num(-INF), 1);
        add("0/0 is NaN", EDIV, num(0), num(0), div, WARNING_STATE, num(NaN), 1);
        add("NaN divisor is no zero", EDIV, num(1), num(NaN), div, ERROR_STATE, num(NaN), 0);
        add("one report per zero divisor", EDIV, num(1), row({0, 1, 0}), div, WARNING_STATE, row({INF, 1, INF}), 2);
        add("scalar divisor tested once", EDIV, row({1, 2}), num(0), div, WARNING_STATE, row({INF, INF}), 1);
        add(".\\ divides by A", ELDIV, row({0, 2, 0}), num(1), div, WARNING_STATE, row({INF, 0.5, INF}), 2);
        add("\\ scalar divisor", LDIV, num(0), row({1, 2}), div, ERROR_STATE, none(), 1);
        add("% by zero", MOD, num(5), num(0), div, WARNING_STATE, num(NaN), 1);
        add("% by zero error", MOD, row({5}), row({0}), div, ERROR_STATE, none(), 1);
        add("divisions never check inf", DIV, num(1e308), num(1e-10), inf, ERROR_STATE, num(INF), 0);
        add("1e308 * 10 warning", MUL, num(1e308), num(10), inf, WARNING_STATE, num(INF), 1);
        add("1e308 * 10 error", MUL, num(1e308), num(10), inf, ERROR_STATE, none(), 1);
        add("1e308 * 10 ignore", EMUL, num(1e308), num(10), inf, IGNORE_STATE, num(INF), 0);
        add("one report per inf element", ADD, row({1e308, 1, -1e308}), row({1e308, 1, -1e308}), inf, WARNING_STATE,
            row({INF, 2, -INF}), 2);
        add("error stops at the first", SUB, row({-1e308, -1e308}), num(1e308), inf, ERROR_STATE, none(), 1);
        add("pow overflow", EPOW, num(10), num(400), inf, WARNING_STATE, num(INF), 1);
        add("product checks the final sum", MUL, row({1e308, -1e308}), column({10, 10}), inf, ERROR_STATE, doubles(1, 1, {NaN}), 0);
        add("product infinity", MUL, row({1e308, 1e308}), column({1, 1}), inf, WARNING_STATE, doubles(1, 1, {INF}), 1);
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

    void truth_data()
    {
        QTest::addColumn<Variable>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("truth");
        QTest::newRow("row 1 0 1") << row({1, 0, 1}) << true << false;
        QTest::newRow("row 1 2 3") << row({1, 2, 3}) << true << true;
        QTest::newRow("empty") << emptyVector() << true << false;
        QTest::newRow("NaN") << num(NaN) << true << true;
        QTest::newRow("zero") << num(0) << true << false;
        QTest::newRow("false") << flag(false) << true << false;
        QTest::newRow("empty string") << text("") << true << false;
        QTest::newRow("string") << text("a") << true << true;
        QTest::newRow("booleans") << flags(2, 1, {true, false}) << true << false;
        QTest::newRow("strings") << texts(1, 2, {String("a"), String("b")}) << true << true;
        QTest::newRow("strings with empty") << texts(1, 2, {String("a"), String("")}) << true << false;
        QTest::newRow("integers") << ints(1, 1, {1}) << false << false;
        QTest::newRow("integer scalar") << Variable(int32_t(1)) << false << false;
        QTest::newRow("undefined") << none() << false << false;
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

    void onlyOperatorsHaveRoutines()
    {
        for (int op : {ADD, SUB, MUL, LDIV, LT, LE, GT, GE, EQ, NE, AND, OR, NEG, NOT, UPLUS, TRANSPOSE, EMUL, ELDIV,
                       DIV, EDIV, POW, EPOW, MATCH, MOD})
            QVERIFY2(operatorRoutine(uint8_t(op)), opcodeInfo(uint8_t(op)).name);
        for (int op : {int(STORE), int(JUMP), int(MAKE_ROW), int(INDEX1), int(RANGE), int(CALL), int(HALT), int(ADD_TO_VAR), 0, 255})
            QVERIFY(!operatorRoutine(uint8_t(op)));
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
