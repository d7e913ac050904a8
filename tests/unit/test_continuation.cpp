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

    // An empty prompt: the text is a complete statement.
    void incomplete_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("statement");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("while") << "while (x < 3)" << int(WHILE_STATEMENT) << "while > ";
        QTest::newRow("for") << "for (i = 0; i < 3; i += 1)" << int(FOR_STATEMENT) << "for > ";
        QTest::newRow("switch block") << "switch (k) {" << int(COMPOUND_STATEMENT) << "block > ";
        QTest::newRow("do in one line") << "do x = 1; while (x < 3)" << 0 << "";
        QTest::newRow("if alone is complete") << "if (x > 0) y = 1;" << 0 << "";
    }
    void incomplete()
    {
        QFETCH(QString, source);
        QFETCH(int, statement);
        QFETCH(QString, prompt);
        Script script;
        const ParseResult r = compileSubmission(script, source.toLatin1());
        QCOMPARE(OutputList::instance().count(), 0);
        if (prompt.isEmpty()) {
            QVERIFY(r.accepted());
            return;
        }
        QCOMPARE(int(r.outcome), int(ParseResult::INCOMPLETE));
        QCOMPARE(int(r.statement), statement);
        QCOMPARE(statementPrompt(r.statement), prompt);
    }

    void errors_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("token");
        QTest::addColumn<int>("line");
        QTest::newRow("incomplete for header") << "for (i = 0; i < 3;" << "" << "" << 1;
        QTest::newRow("power not associative") << "2^3^2" << "" << "^" << 1;
        QTest::newRow("range not associative") << "1:2:3:4" << "" << ":" << 1;
        QTest::newRow("andand") << "a && b" << "" << "&&" << 1;
        QTest::newRow("oror") << "a || b" << "" << "||" << 1;
        QTest::newRow("postfix increment") << "a++" << "" << "++" << 1;
        QTest::newRow("blank separated elements") << "[1 2]" << "" << "2" << 1;
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

    // Nesting as deep as a submission can hold compiles; a parser stack
    // that runs out (only a longer script file can) is a syntax error, never
    // an open statement waiting for more lines.
    void deepNesting_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("outcome");
        const QString ifs = QStringLiteral("if (1) {").repeated(900) + QStringLiteral("x = 1;") + QStringLiteral("}").repeated(900);
        QTest::newRow("250 blocks") << QStringLiteral("{").repeated(250) + QStringLiteral("}").repeated(250) << int(ParseResult::ACCEPTED);
        QTest::newRow("900 ifs on one line") << ifs << int(ParseResult::ACCEPTED);
        QTest::newRow("matrices") << QStringLiteral("[").repeated(400) + "1" + QStringLiteral("]").repeated(400) << int(ParseResult::ACCEPTED);
        QTest::newRow("braces filling a submission") << QStringLiteral("{").repeated(8194) << int(ParseResult::INCOMPLETE);
        QTest::newRow("unclosed ifs") << QStringLiteral("if (1) {").repeated(900) << int(ParseResult::INCOMPLETE);
    }
    void deepNesting()
    {
        QFETCH(QString, source);
        QFETCH(int, outcome);
        Script script;
        QCOMPARE(int(compileSubmission(script, source.toLatin1()).outcome), outcome);
        QCOMPARE(OutputList::instance().count(), 0);
    }

    void exhaustedStackIsSyntaxError()
    {
        Script script;
        const ParseResult r = compileSubmission(script, QByteArray(30000, '{'));
        QCOMPARE(int(r.outcome), int(ParseResult::ERROR));
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(OutputList::instance().at(0).report.code, quint32(0x312));
    }

    void escapeWarningKeepsValid()
    {
        Script script;
        QVERIFY(compileSubmission(script, "x = \"a\\qb\";").accepted());
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(OutputList::instance().at(0).report.code, quint32(0xE0B));
        QCOMPARE(script.constant(0).getString().toQString(), QStringLiteral("a\\qb"));
    }
};

QTEST_GUILESS_MAIN(TestContinuation)
#include "test_continuation.moc"
