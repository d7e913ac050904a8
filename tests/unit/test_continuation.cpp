#include "language/parser_interface.h"
#include "language/script.h"
#include "values/output_list.h"

#include <QtTest>

// The decision after a parse: accepted, incomplete with the innermost open
// construct, or an error with exactly one report. continuation.l and
// loops.l take the common cases through numlyra-cli.
class TestContinuation : public QObject {
    Q_OBJECT

private slots:
    void init() { OutputList::instance().clear(); }

    void incomplete_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("statement");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("matrix") << "a = [1, 2," << int(VECTOR_STATEMENT) << "vector > ";
        QTest::newRow("block") << "{" << int(COMPOUND_STATEMENT) << "block > ";
        QTest::newRow("block innermost") << "if (x > 0) {\ny = 1" << int(COMPOUND_STATEMENT) << "block > ";
        QTest::newRow("while") << "while (x < 3)" << int(WHILE_STATEMENT) << "while > ";
        QTest::newRow("for") << "for (i = 0; i < 3; i += 1)" << int(FOR_STATEMENT) << "for > ";
        QTest::newRow("for in") << "for (x in v)" << int(FOR_STATEMENT) << "for > ";
        QTest::newRow("do") << "do" << int(DO_STATEMENT) << "do > ";
        QTest::newRow("if") << "if (x > 0)" << int(IF_STATEMENT) << "if > ";
        QTest::newRow("else") << "if (x > 0) y = 1; else" << int(ELSE_STATEMENT) << "else > ";
        QTest::newRow("switch") << "switch (k)" << int(SWITCH_STATEMENT) << "switch > ";
        QTest::newRow("switch block") << "switch (k) {" << int(COMPOUND_STATEMENT) << "block > ";
        QTest::newRow("function") << "function f(a)" << int(FUNCTION_STATEMENT) << "function > ";
    }
    void incomplete()
    {
        QFETCH(QString, source);
        QFETCH(int, statement);
        QFETCH(QString, prompt);
        Script script;
        const ParseResult r = compileSubmission(script, source.toLatin1());
        QCOMPARE(int(r.outcome), int(ParseResult::INCOMPLETE));
        QCOMPARE(int(r.statement), statement);
        QCOMPARE(statementPrompt(r.statement), prompt);
        QCOMPARE(OutputList::instance().count(), 0);
    }

    void completed_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("do in one line") << "do x = 1; while (x < 3)";
        QTest::newRow("if alone is complete") << "if (x > 0) y = 1;";
    }
    void completed()
    {
        QFETCH(QString, source);
        Script script;
        QVERIFY(compileSubmission(script, source.toLatin1()).accepted());
        QCOMPARE(OutputList::instance().count(), 0);
    }

    void errors_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("token");
        QTest::addColumn<int>("line");
        QTest::newRow("open parenthesis") << "x = (1 +" << "" << "\n" << 1;
        QTest::newRow("incomplete for header") << "for (i = 0; i < 3;" << "" << "" << 1;
        QTest::newRow("missing terminator before else") << "if (x) y = 1 else y = 2" << "" << "else" << 1;
        QTest::newRow("power not associative") << "2^3^2" << "" << "^" << 1;
        QTest::newRow("range not associative") << "1:2:3:4" << "" << ":" << 1;
        QTest::newRow("andand") << "a && b" << "" << "&&" << 1;
        QTest::newRow("oror") << "a || b" << "" << "||" << 1;
        QTest::newRow("postfix increment") << "a++" << "" << "++" << 1;
        QTest::newRow("blank separated elements") << "[1 2]" << "" << "2" << 1;
        QTest::newRow("lone closing brace") << "}" << "" << "}" << 1;
        QTest::newRow("command in block") << "{ clc }" << "" << "}" << 1;
        QTest::newRow("function f a") << "function f a" << "" << "a" << 1;
        QTest::newRow("error on second line") << "x = 1\ny = = 2" << "" << "=" << 2;
        QTest::newRow("error inside an open block") << "{\nx = 1 +\n" << "" << "\n" << 2;
        QTest::newRow("reserved function name") << "function ls" << "reserved command name used for function name" << "" << 1;
        QTest::newRow("reserved function name 2") << "function clc() { }" << "reserved command name used for function name" << "" << 1;
        QTest::newRow("return outside") << "return 1;" << "return not in function" << "" << 1;
        QTest::newRow("nested definition") << "if (x) { function g() { } }" << "wrong function declaration" << "" << 1;
        QTest::newRow("assign to pi") << "pi = 3" << "can't modify constant" << "" << 1;
        QTest::newRow("increment pi") << "++pi" << "can't modify constant" << "" << 1;
        QTest::newRow("assign to command") << "clear = 5" << "registered keyword in assignment" << "" << 1;
        QTest::newRow("bad character") << "a.b" << "" << "" << 1;
        QTest::newRow("carriage return") << "x = 1\r" << "" << "" << 1;
        QTest::newRow("unterminated") << "\"abc" << "unterminated string" << "" << 1;
        QTest::newRow("unterminated in block") << "{ x = \"abc\n" << "unterminated string" << "" << 1;
    }
    void errors()
    {
        QFETCH(QString, source);
        QFETCH(QString, detail);
        QFETCH(QString, token);
        QFETCH(int, line);
        Script script;
        const ParseResult r = compileSubmission(script, source.toLatin1());
        QCOMPARE(int(r.outcome), int(ParseResult::ERROR));
        QCOMPARE(OutputList::instance().count(), 1);
        const ErrorReport &report = OutputList::instance().at(0).report;
        QCOMPARE(report.code, quint32(0x312));
        QCOMPARE(report.name, detail);
        QCOMPARE(report.token, token);
        QCOMPARE(int(report.line), line);
    }

    void escapeWarningKeepsValid()
    {
        Script script;
        QVERIFY(compileSubmission(script, "x = \"a\\qb\";").accepted());
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(OutputList::instance().at(0).report.code, quint32(0xE0B));
        QCOMPARE(script.constant(0).getString().toQString(), QStringLiteral("a\\qb"));
    }

    void previousErrorDoesNotLeak()
    {
        Script script;
        QVERIFY(!compileSubmission(script, "x = (1 +").accepted());
        OutputList::instance().clear();
        QVERIFY(compileSubmission(script, "x = 1;").accepted());
        QCOMPARE(OutputList::instance().count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestContinuation)
#include "test_continuation.moc"
