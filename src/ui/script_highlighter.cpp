#include "ui/script_highlighter.h"

#include "language/keywords.h"
#include "library/function_registry.h"

#include <QPalette>
#include <QSet>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

struct WordSets {
    QSet<QString> keywords;
    QSet<QString> commands;
    QSet<QString> natives;
};

const WordSets &wordSets()
{
    static const WordSets sets = [] {
        WordSets s;
        FunctionRegistry &registry = FunctionRegistry::instance();
        registry.registerNatives();
        for (const QString &word : keywordNames())
            s.keywords.insert(word);
        for (const QString &word : registry.commandWords())
            s.commands.insert(word);
        for (const QString &word : registry.nativeNames())
            s.natives.insert(word);
        return s;
    }();
    return sets;
}

bool isNameStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || (c >= u'0' && c <= u'9');
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Walks one line with the scanner's start conditions: ordinary tokens,
// command words with their bare-word arguments, `$` before a name or a
// parenthesis inside the arguments, and the context stack that brings a
// closing parenthesis back to the arguments.
class LineScanner {
public:
    explicit LineScanner(const QString &line)
        : _line(line)
        , _classes(line.size(), ScriptHighlighter::PLAIN_CLASS)
    {
    }

    QList<ScriptHighlighter::TokenClass> run()
    {
        while (_pos < _line.size()) {
            if (_mode == COMMAND_MODE)
                scanArgument();
            else
                scanToken();
        }
        return _classes;
    }

private:
    enum Mode { INITIAL_MODE, COMMAND_MODE, DOLLAR_MODE };
    struct Context {
        bool arguments;
        int braces;
    };

    QChar at(qsizetype i) const { return i < _line.size() ? _line.at(i) : QChar(); }

    void mark(qsizetype from, qsizetype to, ScriptHighlighter::TokenClass tokenClass)
    {
        for (qsizetype i = from; i < to && i < _classes.size(); ++i)
            _classes[i] = tokenClass;
    }

    void scanToken()
    {
        const QChar c = at(_pos);
        if (c == u' ' || c == u'\t') {
            ++_pos;
        } else if (c == u'/' && at(_pos + 1) == u'/') {
            mark(_pos, _line.size(), ScriptHighlighter::COMMENT_CLASS);
            _pos = _line.size();
        } else if (c == u'/' && at(_pos + 1) == u'*' && blockComment()) {
        } else if (c == u'"') {
            string();
        } else if (isDigit(c) || (c == u'.' && isDigit(at(_pos + 1)))) {
            number();
        } else if (isNameStart(c)) {
            name();
        } else if (c == u'(') {
            if (_mode == DOLLAR_MODE)
                _mode = INITIAL_MODE;
            _contexts.push_back({false, 1});
            ++_pos;
        } else if (c == u')') {
            closeParenthesis();
            ++_pos;
        } else {
            ++_pos;
        }
    }

    // The scanner's block comments end on their own line; an unclosed one
    // is a slash and a star.
    bool blockComment()
    {
        const qsizetype end = _line.indexOf(QLatin1String("*/"), _pos + 2);
        if (end < 0)
            return false;
        mark(_pos, end + 2, ScriptHighlighter::COMMENT_CLASS);
        _pos = end + 2;
        return true;
    }

    void string()
    {
        const qsizetype start = _pos++;
        while (_pos < _line.size() && at(_pos) != u'"')
            _pos += at(_pos) == u'\\' ? 2 : 1;
        _pos = std::min(_pos + 1, _line.size());
        mark(start, _pos, ScriptHighlighter::STRING_CLASS);
    }

    // Digits, an optional fraction and an optional lower-case exponent:
    // `1.5e-3` is one number, `1E5` a number and a name.
    void number()
    {
        const qsizetype start = _pos;
        while (isDigit(at(_pos)))
            ++_pos;
        if (at(_pos) == u'.' && isDigit(at(_pos + 1))) {
            ++_pos;
            while (isDigit(at(_pos)))
                ++_pos;
        }
        if (at(_pos) == u'e') {
            qsizetype e = _pos + 1;
            if (at(e) == u'+' || at(e) == u'-')
                ++e;
            if (isDigit(at(e))) {
                while (isDigit(at(e)))
                    ++e;
                _pos = e;
            }
        }
        mark(start, _pos, ScriptHighlighter::NUMBER_CLASS);
    }

