#include "values/string.h"

#include "values/allocation_limit.h"
#include "values/assert.h"

#include <cstdlib>
#include <cstring>
#include <new>

String::Data *String::allocate(int length)
{
    NUMLYRA_ASSERT(length >= 0);
    if (!AllocationLimit::allows(uint64_t(length) + 1, uint64_t(length) + 1))
        return nullptr;
    auto *d = static_cast<Data *>(std::malloc(sizeof(Data) + size_t(length)));
    if (!d)
        return nullptr;
    d->refCount = 1;
    d->length = length;
    d->capacity = length;
    d->text[length] = '\0';
    return d;
}

String::String(const char *text) : String(text, text ? int(std::strlen(text)) : 0) {}

String::String(const char *text, int length)
{
    if (length <= 0)
        return;
    _data = allocate(length);
    if (!_data)
        throw std::bad_alloc();
    std::memcpy(_data->text, text, size_t(length));
}

String::String(const QByteArray &bytes) : String(bytes.constData(), int(bytes.size())) {}

String String::fromQString(const QString &text)
{
    return String(text.toLatin1());
}

String::String(const String &other) noexcept : _data(other._data)
{
    if (_data) {
        NUMLYRA_ASSERT_TEXT(_data->refCount > 0, "str.data->refCount > 0");
        ++_data->refCount;
    }
}

String &String::operator=(const String &other) noexcept
{
    if (_data != other._data) {
        String copy(other);
        release();
        _data = copy._data;
        copy._data = nullptr;
    }
    return *this;
}

String &String::operator=(String &&other) noexcept
{
    if (this != &other) {
        release();
        _data = other._data;
        other._data = nullptr;
    }
    return *this;
}

void String::release() noexcept
{
    if (!_data)
        return;
    --_data->refCount;
    NUMLYRA_ASSERT_TEXT(_data->refCount >= 0, "data->refCount >= 0");
    if (_data->refCount == 0)
        std::free(_data);
    _data = nullptr;
}

char String::at(int i) const
{
    NUMLYRA_ASSERT(i >= 0 && i < length());
    return _data->text[i];
}

// Texts may hold zero bytes, so the lengths bound the comparison, not the
// terminator; a proper prefix is the smaller string.
int String::compare(const String &other) const noexcept
{
    const int common = length() < other.length() ? length() : other.length();
    if (common > 0) {
        const int c = std::memcmp(text(), other.text(), size_t(common));
        if (c != 0)
            return c < 0 ? -1 : 1;
    }
    return (length() > common ? 1 : 0) - (other.length() > common ? 1 : 0);
}

bool String::operator==(const String &other) const noexcept
{
    if (_data == other._data)
        return true;
    return length() == other.length() && std::memcmp(text(), other.text(), size_t(length())) == 0;
}

bool String::concat(const String &a, const String &b, String &out)
{
    if (a.length() > 0x7ffffff0 - b.length())
        return false;
    const int total = a.length() + b.length();
    if (total == 0) {
        out = String();
        return true;
    }
    if (b.isEmpty()) {
        out = a;
        return true;
    }
    if (a.isEmpty()) {
        out = b;
        return true;
    }
    Data *d = allocate(total);
    if (!d)
        return false;
    std::memcpy(d->text, a.text(), size_t(a.length()));
    std::memcpy(d->text + a.length(), b.text(), size_t(b.length()));
    String result;
    result._data = d;
    out = std::move(result);
    return true;
}

bool String::append(const String &tail)
{
    if (!_data || _data->refCount != 1 || tail._data == _data)
        return false;
    const int extra = tail.length();
    if (extra == 0)
        return true;
    if (_data->length > 0x7ffffff0 - extra)
        return false;
    const int total = _data->length + extra;
    if (total > _data->capacity) {
        const int64_t doubled = int64_t(_data->capacity) * 2;
        const int room = doubled > 0x7ffffff0 ? 0x7ffffff0 : doubled < total ? total : int(doubled);
        // Growth obeys the same limit as any new block; a refusal leaves the
        // caller's copying path to report it.
        if (!AllocationLimit::allows(uint64_t(room) + 1, uint64_t(room - _data->capacity)))
            return false;
        auto *d = static_cast<Data *>(std::realloc(_data, sizeof(Data) + size_t(room)));
        if (!d)
            return false;
        d->capacity = room;
        _data = d;
    }
    std::memcpy(_data->text + _data->length, tail.text(), size_t(extra));
    _data->length = total;
    _data->text[total] = '\0';
    return true;
}
