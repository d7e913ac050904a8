#include "language/function.h"
#include "language/parser_interface.h"
#include "language/script.h"
#include "values/output_list.h"
#include "vm/disassembler.h"

#include <QtTest>

// Listings are compared in the compact form of the disassembler: names for
// ids, values for constants, "@offset" for jump targets.
class TestCompiler : public QObject {
    Q_OBJECT

private slots:
    void init() { OutputList::instance().clear(); }

    void listings_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("listing");
        QTest::newRow("assignment prints") << "x = 1" << "PUSH_ONE; STORE x; LINE_INC; PRINT_VAR x; POP";
        QTest::newRow("semicolon prints nothing") << "x = 1;" << "PUSH_ONE; STORE x; POP; LINE_INC";
        QTest::newRow("chain prints most recent first") << "y = x = 5"
            << "PUSH_CONST8 5; STORE x; STORE y; LINE_INC; PRINT_VAR y; PRINT_VAR x; POP";
        QTest::newRow("inner assignment not printed") << "(x = 5) + 1"
            << "PUSH_CONST8 5; STORE x; PUSH_ONE; ADD; LINE_INC; STORE ans; PRINT_VAR ans; POP";
        QTest::newRow("value goes to ans") << "x" << "PUSH_VAR x; LINE_INC; STORE ans; PRINT_VAR ans; POP";
        QTest::newRow("matrix 2x2") << "a = [1, 2; 3, 4];"
            << "PUSH_ONE; PUSH_TWO; MAKE_ROW 2; PUSH_CONST8 3; PUSH_CONST8 4; MAKE_ROW 2; MAKE_COLUMN 2; STORE a; POP; LINE_INC";
        QTest::newRow("column only") << "b = [1; 2];" << "PUSH_ONE; PUSH_TWO; MAKE_COLUMN 2; STORE b; POP; LINE_INC";
        QTest::newRow("empty and single") << "[]; [5];" << "MAKE_ROW 0; POP; PUSH_CONST8 5; MAKE_ROW 1; POP; LINE_INC";
        QTest::newRow("matrix over lines") << "[1,\n2];" << "PUSH_ONE; LINE_INC; PUSH_TWO; MAKE_ROW 2; POP; LINE_INC";
        QTest::newRow("compound assign") << "x += 2;" << "PUSH_VAR x; PUSH_TWO; ADD; STORE x; POP; LINE_INC";
        QTest::newRow("compound element") << "a[1] += 2"
            << "PUSH_ONE; DUP; INDEX1_VAR a; PUSH_TWO; ADD; ASSIGN_INDEX1 a; LINE_INC; PRINT_VAR a; POP";
        QTest::newRow("compound element 2") << "a[0, 1] .*= 2;"
            << "PUSH_ZERO; PUSH_ONE; DUP2; INDEX2_VAR a; PUSH_TWO; EMUL; ASSIGN_INDEX2 a; POP; LINE_INC";
        QTest::newRow("end single") << "a[end];" << "PUSH_END a; INDEX1_VAR a; POP; LINE_INC";
        QTest::newRow("end row and column") << "a[end, end];"
            << "PUSH_END_ROW a; PUSH_END_COLUMN a; INDEX2_VAR a; POP; LINE_INC";
        QTest::newRow("end of inner index") << "a[b[end]];" << "PUSH_END b; INDEX1_VAR b; INDEX1_VAR a; POP; LINE_INC";
        QTest::newRow("star") << "a[*];" << "PUSH_ZERO; PUSH_END a; RANGE; INDEX1_VAR a; POP; LINE_INC";
        QTest::newRow("computed value") << "f(x)[0];"
            << "PUSH_VAR x; CALL f 1; STORE *-tmp-_0; PUSH_ZERO; INDEX1; CLEAR_VAR *-tmp-_0; POP; LINE_INC";
        QTest::newRow("nested temporaries") << "[1, 2][[3][0]];"
            << "PUSH_ONE; PUSH_TWO; MAKE_ROW 2; STORE *-tmp-_0; PUSH_CONST8 3; MAKE_ROW 1; STORE *-tmp-_1; "
               "PUSH_ZERO; INDEX1; CLEAR_VAR *-tmp-_1; INDEX1; CLEAR_VAR *-tmp-_0; POP; LINE_INC";
        QTest::newRow("increments") << "++x; --a[1]; ++a[1, 2];"
            << "INC_VAR x; PUSH_VAR x; POP; PUSH_ONE; DEC_INDEX1 a; POP; PUSH_ONE; PUSH_TWO; INC_INDEX2 a; POP; LINE_INC";
        QTest::newRow("increment prints") << "++x" << "INC_VAR x; PUSH_VAR x; LINE_INC; PRINT_VAR x; POP";
        QTest::newRow("precedence") << "-a^2 + #b * c';"
            << "PUSH_VAR a; NEG; PUSH_TWO; POW; PUSH_VAR b; SIZE; PUSH_VAR c; TRANSPOSE; MUL; ADD; POP; LINE_INC";
        QTest::newRow("and binds tighter") << "1 | 0 & 0;" << "PUSH_ONE; PUSH_ZERO; PUSH_ZERO; AND; OR; POP; LINE_INC";
        QTest::newRow("range with step") << "1:2:5;" << "PUSH_ONE; PUSH_TWO; PUSH_CONST8 5; RANGE_STEP; POP; LINE_INC";
        QTest::newRow("constants") << "true; false; pi;" << "PUSH_TRUE; POP; PUSH_FALSE; POP; PUSH_PI; POP; LINE_INC";
        QTest::newRow("call") << "f(1, 2, 3);" << "PUSH_ONE; PUSH_TWO; PUSH_CONST8 3; CALL f 3; POP; LINE_INC";
        QTest::newRow("command words") << "ls -l *.txt"
            << "PUSH_CONST8 \"-l\"; PUSH_CONST8 \"*.txt\"; CALL ls 2; LINE_INC; STORE ans; PRINT_VAR ans; POP";
        QTest::newRow("statement command") << "clc" << "CALL clc 0; LINE_INC";
        QTest::newRow("pipeline") << "ls | grep abc;"
            << "CALL ls 0; PUSH_CONST8 \"abc\"; CALL grep 2; POP; LINE_INC";
        QTest::newRow("dollar arguments") << "ls $x $(1+2) \"s\";"
            << "PUSH_VAR x; PUSH_ONE; PUSH_TWO; ADD; PUSH_CONST8 \"s\"; CALL ls 3; POP; LINE_INC";
        QTest::newRow("pipe name in call syntax") << "cd(x);" << "PUSH_VAR x; CALL cd 1; POP; LINE_INC";
        QTest::newRow("if else") << "if (a) b = 1; else b = 2;"
            << "PUSH_VAR a; JUMP_IF_FALSE @14; PUSH_ONE; STORE b; POP; JUMP @22; LINE_SET16 1; PUSH_TWO; STORE b; POP; "
               "LINE_SET16 2";
        QTest::newRow("while break") << "while (1) { break; }"
            << "LINE_SET16 1; PUSH_ONE; JUMP_IF_FALSE @13; JUMP @13; JUMP @0; LINE_SET16 2";
        QTest::newRow("do while") << "do x = 1; while (x < 3)"
            << "LINE_SET16 1; PUSH_ONE; STORE x; POP; PUSH_VAR x; PUSH_CONST8 3; LT; JUMP_IF_TRUE @0; LINE_SET16 2";
        QTest::newRow("do continue goes to the condition") << "do { continue; } while (0)"
            << "LINE_SET16 1; JUMP @6; PUSH_ZERO; JUMP_IF_TRUE @0; LINE_SET16 2";
        QTest::newRow("for in") << "for (x in v) y = x;"
            << "PUSH_VAR v; FOR_BEGIN x; LINE_SET16 1; FOR_NEXT @22; PUSH_VAR x; STORE y; POP; JUMP @6; LINE_SET16 2";
        QTest::newRow("for in indexed") << "for (x, k in v) { continue; }"
            << "PUSH_VAR v; FOR_BEGIN_INDEXED x k; LINE_SET16 1; FOR_NEXT_INDEXED @20; JUMP @8; JUMP @8; LINE_SET16 2";
        // The step is moved behind the body; continue lands on it.
        QTest::newRow("c for") << "for (i = 0; i < 3; i += 1) { continue; }"
            << "PUSH_ZERO; STORE i; POP; LINE_SET16 1; PUSH_VAR i; PUSH_CONST8 3; LT; JUMP_IF_FALSE @32; JUMP @20; "
               "PUSH_VAR i; PUSH_ONE; ADD; STORE i; POP; JUMP @5; LINE_SET16 2";
        QTest::newRow("switch chain") << "switch (k) { case 1: x = 1; case 2, 3: x = 2; default: x = 0; }"
            << "PUSH_VAR k; LINE_SET16 1; DUP; PUSH_ONE; EQ; JUMP_IF_FALSE @20; PUSH_ONE; STORE x; POP; JUMP @52; "
               "LINE_SET16 1; DUP; PUSH_TWO; EQ; JUMP_IF_TRUE @36; DUP; PUSH_CONST8 3; EQ; JUMP_IF_FALSE @44; "
               "PUSH_TWO; STORE x; POP; JUMP @52; LINE_SET16 1; PUSH_ZERO; STORE x; POP; POP; LINE_SET16 2";
        QTest::newRow("switch without default") << "switch (k) { case 1: ; }"
            << "PUSH_VAR k; LINE_SET16 1; DUP; PUSH_ONE; EQ; JUMP_IF_FALSE @12; POP; LINE_SET16 2";
        QTest::newRow("blank lines") << "x = 1\n\n\ny = 2"
            << "PUSH_ONE; STORE x; LINE_INC; PRINT_VAR x; POP; LINE_ADD2; PUSH_TWO; STORE y; LINE_INC; PRINT_VAR y; POP";
        QTest::newRow("comment line end") << "x = 1 // note\ny = 2;"
            << "PUSH_ONE; STORE x; LINE_INC; PRINT_VAR x; POP; PUSH_TWO; STORE y; POP; LINE_INC";
        QTest::newRow("advance tops out at five") << "\n\n\n\n\n\nx;"
            << "LINE_ADD5; LINE_INC; PUSH_VAR x; POP; LINE_INC";
        QTest::newRow("function emits nothing") << "function f(a, b) { return a + b; }" << "LINE_SET16 2";
    }
    void listings()
    {
        QFETCH(QString, source);
        QFETCH(QString, listing);
        Script script;
        const ParseResult r = compileSubmission(script, source.toLatin1());
        QCOMPARE(int(r.outcome), int(ParseResult::ACCEPTED));
        QCOMPARE(disassembleCompact(script), listing);
        QCOMPARE(OutputList::instance().count(), 0);
    }

    void constantCache()
    {
        Script script;
        QVERIFY(compileSubmission(script, "7; 7; 8; 7;").accepted());
        // The one-entry cache shares consecutive equal constants only.
        QCOMPARE(script.constantCount(), 3);
        QVERIFY(compileSubmission(script, "0; 1; 2;").accepted());
        QCOMPARE(script.constantCount(), 0);
    }

    void functionDefinition()
    {
        Script script;
        QVERIFY(compileSubmission(script, "function f(a, b)\n{\n  return a + b;\n}").accepted());
        QCOMPARE(script.definedFunctions().size(), size_t(1));
        FunctionInfo *info = script.localFunction(script.definedFunctions()[0]);
        QVERIFY(info);
        QCOMPARE(info->name.toQString(), QStringLiteral("f"));
        QCOMPARE(info->parameterCount, 2);
        QVERIFY(info->script);
        QCOMPARE(info->script->parent(), &script);
        QVERIFY(info->script->insideFunction());
        QCOMPARE(info->script->symbols().name(0), QStringLiteral("a"));
        QCOMPARE(info->script->symbols().name(1), QStringLiteral("b"));
        QCOMPARE(info->symbolCount, 2);
        QCOMPARE(disassembleCompact(*info->script),
                 QStringLiteral("LINE_SET16 3; POP; PUSH_VAR a; PUSH_VAR b; ADD; HALT; LINE_INC"));
        // A redefinition replaces the body; the list keeps one entry.
        QVERIFY(compileSubmission(script, "function f() { return 1; }").accepted());
        QCOMPARE(script.definedFunctions().size(), size_t(1));
        QCOMPARE(script.localFunction(script.definedFunctions()[0])->parameterCount, 0);
    }

    void repeatedParameter()
    {
        Script script;
        QVERIFY(compileSubmission(script, "function h(a, a) { }").accepted());
        FunctionInfo *info = script.localFunction(script.definedFunctions()[0]);
        QCOMPARE(info->parameterCount, 2);
        QCOMPARE(info->script->symbols().size(), 1);
    }

    void nestedFunction()
    {
        Script script;
        QVERIFY(compileSubmission(script, "function outer() { function inner() { return 2; } return inner(); }").accepted());
        FunctionInfo *outer = script.localFunction(script.definedFunctions()[0]);
        QCOMPARE(outer->script->definedFunctions().size(), size_t(1));
        FunctionInfo *inner = outer->script->localFunction(outer->script->definedFunctions()[0]);
        QCOMPARE(inner->script->parent(), outer->script.get());
    }

    void workspacePersists()
    {
        Script script;
        QVERIFY(compileSubmission(script, "x = 1;").accepted());
        QVERIFY(compileSubmission(script, "y = x;").accepted());
        QCOMPARE(script.symbols().indexOf("x"), 0);
        QCOMPARE(script.symbols().indexOf("y"), 1);
        QCOMPARE(disassembleCompact(script), QStringLiteral("PUSH_VAR x; STORE y; POP; LINE_INC"));
    }

    void scriptFileNoContinuation()
    {
        Script script(QStringLiteral("/tmp/s.l"));
        const ParseResult r = compileScriptText(script, "x = 1;\nif (x) {\n");
        QCOMPARE(int(r.outcome), int(ParseResult::ERROR));
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(OutputList::instance().at(0).report.path, QStringLiteral("/tmp/s.l"));
    }

    void tooManyArguments()
    {
        Script script;
        QByteArray text = "f(1";
        for (int i = 0; i < 255; ++i)
            text += ",1";
        QVERIFY(!compileSubmission(script, text + ");").accepted());
        QCOMPARE(OutputList::instance().at(0).report.name, QStringLiteral("param count limit exceed, max 255"));
        OutputList::instance().clear();
        Script other;
        QByteArray ok = "f(1";
        for (int i = 0; i < 254; ++i)
            ok += ",1";
        QVERIFY(compileSubmission(other, ok + ");").accepted());
    }

    void longJumpIsAnError()
    {
        Script script;
        QByteArray body;
        for (int i = 0; i < 8000; ++i)
            body += "x = y;"; // 7 bytes each
        QVERIFY(!compileSubmission(script, "while (1) {" + body + "}").accepted());
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(OutputList::instance().at(0).report.name, QStringLiteral("Value too big"));
    }
};

QTEST_GUILESS_MAIN(TestCompiler)
#include "test_compiler.moc"
