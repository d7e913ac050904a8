#include "program_builder.h"
#include "value_text.h"

#include "engine/run_state.h"
#include "values/output_list.h"
#include "vm/interpreter.h"

#include <QtTest>

#include <chrono>
#include <thread>

using value_text::show;

namespace {

void resetRun()
{
    OutputList::instance().clear();
    RunState &state = RunState::instance();
    state.updateItemSet.clear();
    state.removeItemSet.clear();
    state.invokeIdStack.clear();
}

QList<ErrorReport> reports()
{
    QList<ErrorReport> out;
    const OutputList &list = OutputList::instance();
    for (int i = 0; i < list.count(); ++i)
        if (list.at(i).kind == OutputList::ERROR_ENTRY)
            out << list.at(i).report;
    return out;
}

QString errorCodes()
{
    QStringList codes;
    for (const ErrorReport &r : reports())
        codes << QString::number(r.code, 16);
    return codes.join(',');
}

// "x=1|n=[1 2]": expected values of variables after the run.
void checkVariables(Program &program, const QString &checks)
{
    for (const QString &check : checks.split('|', Qt::SkipEmptyParts)) {
        const int eq = check.indexOf('=');
        const QString name = check.left(eq);
        QCOMPARE(name + '=' + show(program.value(name)), check);
    }
}

} // namespace

class TestInterpreter : public QObject {
    Q_OBJECT
private slots:
    void init() { resetRun(); }

    void programs_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<QString>("variables");

        QTest::newRow("empty code") << "" << 0 << "" << "";
        QTest::newRow("jump offset 1 is a no-op") << "PUSH_ONE; JUMP 1; STORE x" << 0 << "" << "x=1";
        QTest::newRow("jump beyond the code") << "JUMP 10; PUSH_ONE; STORE x" << -1 << "d02" << "x=undef";
        QTest::newRow("negative landing") << "JUMP -10" << -1 << "d02" << "";
        QTest::newRow("conditional jump to the very end")
            << "PUSH_TRUE; JUMP_IF_TRUE @end; PUSH_ONE; STORE x; @end:" << 0 << "" << "x=undef";
        QTest::newRow("conditional jump checks the target first")
            << "PUSH_CONST8 {'s'}; JUMP_IF_TRUE 50" << -1 << "d02" << "";
        QTest::newRow("jump if false taken")
            << "PUSH_ZERO; JUMP_IF_FALSE @skip; PUSH_TWO; STORE x; @skip: PUSH_ONE; STORE y" << 0 << ""
            << "x=undef|y=1";
        QTest::newRow("condition without truth value") << "PUSH_INT_1; MAKE_ROW 1; JUMP_IF_TRUE 1" << -1 << "303" << "";
        QTest::newRow("opcode 40") << "BYTE 40" << -1 << "d01" << "";
        QTest::newRow("opcode 0") << "PUSH_ONE; STORE x; BYTE 0" << -1 << "d01" << "x=1";
        QTest::newRow("opcode 106") << "BYTE 106" << -1 << "d01" << "";
        QTest::newRow("operands cut off") << "PUSH_ONE; BYTE 1; BYTE 0" << -1 << "d02" << "";
        QTest::newRow("halt") << "PUSH_ONE; STORE x; HALT; PUSH_TWO; STORE x" << 0 << "" << "x=1";
        QTest::newRow("stored undefined is a variable")
            << "PUSH_CONST8 {undef}; STORE x; POP; PUSH_VAR x; STORE y" << 0 << "" << "y=undef";
        QTest::newRow("integer preset") << "PUSH_INT_M1; STORE x; PUSH_INT_5; STORE y" << 0 << "" << "x=int -1|y=int 5";
        QTest::newRow("constants of three widths")
            << "PUSH_CONST8 {1}; PUSH_CONST16 {2}; PUSH_CONST32 {3}; MAKE_ROW 3; STORE x" << 0 << "" << "x=[1 2 3]";
        QTest::newRow("dup") << "PUSH_TWO; DUP; MAKE_COLUMN 2; STORE x" << 0 << "" << "x=[2; 2]";
        QTest::newRow("dup2 keeps order") << "PUSH_ONE; PUSH_TWO; DUP2; MAKE_ROW 4; STORE x" << 0 << "" << "x=[1 2 1 2]";

