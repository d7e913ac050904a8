#include "values/list.h"

#include "values/assert.h"

Variable *List::growIntoNextChunk()
{
    if ((_size >> 8) == int(_chunks.size()))
        _chunks.push_back(std::make_unique<Variable[]>(CHUNK));
    Variable *slot = &_chunks[size_t(_size >> 8)][0];
    ++_size;
    _top = slot;
    return slot;
}

void List::emptyStackFailed()
{
    numlyraAssertFailed(__FILE__, __LINE__, "current != 0");
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
