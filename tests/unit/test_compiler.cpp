#include "language/function.h"
#include "language/parser_interface.h"
#include "language/script.h"
#include "values/output_list.h"
#include "vm/disassembler.h"

#include <QtTest>

// Listings are compared in the compact form of the disassembler: names for
// ids, values for constants, "@offset" for jump targets. Only what the
// golden scripts cannot tell from behaviour: emission order, temporaries,
// line records and the layout of loops and switches.
class TestCompiler : public QObject {
    Q_OBJECT

private slots:
    void init() { OutputList::instance().clear(); }

    void listings_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("listing");
        QTest::newRow("chain prints most recent first") << "y = x = 5"
            << "PUSH_CONST8 5; STORE x; STORE y; LINE_INC; PRINT_VAR y; PRINT_VAR x; POP";
        QTest::newRow("matrix over lines") << "[1,\n2];" << "PUSH_ONE; LINE_INC; PUSH_TWO; MAKE_ROW 2; POP; LINE_INC";
        QTest::newRow("compound element 2") << "a[0, 1] .*= 2;"
            << "PUSH_ZERO; PUSH_ONE; DUP2; INDEX2_VAR a; PUSH_TWO; EMUL; ASSIGN_INDEX2 a; POP; LINE_INC";
        QTest::newRow("computed value") << "f(x)[0];"
            << "PUSH_VAR x; CALL f 1; STORE *-tmp-_0; PUSH_ZERO; INDEX1; CLEAR_VAR *-tmp-_0; POP; LINE_INC";
        QTest::newRow("nested temporaries") << "[1, 2][[3][0]];"
            << "PUSH_ONE; PUSH_TWO; MAKE_ROW 2; STORE *-tmp-_0; PUSH_CONST8 3; MAKE_ROW 1; STORE *-tmp-_1; "
               "PUSH_ZERO; INDEX1; CLEAR_VAR *-tmp-_1; INDEX1; CLEAR_VAR *-tmp-_0; POP; LINE_INC";
        QTest::newRow("precedence") << "-a^2 + #b * c';"
            << "PUSH_VAR a; NEG; PUSH_TWO; POW; PUSH_VAR b; SIZE; PUSH_VAR c; TRANSPOSE; MUL; ADD; POP; LINE_INC";
        QTest::newRow("do continue goes to the condition") << "do { continue; } while (0)"
            << "LINE_SET16 1; JUMP @6; PUSH_ZERO; JUMP_IF_TRUE @0; LINE_SET16 2";
        // The step is moved behind the body; continue lands on it.
        QTest::newRow("c for") << "for (i = 0; i < 3; i += 1) { continue; }"
            << "PUSH_ZERO; STORE i; POP; LINE_SET16 1; PUSH_VAR i; PUSH_CONST8 3; LT; JUMP_IF_FALSE @32; JUMP @20; "
               "PUSH_VAR i; PUSH_ONE; ADD; STORE i; POP; JUMP @5; LINE_SET16 2";
        QTest::newRow("switch chain") << "switch (k) { case 1: x = 1; case 2, 3: x = 2; default: x = 0; }"
            << "PUSH_VAR k; LINE_SET16 1; DUP; PUSH_ONE; EQ; JUMP_IF_FALSE @20; PUSH_ONE; STORE x; POP; JUMP @52; "
               "LINE_SET16 1; DUP; PUSH_TWO; EQ; JUMP_IF_TRUE @36; DUP; PUSH_CONST8 3; EQ; JUMP_IF_FALSE @44; "
               "PUSH_TWO; STORE x; POP; JUMP @52; LINE_SET16 1; PUSH_ZERO; STORE x; POP; POP; LINE_SET16 2";
        QTest::newRow("blank lines") << "x = 1\n\n\ny = 2"
            << "PUSH_ONE; STORE x; LINE_INC; PRINT_VAR x; POP; LINE_ADD2; PUSH_TWO; STORE y; LINE_INC; PRINT_VAR y; POP";
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

    // A repeated parameter is one local in two slots.
    void repeatedParameter()
    {
        Script script;
        QVERIFY(compileSubmission(script, "function h(a, a) { }").accepted());
        FunctionInfo *info = script.localFunction(script.definedFunctions()[0]);
        QCOMPARE(info->parameterCount, 2);
        QCOMPARE(info->script->symbols().size(), 1);
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

    // A call takes at most 255 arguments.
    void argumentLimit()
    {
        const auto call = [](int arguments) {
            QByteArray text = "f(1";
            for (int i = 1; i < arguments; ++i)
                text += ",1";
            return text + ");";
        };
        Script fits, tooMany;
        QVERIFY(compileSubmission(fits, call(255)).accepted());
        QVERIFY(!compileSubmission(tooMany, call(256)).accepted());
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(OutputList::instance().at(0).report.name, QStringLiteral("param count limit exceed, max 255"));
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

    // Element and row counts travel in 16 bits; a script file has no
    // command length limit to stop a longer literal before the compiler.
    void literalLimits_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("longest row") << 65534 << 1 << true;
        QTest::newRow("row too long") << 65535 << 1 << false;
        QTest::newRow("row too long before a separator") << 65535 << 2 << false;
        QTest::newRow("most rows") << 1 << 65534 << true;
        QTest::newRow("too many rows") << 1 << 65535 << false;
    }
    void literalLimits()
    {
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(bool, accepted);
        QByteArray row = "1";
        for (int i = 1; i < columns; ++i)
            row += ",1";
        QByteArray text = "x = [" + row;
        for (int i = 1; i < rows; ++i)
            text += ";" + row;
        Script script;
        QCOMPARE(compileSubmission(script, text + "];").accepted(), accepted);
        QCOMPARE(OutputList::instance().count(), accepted ? 0 : 1);
        if (!accepted)
            QCOMPARE(OutputList::instance().at(0).report.name, QStringLiteral("Value too big"));
    }
};

QTEST_GUILESS_MAIN(TestCompiler)
#include "test_compiler.moc"