    void name()
    {
        const qsizetype start = _pos;
        while (isNameChar(at(_pos)))
            ++_pos;
        const QString word = _line.mid(start, _pos - start);
        const WordSets &sets = wordSets();
        if (sets.keywords.contains(word)) {
            mark(start, _pos, ScriptHighlighter::KEYWORD_CLASS);
            _afterFunction = word == QLatin1String("function");
            return;
        }
        const bool afterFunction = std::exchange(_afterFunction, false);
        const bool native = sets.natives.contains(word);
        if (!sets.commands.contains(word)) {
            if (_mode == DOLLAR_MODE)
                _mode = COMMAND_MODE;
            mark(start, _pos, native ? ScriptHighlighter::NATIVE_CLASS : ScriptHighlighter::PLAIN_CLASS);
            return;
        }
        if (_mode == DOLLAR_MODE) {
            _contexts.clear();
            _mode = INITIAL_MODE;
            mark(start, _pos, ScriptHighlighter::COMMAND_CLASS);
            return;
        }
        qsizetype next = _pos;
        while (at(next) == u' ' || at(next) == u'\t')
            ++next;
        if (afterFunction || at(next) == u'(') {
            // Call syntax: a value command is an ordinary native call.
            const bool call = !afterFunction && FunctionRegistry::instance().isValueCommand(word);
            mark(start, _pos, call ? ScriptHighlighter::NATIVE_CLASS : ScriptHighlighter::COMMAND_CLASS);
            return;
        }
        mark(start, _pos, ScriptHighlighter::COMMAND_CLASS);
        if (!_contexts.empty())
            _contexts.pop_back();
        _contexts.push_back({true, 0});
        _mode = COMMAND_MODE;
    }

    void closeParenthesis()
    {
        if (_contexts.empty())
            return;
        if (_contexts.back().arguments) {
            _contexts.clear();
            _mode = INITIAL_MODE;
            return;
        }
        if (--_contexts.back().braces > 0)
            return;
        _contexts.pop_back();
        if (!_contexts.empty())
            _mode = _contexts.back().arguments ? COMMAND_MODE : INITIAL_MODE;
    }

    // Bare words up to `;`, `|` or the end of the line.
    void scanArgument()
    {
        const QChar c = at(_pos);
        if (c == u' ') {
            ++_pos;
        } else if (c == u'/' && at(_pos + 1) == u'/') {
            mark(_pos, _line.size(), ScriptHighlighter::COMMENT_CLASS);
            _pos = _line.size();
        } else if (c == u'"') {
            string();
        } else if (c == u'$') {
            _mode = DOLLAR_MODE;
            ++_pos;
        } else if (c == u'(') {
            _contexts.push_back({false, 1});
            ++_pos;
        } else if (c == u')') {
            if (!_contexts.empty())
                _contexts.pop_back();
            _mode = !_contexts.empty() && _contexts.back().arguments ? COMMAND_MODE : INITIAL_MODE;
            ++_pos;
        } else if (c == u';' || c == u'|') {
            if (c == u';' && !_contexts.empty())
                _contexts.pop_back();
            _mode = INITIAL_MODE;
            ++_pos;
        } else {
            while (_pos < _line.size() && !QStringLiteral(" \"$();|").contains(at(_pos)))
                ++_pos;
        }
    }

    const QString &_line;
    QList<ScriptHighlighter::TokenClass> _classes;
    qsizetype _pos = 0;
    Mode _mode = INITIAL_MODE;
    std::vector<Context> _contexts;
    bool _afterFunction = false;
};

QColor blend(const QColor &a, const QColor &b, double weight)
{
    return QColor::fromRgbF(float(a.redF() * weight + b.redF() * (1 - weight)),
                            float(a.greenF() * weight + b.greenF() * (1 - weight)),
                            float(a.blueF() * weight + b.blueF() * (1 - weight)));
}

} // namespace

ScriptHighlighter::ScriptHighlighter(const QPalette &palette, QTextDocument *document)
    : QSyntaxHighlighter(document)
{
    setPalette(palette);
}

QList<ScriptHighlighter::TokenClass> ScriptHighlighter::classify(const QString &line)
{
    return LineScanner(line).run();
}

void ScriptHighlighter::setPalette(const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const bool dark = base.lightness() < 128;
    // One hue per class; lightness and saturation follow the background.
    const auto tone = [dark](int hue) { return QColor::fromHsl(hue, dark ? 150 : 190, dark ? 175 : 80); };
    for (QTextCharFormat &format : _formats)
        format = QTextCharFormat();
    _formats[KEYWORD_CLASS].setForeground(tone(220));
    _formats[KEYWORD_CLASS].setFontWeight(QFont::Bold);
    _formats[COMMAND_CLASS].setForeground(tone(285));
    _formats[COMMAND_CLASS].setFontWeight(QFont::Bold);
    _formats[NATIVE_CLASS].setForeground(tone(185));
    _formats[NUMBER_CLASS].setForeground(tone(25));
    _formats[STRING_CLASS].setForeground(tone(115));
    _formats[COMMENT_CLASS].setForeground(blend(text, base, 0.55));
    _formats[COMMENT_CLASS].setFontItalic(true);
    rehighlight();
}

void ScriptHighlighter::highlightBlock(const QString &text)
{
    const QList<TokenClass> classes = classify(text);
    qsizetype start = 0;
    for (qsizetype i = 1; i <= classes.size(); ++i) {
        if (i < classes.size() && classes[i] == classes[start])
            continue;
        if (classes[start] != PLAIN_CLASS)
            setFormat(int(start), int(i - start), _formats[classes[start]]);
        start = i;
    }
}
