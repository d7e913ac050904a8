#include "language/keywords.h"

#include "grammar.h"

#include <cstring>

namespace {

struct Keyword {
    const char *text;
    int token;
};

// Exact, lower-case words: `If`, `elseif` and `pix` stay names.
const Keyword kKeywords[] = {
    {"if", TOK_IF},         {"else", TOK_ELSE},       {"while", TOK_WHILE},
    {"do", TOK_DO},         {"for", TOK_FOR},         {"in", TOK_IN},
    {"switch", TOK_SWITCH}, {"case", TOK_CASE},       {"default", TOK_DEFAULT},
    {"break", TOK_BREAK},   {"continue", TOK_CONTINUE}, {"return", TOK_RETURN},
    {"function", TOK_FUNCTION}, {"end", TOK_END},     {"true", TOK_TRUE},
    {"false", TOK_FALSE},   {"pi", TOK_PI},
};

} // namespace

int keywordToken(const char *text, int length)
{
    // Every reserved word is 2 to 8 characters long; most names are not.
    if (length < 2 || length > 8)
        return 0;
    for (const Keyword &keyword : kKeywords) {
        if (keyword.text[0] == text[0] && int(std::strlen(keyword.text)) == length
            && std::memcmp(keyword.text, text, size_t(length)) == 0)
            return keyword.token;
    }
    return 0;
}

QStringList keywordNames()
{
    QStringList names;
    for (const Keyword &keyword : kKeywords)
        names << QString::fromLatin1(keyword.text);
    return names;
}
