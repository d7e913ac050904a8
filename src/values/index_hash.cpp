#include "values/index_hash.h"

#include "values/assert.h"

#include <algorithm>

IndexHash::IndexHash(const IndexHash &other)
{
    *this = other;
}

IndexHash &IndexHash::operator=(const IndexHash &other)
{
    if (this == &other)
        return *this;
    _chunks.clear();
    _index = other._index;
    _size = 0;
    for (int i = 0; i < other._size; ++i) {
        if (i % CHUNK == 0)
            _chunks.push_back(std::make_unique<Pair[]>(CHUNK));
        Pair &p = pair(i);
        p.name = other.pair(i).name;
        p.value = other.pair(i).value;
        p.value.setTemporary(other.pair(i).value.isTemporary());
        ++_size;
    }
    return *this;
}

int IndexHash::indexOf(const QString &name) const
{
    return _index.value(name, -1);
}

int IndexHash::insert(const QString &name, const Variable &value)
{
    NUMLYRA_ASSERT(!_index.contains(name));
    if (_size % CHUNK == 0)
        _chunks.push_back(std::make_unique<Pair[]>(CHUNK));
    Pair &p = pair(_size);
    p.name = name;
    p.value = value;
    _index.insert(name, _size);
    return _size++;
}

int IndexHash::lookupOrInsert(const QString &name)
{
    const int position = indexOf(name);
    return position >= 0 ? position : insert(name);
}

void IndexHash::resetValues(const IndexHash &other)
{
    NUMLYRA_ASSERT(other._size == _size);
    for (size_t c = 0; c < _chunks.size(); ++c) {
        Pair *to = _chunks[c].get();
        const Pair *from = other._chunks[c].get();
        const int count = std::min(CHUNK, _size - int(c) * CHUNK);
        for (int i = 0; i < count; ++i) {
            // Only the slots the call changed.
            if (!to[i].value.isSameScalarAs(from[i].value))
                to[i].value = from[i].value;
        }
    }
}

void IndexHash::positionFailed()
{
    numlyraAssertFailed(__FILE__, __LINE__, "index < static_cast<int>(m_PairList.size())");
}

const QString &IndexHash::name(int position) const
{
    NUMLYRA_ASSERT_TEXT(position >= 0 && position < _size, "index < static_cast<int>(m_PairList.size())");
    return pair(position).name;
}
