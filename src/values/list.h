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

    Variable &top();
    const Variable &top() const;
    // depth 0 is the top, 1 the entry below it, ...
    Variable &fromTop(int depth);
    // position 0 is the bottom.
    Variable &at(int position);
    const Variable &at(int position) const;

    void pop();
    void pop(int count);
    // Releases every entry.
    void clear();

    int size() const { return _size; }
    bool isEmpty() const { return _size == 0; }
    // Slots allocated so far (for tests of slot reuse).
    int capacity() const { return int(_chunks.size()) * CHUNK; }

private:
    static constexpr int CHUNK = 256;
    Variable *grow()
    {
        if ((_size & (CHUNK - 1)) == 0 && (_size >> 8) == int(_chunks.size()))
            _chunks.push_back(std::make_unique<Variable[]>(CHUNK));
        Variable *slot = &_chunks[size_t(_size >> 8)][_size & (CHUNK - 1)];
        ++_size;
        _top = slot;
        return slot;
    }

    std::vector<std::unique_ptr<Variable[]>> _chunks;
    Variable *_top = nullptr;
    int _size = 0;
};