        QTest::newRow("make row of nothing") << "MAKE_ROW 0; STORE x" << 0 << "" << "x=[]";


        QTest::newRow("end of empty") << "MAKE_ROW 0; STORE v; PUSH_END v; STORE x" << 0 << "" << "x=-1";
        QTest::newRow("end of absent") << "PUSH_END v; STORE x" << 0 << "" << "x=-1";
        QTest::newRow("end of scalar") << "PUSH_ONE; STORE v; PUSH_END v" << -1 << "800" << "";

        QTest::newRow("range with step: start, step, end")
            << "PUSH_CONST8 {10}; PUSH_CONST8 {-5}; PUSH_ZERO; RANGE_STEP; STORE x" << 0 << "" << "x=[10 5 0]";

        QTest::newRow("index one of variable")
            << "PUSH_CONST8 {[5 6 7]}; STORE v; POP; PUSH_ONE; INDEX1_VAR v; STORE x" << 0 << "" << "x=6|v=[5 6 7]";
        QTest::newRow("index two of variable")
            << "PUSH_CONST8 {[1 2; 3 4]}; STORE v; POP; PUSH_ZERO; PUSH_ONE; INDEX2_VAR v; STORE x" << 0 << ""
            << "x=2";
        QTest::newRow("index absent variable") << "PUSH_ONE; INDEX1_VAR v" << -1 << "300" << "";
        QTest::newRow("assign two: row, column, value")
            << "PUSH_ONE; PUSH_ZERO; PUSH_CONST8 {7}; ASSIGN_INDEX2 a; STORE x" << 0 << "" << "a=[0; 7]|x=[0; 7]";
        QTest::newRow("failed assignment keeps the variable")
            << "PUSH_CONST8 {[1 2]}; STORE a; POP; PUSH_ZERO; PUSH_CONST8 {'s'}; ASSIGN_INDEX1 a" << -1 << "302"
            << "a=[1 2]";

        QTest::newRow("operand order") << "PUSH_CONST8 {7}; PUSH_TWO; SUB; STORE y; POP; PUSH_CONST8 {7}; PUSH_TWO; MOD; "
                                          "STORE z; POP; PUSH_ONE; PUSH_TWO; LT; STORE w"
                                       << 0 << "" << "y=5|z=1|w=true";
        QTest::newRow("in-place product") << "PUSH_CONST8 {[1 2]}; STORE x; POP; PUSH_CONST8 {[3; 4]}; MUL_TO_VAR x; STORE y"
                                          << 0 << "" << "x=[11]|y=[11]";
        QTest::newRow("in-place operator on absent") << "PUSH_TWO; ADD_TO_VAR x" << -1 << "300" << "";
        QTest::newRow("in-place failure keeps the variable")
            << "PUSH_ONE; STORE x; PUSH_CONST8 {'a'}; ADD_TO_VAR x" << -1 << "302" << "x=1";

        // for loops: n counts the iterations, r keeps the last value
        const QString loop = "FOR_BEGIN r; @next: FOR_NEXT @done; INC_VAR n; JUMP @next; @done: PUSH_ONE; STORE after";
        QTest::newRow("for over integer row") << "PUSH_ZERO; STORE n; PUSH_CONST8 {i[4 5]}; " + loop << 0 << ""
                                              << "n=2|r=5";
        QTest::newRow("for over integer matrix") << "PUSH_ZERO; STORE n; PUSH_CONST8 {i[1 2; 3 4]}; " + loop << 0
                                                 << "" << "n=2|r=[3 4]";
        QTest::newRow("loop left by break and begun again")
            << "PUSH_ZERO; STORE n; POP; @again: PUSH_CONST8 {[5 6]}; FOR_BEGIN b; @next: FOR_NEXT @done; "
               "JUMP @done; @done: INC_VAR n; PUSH_VAR n; PUSH_CONST8 {3}; LT; JUMP_IF_TRUE @again; "
               "PUSH_CONST8 {[7 8]}; FOR_BEGIN c; @c: FOR_NEXT @end; INC_VAR n; JUMP @c; @end:"
            << 0 << "" << "n=5|b=5|c=8";

