#pragma once

#include <QList>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class QPalette;

// Colours the script language in editor pages. Lines are classified the way
// the scanner reads them: reserved words, command words (which switch the
// rest of the statement to bare words), native names, numbers, strings and
// comments. The word lists are the scanner's and the function registry's own
// tables. Strings, comments and commands end with their line, so every line
// is coloured on its own.
class ScriptHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    enum TokenClass {
        PLAIN_CLASS,
        KEYWORD_CLASS,
        COMMAND_CLASS,
        NATIVE_CLASS,
        NUMBER_CLASS,
        STRING_CLASS,
        COMMENT_CLASS,
        CLASS_COUNT
    };

    ScriptHighlighter(const QPalette &palette, QTextDocument *document);

    // The class of every character of `line`.
    static QList<TokenClass> classify(const QString &line);

    // Colours follow the editor's palette, so a dark theme stays readable.
    void setPalette(const QPalette &palette);

protected:
    void highlightBlock(const QString &text) override;

private:
    QTextCharFormat _formats[CLASS_COUNT];
};
