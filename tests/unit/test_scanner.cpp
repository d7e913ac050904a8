#include "language/compiler.h"
#include "language/lex_context.h"
#include "language/script.h"
#include "values/output_list.h"

#include "grammar.h"

#include <QtTest>

namespace {

QString tokenName(int t)
{
    switch (t) {
    case TOK_IDENTIFIER: return "ID";
    case TOK_NUMBER: return "NUM";
    case TOK_STRING: return "STR";
    case TOK_NEWLINE: return "NL";
    case TOK_WORD: return "WORD";
    case TOK_COMMAND: return "CMD";
    case TOK_STATEMENT_COMMAND: return "SCMD";
    case TOK_NAME_ERROR: return "NAME_ERROR";
    case TOK_BAD_CHARACTER: return "BAD";
    case TOK_END: return "end";
    case TOK_PI: return "pi";
    case TOK_EMUL_ASSIGN: return ".*=";
    case TOK_ANDAND: return "&&";
    case TOK_OROR: return "||";
    case TOK_EQ: return "==";
    default: break;
    }
    return t < 256 ? QString(QChar(t)) : QString::number(t);
}

// Scans a text with newlines significant (as inside an expression statement)
// and lists the tokens with the text of NUMBER, IDENTIFIER, WORD and STRING.
QString scan(const QByteArray &source, bool newlinesIgnored = false, QByteArray *lastString = nullptr)
{
    Script script;
    Compiler compiler(&script);
    compiler.setNewlinesIgnored(newlinesIgnored);
    LexContext ctx(&compiler);
    QByteArray buffer = source + '\n';
    numlyraLexBegin(&ctx, buffer.constData(), int(buffer.size()));
    QStringList out;
    for (int i = 0; i < 100; ++i) {
        const int t = numlyraLex(&ctx);
        if (t == 0)
            break;
        QString s = tokenName(t);
        if (t == TOK_NUMBER || t == TOK_IDENTIFIER || t == TOK_WORD)
            s += ':' + QString::fromLatin1(ctx.tokenText);
        if (t == TOK_STRING) {
            s += ':' + QString::fromLatin1(ctx.stringBuffer, ctx.stringLength);
            if (lastString)
                *lastString = QByteArray(ctx.stringBuffer, ctx.stringLength);
        }
        out << s;
    }
    numlyraLexEnd(&ctx);
    return out.join(' ');
}

} // namespace

class TestScanner : public QObject {
    Q_OBJECT

private slots:
    void init() { OutputList::instance().clear(); }

    void tokens_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("tokens");
        QTest::newRow("bad point") << QByteArray("a.b") << "ID:a BAD NL";
        QTest::newRow("double point") << QByteArray("1..2") << "NUM:1 BAD NL";
        QTest::newRow("trailing point") << QByteArray("1.") << "NUM:1 BAD NL";
        QTest::newRow("numbers") << QByteArray("12 1.5 .5 1e5 1.5e-3 00012") << "NUM:12 NUM:1.5 NUM:.5 NUM:1e5 NUM:1.5e-3 NUM:00012 NL";
        QTest::newRow("capital exponent") << QByteArray("1E5") << "NUM:1 ID:E5 NL";
        QTest::newRow("bare exponent") << QByteArray("1e") << "NUM:1 ID:e NL";
        QTest::newRow("hex") << QByteArray("0x1F") << "NUM:0 ID:x1F NL";
        QTest::newRow("imaginary") << QByteArray("1i") << "NUM:1 ID:i NL";
        QTest::newRow("keywords exact") << QByteArray("end endx pi pix If") << "end ID:endx pi ID:pix ID:If NL";
        QTest::newRow("longest operator") << QByteArray("a.*=b==c") << "ID:a .*= ID:b == ID:c NL";
        QTest::newRow("andand oror") << QByteArray("a&&b||c") << "ID:a && ID:b || ID:c NL";
        QTest::newRow("block comments") << QByteArray("1/**/2/*x*/3/*x**/4") << "NUM:1 NUM:2 NUM:3 NUM:4 NL";
        QTest::newRow("unclosed block comment") << QByteArray("1/*2") << "NUM:1 / * NUM:2 NL";
        QTest::newRow("statement command") << QByteArray("clc") << "SCMD NL";
        QTest::newRow("word characters") << QByteArray("cp a=b a,b\tc 'q'") << "CMD WORD:a=b WORD:a,b\tc WORD:'q' NL";
        QTest::newRow("comment in arguments") << QByteArray("ls a//b //c d") << "CMD WORD:a//b NL";
        QTest::newRow("call syntax with blank") << QByteArray("cd (x)") << "ID:cd ( ID:x ) NL";
        QTest::newRow("dollar expression") << QByteArray("ls $(a + 1) y") << "CMD $ ( ID:a + NUM:1 ) WORD:y NL";
        QTest::newRow("string escapes") << QByteArray("\"\\\"\\'\\?\\\\\\t\"") << "STR:\"'?\\\t NL";
        QTest::newRow("bytes above 126") << QByteArray("x\xe9") << "ID:x BAD NL";
        QTest::newRow("zero byte ends the text") << QByteArray("x\0y", 3) << "ID:x";
    }
    void tokens()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, tokens);
        QCOMPARE(scan(source), tokens);
    }

    void ignoredNewlines()
    {
        QCOMPARE(scan("a\nb", true), QStringLiteral("ID:a ID:b"));
        // Command arguments end at the line end whatever the flag says.
        QCOMPARE(scan("ls x\ny", true), QStringLiteral("CMD WORD:x NL ID:y"));
    }

    void identifierLength()
    {
        QCOMPARE(scan(QByteArray(80, 'a')), QStringLiteral("ID:") + QString(80, 'a') + " NL");
        QCOMPARE(OutputList::instance().count(), 0);
        QCOMPARE(scan(QByteArray(81, 'a')), QStringLiteral("NAME_ERROR NL"));
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(OutputList::instance().at(0).report.name,
                 QStringLiteral("identificator name is too long, max 80 symbols"));
    }

    void stringLimit_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("4095 plain") << QByteArray(4095, 'x') << true;
        QTest::newRow("4096 plain") << QByteArray(4096, 'x') << false;
        QTest::newRow("4094 and escape") << QByteArray(4094, 'x') + "\\n" << true;
        QTest::newRow("4095 and escape") << QByteArray(4095, 'x') + "\\n" << false;
        QTest::newRow("4093 and unknown escape") << QByteArray(4093, 'x') + "\\q" << true;
        QTest::newRow("4094 and unknown escape") << QByteArray(4094, 'x') + "\\q" << false;
    }
    void stringLimit()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, accepted);
        QByteArray text;
        const QString tokens = scan('"' + body + '"', false, &text);
        QCOMPARE(tokens.startsWith("STR:"), accepted);
        if (accepted)
            QCOMPARE(text.size(), body.endsWith("\\q") ? body.size() : body.endsWith("\\n") ? body.size() - 1 : body.size());
        else
            QCOMPARE(OutputList::instance().at(0).report.name, QStringLiteral("string is too big"));
    }
};

QTEST_GUILESS_MAIN(TestScanner)
#include "test_scanner.moc"
