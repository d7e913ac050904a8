#include "ui/script_highlighter.h"

#include <QPalette>
#include <QTest>
#include <QTextDocument>
#include <QTextLayout>

using TokenClass = ScriptHighlighter::TokenClass;
Q_DECLARE_METATYPE(ScriptHighlighter::TokenClass)

class TestScriptHighlighter : public QObject {
    Q_OBJECT

private slots:
    void classes_data();
    void classes();
    void formatsFollowPalette();
};

// Each row: a line, a column and the class the character there gets.
void TestScriptHighlighter::classes_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<TokenClass>("expected");

    const auto row = [](const char *name, const char *line, int column, TokenClass expected) {
        QTest::newRow(name) << QString::fromLatin1(line) << column << expected;
    };
    row("keyword", "if x > 1", 0, ScriptHighlighter::KEYWORD_CLASS);
    row("keyword prefix is a name", "endx = 2", 0, ScriptHighlighter::PLAIN_CLASS);
    row("upper-case keyword is a name", "If = 2", 0, ScriptHighlighter::PLAIN_CLASS);
    row("pi", "x = 2 * pi", 8, ScriptHighlighter::KEYWORD_CLASS);
    row("keyword in a string", "s = \"if x\"", 5, ScriptHighlighter::STRING_CLASS);
    row("escaped quote stays in the string", "s = \"a\\\"if\"", 8, ScriptHighlighter::STRING_CLASS);
    row("after the string", "s = \"a\" + while", 10, ScriptHighlighter::KEYWORD_CLASS);
    row("unterminated string ends with the line", "s = \"abc", 7, ScriptHighlighter::STRING_CLASS);
    row("keyword in a comment", "x = 1 // if", 9, ScriptHighlighter::COMMENT_CLASS);
    row("block comment", "/*c*/ if", 2, ScriptHighlighter::COMMENT_CLASS);
    row("after a block comment", "/*c*/ if", 6, ScriptHighlighter::KEYWORD_CLASS);
    row("unclosed block comment is a slash", "a /* for", 5, ScriptHighlighter::KEYWORD_CLASS);
    row("native", "y = sin(x)", 4, ScriptHighlighter::NATIVE_CLASS);
    row("native prefix is a name", "y = sinx", 4, ScriptHighlighter::PLAIN_CLASS);
    row("exponent sign", "z = 1.5e-3 + 2", 8, ScriptHighlighter::NUMBER_CLASS);
    row("exponent digit", "z = 1.5e-3 + 2", 9, ScriptHighlighter::NUMBER_CLASS);
    row("upper-case E starts a name", "z = 1E5", 5, ScriptHighlighter::PLAIN_CLASS);
    row("fraction without leading digit", "z = .5", 5, ScriptHighlighter::NUMBER_CLASS);
    row("digits inside a name", "x1 = 2", 1, ScriptHighlighter::PLAIN_CLASS);
    row("command word", "ls -l *.txt", 0, ScriptHighlighter::COMMAND_CLASS);
    row("command argument is a word", "ls -l *.txt", 3, ScriptHighlighter::PLAIN_CLASS);
    row("keyword as a command argument", "cd for", 3, ScriptHighlighter::PLAIN_CLASS);
    row("comment after command arguments", "edit f.l // note", 12, ScriptHighlighter::COMMENT_CLASS);
    row("statement after a command", "cd ..; if", 7, ScriptHighlighter::KEYWORD_CLASS);
    row("value command in call syntax", "p = cd(x)", 4, ScriptHighlighter::NATIVE_CLASS);
    row("statement command in call syntax", "edit (f)", 0, ScriptHighlighter::COMMAND_CLASS);
    row("dollar name in arguments", "ls $sin", 4, ScriptHighlighter::NATIVE_CLASS);
    row("expression in arguments", "ls $(1 + 2) for", 5, ScriptHighlighter::NUMBER_CLASS);
    row("arguments resume after the expression", "ls $(1 + 2) for", 12, ScriptHighlighter::PLAIN_CLASS);
}

void TestScriptHighlighter::classes()
{
    QFETCH(QString, line);
    QFETCH(int, column);
    QFETCH(TokenClass, expected);
    const QList<TokenClass> classes = ScriptHighlighter::classify(line);
    QCOMPARE(classes.size(), line.size());
    QCOMPARE(classes.at(column), expected);
}

// A dark background gets light colours: keywords stay readable.
void TestScriptHighlighter::formatsFollowPalette()
{
    for (const bool dark : {false, true}) {
        QPalette palette;
        palette.setColor(QPalette::Base, dark ? QColor(30, 30, 30) : QColor(255, 255, 255));
        palette.setColor(QPalette::Text, dark ? QColor(230, 230, 230) : QColor(0, 0, 0));
        QTextDocument document(QStringLiteral("while x"));
        ScriptHighlighter highlighter(palette, &document);
        const QList<QTextLayout::FormatRange> ranges = document.firstBlock().layout()->formats();
        QCOMPARE(ranges.size(), 1);
        QCOMPARE(ranges.first().length, 5);
        const int lightness = ranges.first().format.foreground().color().lightness();
        QVERIFY2(dark ? lightness > 140 : lightness < 110, qPrintable(QString::number(lightness)));
    }
}

QTEST_MAIN(TestScriptHighlighter)
#include "test_script_highlighter.moc"
