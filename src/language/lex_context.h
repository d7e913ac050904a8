#pragma once

#include "values/assert.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

class Compiler;

// Start conditions of the scanner, as the context stack records them.
enum LexCondition : int32_t {
    LEX_INITIAL = 0,
    LEX_COMMAND_ARGS = 1,
};

// One entry of the scanner's context stack: the condition to return to and
// the parentheses opened in this context.
struct LexState {
    int32_t condition;
    int32_t braceCount;
};

// Everything the scanner keeps during one parse. A parse owns its context,
// so a file can be compiled while another parse's state is alive.
class LexContext {
public:
    explicit LexContext(Compiler *compiler) : compiler(compiler) {}

    void push(int32_t condition) { _stateStack.push_back({condition, 0}); }
    int32_t top() const
    {
        NUMLYRA_ASSERT(!_stateStack.empty());
        return _stateStack.back().condition;
    }
    int32_t pop()
    {
        NUMLYRA_ASSERT(!_stateStack.empty());
        const int32_t c = _stateStack.back().condition;
        _stateStack.pop_back();
        return c;
    }
    void incrementBraces()
    {
        NUMLYRA_ASSERT(!_stateStack.empty());
        ++_stateStack.back().braceCount;
    }
    void decrementBraces()
    {
        NUMLYRA_ASSERT(!_stateStack.empty());
        NUMLYRA_ASSERT(_stateStack.back().braceCount > 0);
        --_stateStack.back().braceCount;
    }
    int32_t braceCount() const
    {
        NUMLYRA_ASSERT(!_stateStack.empty());
        return _stateStack.back().braceCount;
    }
    bool empty() const { return _stateStack.empty(); }
    void clear() { _stateStack.clear(); }

    Compiler *compiler;
    // Decoded text of the current string literal.
    static constexpr int kStringCapacity = 4096;
    char stringBuffer[kStringCapacity] = {};
    int stringLength = 0;
    // Text of the token just returned (for NUMBER and WORD actions and error reports).
    QByteArray tokenText;
    void *scanner = nullptr;

private:
    std::vector<LexState> _stateStack;
};

// The scanner over one buffer (text, a newline, optional zero bytes); one
// scanner per context. numlyraLex returns the next token, 0 at the end.
void numlyraLexBegin(LexContext *ctx, const char *text, int length);
void numlyraLexEnd(LexContext *ctx);
int numlyraLex(LexContext *ctx);
