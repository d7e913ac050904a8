#pragma once

#include "values/variable.h"

#include <memory>
#include <vector>

// The operand stack. Slots live in fixed-size chunks that are never freed or
// moved, so a pointer to a slot stays valid while it is on the stack and
// pushing after the deepest point has been reached once allocates nothing.
// Popping releases the popped value's payload.
class List {
public:
    List() = default;
    List(const List &) = delete;
    List &operator=(const List &) = delete;

    void push(const Variable &value) { *grow() = value; }
    void push(Variable &&value) { *grow() = std::move(value); }
    // Pushes a null value and returns its slot.
    Variable &pushSlot() { return *grow(); }

    Variable &top()
    {
        if (_size <= 0) [[unlikely]]
            emptyStackFailed();
        return *_top;
    }
    const Variable &top() const
    {
        if (_size <= 0) [[unlikely]]
            emptyStackFailed();
        return *_top;
    }
    // depth 0 is the top, 1 the entry below it, ...
    Variable &fromTop(int depth)
    {
        // Entries within the top's chunk are reached from the top pointer.
        if (unsigned(depth) <= unsigned((_size - 1) & (CHUNK - 1)) && _size > 0)
            return *(_top - depth);
        return at(_size - 1 - depth);
    }
    // position 0 is the bottom.
    Variable &at(int position);
    const Variable &at(int position) const;

    void pop()
    {
        if (_size <= 0) [[unlikely]]
            emptyStackFailed();
        _top->clear();
        --_size;
        if (_size & (CHUNK - 1))
            --_top;
        else
            _top = _size > 0 ? &_chunks[size_t((_size - 1) >> 8)][CHUNK - 1] : nullptr;
    }
    void pop(int count);
    // Releases every entry.
    void clear();

    int size() const { return _size; }
    bool isEmpty() const { return _size == 0; }
    // Slots allocated so far (for tests of slot reuse).
    int capacity() const { return int(_chunks.size()) * CHUNK; }

private:
    static constexpr int CHUNK = 256;
    static_assert((CHUNK & (CHUNK - 1)) == 0 && CHUNK == 1 << 8, "slot addressing shifts by 8");
    Variable *grow()
    {
        if (_size & (CHUNK - 1)) {
            ++_size;
            return ++_top;
        }
        if (_size == 0 && !_chunks.empty()) { // every statement starts on an empty stack
            _size = 1;
            return _top = _chunks.front().get();
        }
        return growIntoNextChunk();
    }
    Variable *growIntoNextChunk();
    [[noreturn]] static void emptyStackFailed();

    std::vector<std::unique_ptr<Variable[]>> _chunks;
    Variable *_top = nullptr;
    int _size = 0;
};
