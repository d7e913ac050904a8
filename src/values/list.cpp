#include "values/list.h"

#include "values/assert.h"

Variable &List::top()
{
    NUMLYRA_ASSERT_TEXT(_size > 0, "current != 0");
    return *_top;
}

const Variable &List::top() const
{
    NUMLYRA_ASSERT_TEXT(_size > 0, "current != 0");
    return *_top;
}

Variable &List::at(int position)
{
    NUMLYRA_ASSERT(position >= 0 && position < _size);
    return _chunks[size_t(position >> 8)][position & (CHUNK - 1)];
}

const Variable &List::at(int position) const
{
    NUMLYRA_ASSERT(position >= 0 && position < _size);
    return _chunks[size_t(position >> 8)][position & (CHUNK - 1)];
}

Variable &List::fromTop(int depth)
{
    return at(_size - 1 - depth);
}

void List::pop()
{
    NUMLYRA_ASSERT(_size > 0);
    _top->clear();
    --_size;
    _top = _size > 0 ? &_chunks[size_t((_size - 1) >> 8)][(_size - 1) & (CHUNK - 1)] : nullptr;
}

void List::pop(int count)
{
    NUMLYRA_ASSERT(count >= 0 && count <= _size);
    for (int i = 0; i < count; ++i)
        pop();
}

void List::clear()
{
    while (_size > 0)
        pop();
}