        // Sequences run fused: the double fast path, and every way out of it,
        // must behave as the instructions one by one.
        const QString a3 = "PUSH_CONST8 {3}; STORE a; POP; ";
        QTest::newRow("variables") << a3 + "PUSH_CONST8 {4}; STORE b; POP; PUSH_VAR a; PUSH_VAR b; MUL; STORE c; POP"
                                   << 0 << "" << "c=12";
        QTest::newRow("constant") << a3 + "PUSH_VAR a; PUSH_CONST8 {0.5}; SUB; STORE a; POP" << 0 << "" << "a=2.5";
        QTest::newRow("preset") << a3 + "PUSH_VAR a; PUSH_MINUS_ONE; EMUL; STORE b; POP" << 0 << "" << "b=-3";
        QTest::newRow("integer operand") << "PUSH_INT_2; STORE a; POP; PUSH_VAR a; PUSH_ONE; ADD; STORE b; POP" << -1
                                         << "303" << "b=undef";
        QTest::newRow("string constant") << a3 + "PUSH_VAR a; PUSH_CONST8 {'s'}; ADD; STORE b; POP" << -1 << "302"
                                         << "b=undef";
        QTest::newRow("vector operand") << "PUSH_CONST8 {[1 2]}; STORE a; POP; PUSH_VAR a; PUSH_ONE; ADD; STORE b; POP"
                                        << 0 << "" << "b=[2 3]";
        QTest::newRow("absent first") << "PUSH_VAR a; PUSH_ONE; ADD; STORE b; POP" << -1 << "300" << "b=undef";
        QTest::newRow("absent second") << a3 + "PUSH_VAR a; PUSH_VAR z; ADD; STORE b; POP" << -1 << "300"
                                       << "b=undef";
        QTest::newRow("infinite result") << "PUSH_CONST8 {1e308}; STORE a; POP; PUSH_VAR a; PUSH_VAR a; ADD; STORE b; POP"
                                         << 0 << "308" << "b=inf";
        QTest::newRow("jump into the sequence")
            << "PUSH_CONST8 {10}; PUSH_ONE; STORE a; POP; JUMP @mid; PUSH_VAR a; @mid: PUSH_TWO; ADD; STORE b; POP"
            << 0 << "" << "a=1|b=12";
        QTest::newRow("counting loop")
            << "PUSH_ZERO; STORE i; POP; @top: LINE_SET16 2; PUSH_VAR i; PUSH_CONST8 {3}; LT; JUMP_IF_FALSE @end; "
               "LINE_SET16 3; PUSH_VAR i; PUSH_ONE; ADD; STORE i; POP; JUMP @top; @end: PUSH_VAR i; STORE j"
            << 0 << "" << "i=3|j=3";
        QTest::newRow("run of steps left at its second")
            << "PUSH_ONE; STORE a; POP; PUSH_CONST8 {[1 2]}; STORE t; POP; "
               "PUSH_VAR a; PUSH_ONE; ADD; STORE a; POP; PUSH_VAR t; PUSH_ONE; ADD; STORE b; POP"
            << 0 << "" << "a=2|b=[2 3]";
        QTest::newRow("branch to a step either way")
            << "PUSH_ZERO; STORE i; POP; @top: PUSH_VAR i; PUSH_ONE; ADD; STORE i; POP; PUSH_VAR i; "
               "PUSH_CONST8 {3}; LT; JUMP_IF_TRUE @top; PUSH_VAR i; PUSH_TWO; MUL; STORE j; POP"
            << 0 << "" << "i=3|j=6";
        QTest::newRow("integer constant operand")
            << a3 + "PUSH_VAR a; PUSH_CONST8 {int 2}; GT; JUMP_IF_FALSE @skip; PUSH_ONE; STORE x; @skip:" << -1
            << "302" << "x=undef";
        QTest::newRow("not a number constant")
            << a3 + "PUSH_VAR a; PUSH_CONST8 {nan}; NE; JUMP_IF_FALSE @skip; PUSH_ONE; STORE x; @skip:" << 0 << ""
            << "x=1";
        QTest::newRow("result pushed for a later store")
            << a3 + "PUSH_VAR a; PUSH_ONE; ADD; DUP; STORE b; POP; PUSH_VAR a; PUSH_CONST8 {[1 2]}; MUL; ADD; STORE c"
            << 0 << "" << "b=4|c=[7 10]";
        QTest::newRow("pushed result infinite")
            << "PUSH_CONST8 {1e308}; STORE a; POP; PUSH_VAR a; PUSH_CONST8 {10}; MUL; STORE b" << 0 << "308"
            << "b=inf";
        QTest::newRow("landing on the pop after a store")
            << "PUSH_ONE; PUSH_TWO; JUMP @p; PUSH_ZERO; STORE x; @p: POP; STORE y" << 0 << "" << "x=undef|y=1";
        QTest::newRow("jump if true") << a3 + "PUSH_VAR a; PUSH_TWO; GT; JUMP_IF_TRUE @skip; PUSH_ONE; STORE x; @skip:"
                                      << 0 << "" << "x=undef";
        QTest::newRow("not a number compares false")
            << "PUSH_CONST8 {nan}; STORE a; POP; PUSH_VAR a; PUSH_VAR a; EQ; JUMP_IF_TRUE @skip; PUSH_ONE; STORE x; @skip:"
            << 0 << "" << "x=1";
        QTest::newRow("branch target beyond the code") << a3 + "PUSH_VAR a; PUSH_ONE; LT; JUMP_IF_FALSE 90" << -1
                                                       << "d02" << "";
        QTest::newRow("followed by a jump beyond the code") << a3 + "PUSH_VAR a; PUSH_ONE; ADD; STORE a; POP; JUMP 90"
                                                            << -1 << "d02" << "a=4";
        // s = s + t grows s's text in place only while nothing else holds it.
        const QString sab = "PUSH_CONST8 {'a'}; STORE s; POP; PUSH_VAR s; PUSH_CONST8 {'b'}; ADD; STORE s; POP; ";
        QTest::newRow("append") << sab + "PUSH_VAR s; PUSH_CONST16 {'c'}; ADD; STORE s; POP" << 0 << ""
                                << "s='abc'";
        QTest::newRow("append to a shared text")
            << sab + "PUSH_VAR s; STORE t; POP; PUSH_VAR s; PUSH_CONST8 {'c'}; ADD; STORE s; POP" << 0 << ""
            << "s='abc'|t='ab'";
        QTest::newRow("append a variable, then itself")
            << sab + "PUSH_CONST8 {'x'}; STORE t; POP; PUSH_VAR s; PUSH_VAR t; ADD; STORE s; POP; "
                     "PUSH_VAR s; PUSH_VAR s; ADD; STORE s; POP"
            << 0 << "" << "s='abxabx'|t='x'";
        QTest::newRow("append an empty text") << sab + "PUSH_VAR s; PUSH_CONST8 {''}; ADD; STORE s; POP" << 0 << ""
                                              << "s='ab'";
        QTest::newRow("append a number") << sab + "PUSH_VAR s; PUSH_ONE; ADD; STORE s; POP" << -1 << "302"
                                         << "s='ab'";
        QTest::newRow("append a string vector")
            << sab + "PUSH_CONST8 {['x' 'y']}; STORE t; POP; PUSH_VAR s; PUSH_VAR t; ADD; STORE s; POP" << 0 << ""
            << "s=['abx' 'aby']";
        QTest::newRow("append to a number") << a3 + "PUSH_VAR a; PUSH_CONST8 {'s'}; ADD; STORE a; POP" << -1 << "302"
                                            << "a=3";
        // One element of a double vector by a double index runs fused; every
        // other operand, index or block takes the instructions one by one.
        const QString v3 = "PUSH_CONST8 {[5 6 7]}; STORE v; POP; ";
        auto read = [&v3](const QString &index) {
            return v3 + "PUSH_CONST8 {" + index + "}; STORE i; POP; PUSH_VAR i; INDEX1_VAR v; STORE x; POP";
        };
        auto write = [](const QString &index, const QString &value) {
            return "PUSH_CONST8 {" + index + "}; PUSH_CONST8 {" + value + "}; ASSIGN_INDEX1 v; POP; ";
        };
        QTest::newRow("element read") << read("1") << 0 << "" << "x=6";
        QTest::newRow("element read floors a fraction") << read("1.9") << 0 << "" << "x=6";
        QTest::newRow("element read below zero") << read("-0.5") << -1 << "802" << "x=undef";
        QTest::newRow("element read at the count") << read("3") << -1 << "801" << "x=undef";
        QTest::newRow("element read of a huge index") << read("1e300") << -1 << "801" << "x=undef";
        QTest::newRow("element read by not a number") << read("nan") << -1 << "802" << "x=undef";
        QTest::newRow("element read by an integer") << read("int 2") << -1 << "802" << "x=undef";
        QTest::newRow("element read by a vector") << read("[2 0]") << 0 << "" << "x=[7 5]";
        QTest::newRow("element read of strings")
            << "PUSH_CONST8 {['a' 'b']}; STORE v; POP; PUSH_ONE; STORE i; POP; PUSH_VAR i; INDEX1_VAR v; STORE x"
            << 0 << "" << "x='b'";
        QTest::newRow("element read of a scalar")
            << "PUSH_TWO; STORE v; POP; PUSH_ONE; STORE i; POP; PUSH_VAR i; INDEX1_VAR v" << -1 << "800" << "";
        QTest::newRow("element read by an absent index") << v3 + "PUSH_VAR i; INDEX1_VAR v" << -1 << "300" << "";
        QTest::newRow("element read of an absent vector")
            << "PUSH_ONE; STORE i; POP; PUSH_VAR i; INDEX1_VAR v" << -1 << "300" << "";
        QTest::newRow("element read by linear position of a matrix")
            << "PUSH_CONST8 {[1 2; 3 4]}; STORE v; POP; PUSH_TWO; STORE i; POP; PUSH_VAR i; INDEX1_VAR v; STORE x"
            << 0 << "" << "x=3";
        // The first write detaches v from the constant's block; w shares the
        // block of the second, which must detach again.
        QTest::newRow("element writes, shared and not")
            << v3 + write("1", "9") + "PUSH_VAR v; STORE w; POP; " + write("2", "8") + write("0", "4") << 0 << ""
            << "v=[4 9 8]|w=[5 9 7]";
        QTest::newRow("element write truncates a fraction") << v3 + write("1.9", "9") << 0 << "" << "v=[5 9 7]";
        QTest::newRow("element write just below zero") << v3 + write("-0.5", "9") << 0 << "" << "v=[9 6 7]";
        QTest::newRow("element write below zero") << v3 + write("-1", "9") << -1 << "802" << "v=[5 6 7]";
        QTest::newRow("element write grows") << v3 + write("4", "9") << 0 << "" << "v=[5 6 7 0 9]";
        QTest::newRow("element write by not a number") << v3 + write("nan", "9") << -1 << "802" << "v=[5 6 7]";
        QTest::newRow("element write of a string") << v3 + write("0", "'s'") << -1 << "302" << "v=[5 6 7]";
        QTest::newRow("element write of an integer") << v3 + write("0", "int 1") << -1 << "302" << "v=[5 6 7]";
        QTest::newRow("element write of a one-element vector") << v3 + write("0", "[4]") << 0 << "" << "v=[4 6 7]";
        QTest::newRow("element write of two elements") << v3 + write("0", "[1 2]") << -1 << "b02" << "v=[5 6 7]";
        QTest::newRow("element write by an integer") << v3 + write("int 2", "9") << -1 << "802" << "v=[5 6 7]";
        QTest::newRow("element write to a matrix") << "PUSH_CONST8 {[1 2; 3 4]}; STORE v; POP; " + write("2", "9")
                                                   << 0 << "" << "v=[1 2; 9 4]";
        QTest::newRow("element write to strings")
            << "PUSH_CONST8 {['a' 'b']}; STORE v; POP; " + write("1", "'c'") << 0 << "" << "v=['a' 'c']";
        QTest::newRow("element write to an absent vector") << write("1", "9") << 0 << "" << "v=[0 9]";
        QTest::newRow("element write to a scalar") << "PUSH_TWO; STORE v; POP; " + write("0", "9") << -1 << "800"
                                                   << "v=2";
        QTest::newRow("element write kept for a store")
            << v3 + "PUSH_ONE; PUSH_CONST8 {9}; ASSIGN_INDEX1 v; STORE x; POP" << 0 << "" << "x=[5 9 7]|v=[5 9 7]";
        // A variable and the entry below it, combined in place.
        QTest::newRow("entry and variable") << a3 + "PUSH_TWO; PUSH_VAR a; SUB; STORE x; POP" << 0 << "" << "x=-1";
        QTest::newRow("entry and variable compared") << a3 + "PUSH_TWO; PUSH_VAR a; LT; STORE x; POP" << 0 << ""
                                                     << "x=true";
        QTest::newRow("entry and variable: a vector entry")
            << a3 + "PUSH_CONST8 {[1 2]}; PUSH_VAR a; MUL; STORE x; POP" << 0 << "" << "x=[3 6]";
        QTest::newRow("entry and variable: a string variable")
            << "PUSH_CONST8 {'s'}; STORE a; POP; PUSH_TWO; PUSH_VAR a; ADD" << -1 << "302" << "";
        QTest::newRow("entry and variable: absent") << "PUSH_TWO; PUSH_VAR a; ADD" << -1 << "300" << "";
        QTest::newRow("entry and variable: infinite result")
            << "PUSH_CONST8 {1e308}; STORE a; POP; PUSH_CONST8 {1e308}; PUSH_VAR a; ADD; STORE x; POP" << 0 << "308"
            << "x=inf";
        QTest::newRow("entry and variable: not a number")
            << "PUSH_CONST8 {nan}; STORE a; POP; PUSH_ONE; PUSH_VAR a; EQ; STORE x; POP" << 0 << "" << "x=false";
        QTest::newRow("fused byte values are invalid") << "BYTE 240" << -1 << "d01" << "";
        QTest::newRow("call byte value is invalid") << "BYTE 242" << -1 << "d01" << "";
        QTest::newRow("byte 255 is invalid") << "PUSH_ONE; BYTE 255" << -1 << "d01" << "";
        QTest::newRow("landing inside an operand: valid") << "JUMP 2; BYTE 3; BYTE 33; STORE x" << 0 << "" << "x=1";
        QTest::newRow("landing inside an operand: invalid") << "JUMP 2; BYTE 3; BYTE 40" << -1 << "d01" << "";
        QTest::newRow("landing inside an operand: cut off") << "JUMP 2; BYTE 3; BYTE 1" << -1 << "d02" << "";
    }
    void programs()
    {
        QFETCH(QString, code);
        QFETCH(int, result);
        QFETCH(QString, errors);
        QFETCH(QString, variables);
        Program program;
        program.assemble(code);
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), result);
        QCOMPARE(errorCodes(), errors);
        checkVariables(program, variables);
        QCOMPARE(interpreter.openLoopCount(), 0);
    }

    void reportsNameVariableAndLine()
    {
        Program program("/tmp/s.l");
        program.assemble("LINE_SET16 10; LINE_ADD3; LINE_INC; LINE_ADD5; PUSH_VAR ghost");
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), -1);
        const QList<ErrorReport> r = reports();
        QCOMPARE(r.size(), 1);
        QCOMPARE(r[0].name, QString("ghost"));
        QCOMPARE(r[0].line, 19u);
        QCOMPARE(r[0].path, QString("/tmp/s.l"));
        QCOMPARE(r[0].state, int(ERROR_STATE));

        resetRun();
        Program far;
        far.assemble("LINE_SET32 70000; LINE_ADD2; BYTE 40");
        QCOMPARE(interpreter.run(&far), -1);
        QCOMPARE(reports().value(0).line, 70002u);
        QCOMPARE(interpreter.getLine(), 70002u);

        // A line marker taken together with the fused sequence before it.
        resetRun();
        Program fused;
        fused.assemble("PUSH_ONE; STORE a; POP; PUSH_VAR a; PUSH_ONE; ADD; STORE a; POP; LINE_SET16 7; PUSH_VAR ghost");
        QCOMPARE(interpreter.run(&fused), -1);
        QCOMPARE(reports().value(0).line, 7u);
    }

    void operatorFailureStack()
    {
        Interpreter interpreter;
        Program binary;
        binary.assemble("PUSH_ZERO; PUSH_ONE; PUSH_CONST8 {'a'}; ADD");
        QCOMPARE(interpreter.run(&binary), -1);
        QCOMPARE(interpreter.stack().size(), 1); // both operands gone
        interpreter.clearStack();

        Program unary;
        unary.assemble("PUSH_CONST8 {'a'}; NEG");
        QCOMPARE(interpreter.run(&unary), -1);
        QCOMPARE(interpreter.stack().size(), 1);
        QCOMPARE(show(interpreter.stack().top()), QString("'a'")); // left as it was
        interpreter.clearStack();
        QCOMPARE(interpreter.stack().size(), 0);
    }

    void printVariable()
    {
        Program program;
        program.assemble("PUSH_CONST8 {[1 2]}; STORE v; PRINT_VAR v; PUSH_ONE; STORE v");
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), 0);
        const OutputList &out = OutputList::instance();
        QCOMPARE(out.count(), 1);
        QCOMPARE(out.at(0).kind, OutputList::VARIABLE_ENTRY);
        QCOMPARE(out.at(0).text, QString("v"));
        QCOMPARE(show(out.at(0).value), QString("[1 2]")); // a copy, not the later value
    }

    void changeMarks()
    {
        Program program;
        const int x = program.var("x");
        const int tmp = program.var("*-tmp-_0");
        program.value("*-tmp-_0").setTemporary(true);
        const int gone = program.var("gone");
        const int gtmp = program.var("*-tmp-_1");
        program.value("*-tmp-_1").setTemporary(true);
        const int i = program.var("i");
        const int r = program.var("r");
        program.assemble("PUSH_ONE; STORE x; STORE *-tmp-_0; CLEAR_VAR gone; CLEAR_VAR *-tmp-_1; "
                         "PUSH_CONST8 {[1]}; FOR_BEGIN_INDEXED r i");
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), 0);
        const RunState &state = RunState::instance();
        QCOMPARE(state.updateItemSet.ids(), (std::vector<int>{x, i, r}));
        QCOMPARE(state.removeItemSet.ids(), std::vector<int>{gone});
        QVERIFY(program.value("*-tmp-_0").isTemporary()); // the mark belongs to the slot
        Q_UNUSED(tmp);
        Q_UNUSED(gtmp);
    }

    void userFunctionArgumentsAndResult()
    {
        Program program;
        program.define("pair", {"a", "b"}, "POP; PUSH_VAR a; PUSH_VAR b; MAKE_ROW 2; HALT");
        program.assemble("PUSH_ONE; PUSH_TWO; CALL pair 2; STORE x; POP");
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), 0);
        checkVariables(program, "x=[1 2]");
        QCOMPARE(interpreter.stack().size(), 0);
        QVERIFY(RunState::instance().invokeIdStack.empty());
        QCOMPARE(interpreter.currentScript(), &program);
    }

    // A call site keeps the function it found only until a function record
    // appears or goes away: a redefinition, or a local function that now
    // comes before a native.
    void callSitesFollowDefinitions()
    {
        FunctionRegistry::instance().registerNatives();
        Program program;
        program.define("f", {}, "POP; PUSH_ONE; HALT");
        program.define("g", {}, "POP; CALL f 0; PUSH_CONST8 {-3}; CALL abs 1; MAKE_ROW 2; HALT");
        program.assemble("CALL g 0; STORE x; POP");
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), 0);
        checkVariables(program, "x=[1 3]");
        program.define("f", {}, "POP; PUSH_TWO; HALT");
        QCOMPARE(interpreter.run(&program), 0);
        checkVariables(program, "x=[2 3]");
        program.define("abs", {"v"}, "POP; PUSH_CONST8 {7}; HALT");
        QCOMPARE(interpreter.run(&program), 0);
        checkVariables(program, "x=[2 7]");
    }

    // `return e` from inside a switch pops the switch value instead of the
    // result slot; the caller still gets exactly one value.
    void returnInsideSwitchKeepsStackBalanced()
    {
        Program program;
        program.define("f", {}, "PUSH_ONE; POP; PUSH_CONST8 {42}; HALT");
        program.assemble("PUSH_ZERO; CALL f 0; STORE x; POP; STORE y; POP");
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), 0);
        checkVariables(program, "x=42|y=0");
        QCOMPARE(interpreter.stack().size(), 0);
    }

    void runawayRecursionFailsCleanly()
    {
        Program program;
        program.define("f", {}, "CALL f 0");
        program.assemble("CALL f 0");
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), -1);
        QCOMPARE(errorCodes(), QString("306"));
        QCOMPARE(interpreter.callDepth(), 0);
        QCOMPARE(interpreter.currentScript(), &program);
    }

    // Errors inside a function carry its name and its own line; the caller's
    // line is back afterwards. Functions are found along the parent links.
    void errorInsideFunction()
    {
        Program program("/tmp/p.l");
        program.define("inner", {}, "LINE_SET16 7; PUSH_VAR missing");
        Program &outer = program.define("outer", {}, "LINE_SET16 3; CALL inner 0");
        Q_UNUSED(outer);
        program.assemble("LINE_SET16 20; CALL outer 0");
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), -1);
        const QList<ErrorReport> r = reports();
        QCOMPARE(r.size(), 1);
        QCOMPARE(r[0].function, QString("inner"));
        QCOMPARE(r[0].line, 7u);
        QCOMPARE(r[0].name, QString("missing"));
        QCOMPARE(r[0].path, QString("/tmp/p.l"));
        QCOMPARE(interpreter.getLine(), 20u);
        QCOMPARE(interpreter.functionName(), QString());
    }

    // Assignments inside a function are not workspace changes.
    void noMarksInsideFunctions()
    {
        Program program;
        const int x = program.var("x");
        program.var("y"); // position 1, the same as the function's t
        program.define("f", {"a"}, "PUSH_ONE; STORE t; POP; PUSH_CONST8 {[1 2]}; FOR_BEGIN t");
        program.assemble("PUSH_ONE; CALL f 1; STORE x");
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), 0);
        QCOMPARE(RunState::instance().updateItemSet.ids(), std::vector<int>{x});
        QCOMPARE(interpreter.openLoopCount(), 0);
    }

    void terminationDuringLoop()
    {
        Program program;
        // The loop body is one fused sequence whose jump and line marker are
        // taken with it: the stop flag must still be seen.
        program.assemble("PUSH_ONE; STORE started; POP; PUSH_ZERO; STORE n; POP; "
                         "@top: LINE_SET16 4; PUSH_VAR n; PUSH_ONE; ADD; STORE n; POP; JUMP @top");
        Interpreter interpreter;
        int result = 1;
        std::thread worker([&] { result = interpreter.run(&program); });
        while (program.value("n").isAbsent())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        interpreter.terminate();
        worker.join();
        QCOMPARE(result, -1);
        QCOMPARE(errorCodes(), QString("d00"));
        checkVariables(program, "started=1");
        QVERIFY(program.value("n").getDouble() > 0);

        // The flag stays until the owner clears it for the next command.
        resetRun();
        Program next;
        next.assemble("PUSH_ONE; STORE x");
        QCOMPARE(interpreter.run(&next), -1);
        interpreter.clearStop();
        QCOMPARE(interpreter.run(&next), 0);
    }

    // The loop pushes and pops in place: a long loop allocates no stack chunks.
    void steadyStateStack()
    {
        Program program;
        program.assemble("PUSH_ZERO; STORE x; POP; @top: PUSH_VAR x; PUSH_ONE; ADD; STORE x; POP; "
                         "PUSH_VAR x; PUSH_CONST8 {20000}; LT; JUMP_IF_TRUE @top");
        Interpreter interpreter;
        QCOMPARE(interpreter.run(&program), 0);
        checkVariables(program, "x=20000");
        QCOMPARE(interpreter.stack().capacity(), 256);
        QCOMPARE(interpreter.stack().size(), 0);
    }
};

QTEST_APPLESS_MAIN(TestInterpreter)
#include "test_interpreter.moc"
