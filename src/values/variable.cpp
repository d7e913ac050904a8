#include "values/variable.h"

#include "values/assert.h"

#include <cstring>
#include <new>

void Variable::copyPayload(const Variable &other) noexcept
{
    switch (other.type()) {
    case BOOLEAN_TYPE: _boolean = other._boolean; break;
    case INTEGER_TYPE: _integer = other._integer; break;
    case DOUBLE_TYPE: _double = other._double; break;
    case STRING_TYPE: new (&_string) String(other._string); break;
    case VECTOR_TYPE: new (&_vector) Vector(other._vector); break;
    default: break;
    }
}

void Variable::movePayload(Variable &other) noexcept
{
    switch (other.type()) {
    case BOOLEAN_TYPE: _boolean = other._boolean; break;
    case INTEGER_TYPE: _integer = other._integer; break;
    case DOUBLE_TYPE: _double = other._double; break;
    case STRING_TYPE:
        new (&_string) String(std::move(other._string));
        other._string.~String();
        break;
    case VECTOR_TYPE:
        new (&_vector) Vector(std::move(other._vector));
        other._vector.~Vector();
        break;
    default: break;
    }
}

void Variable::releaseSharedPayload() noexcept
{
    if (type() == STRING_TYPE)
        _string.~String();
    else
        _vector.~Vector();
}

Variable &Variable::assignShared(const Variable &other) noexcept
{
    if (this == &other)
        return *this;
    const uint8_t keep = _flags & TEMPORARY_MARK;
    // Share first, then release: `other` may live inside our payload.
    Variable copy(other);
    releasePayload();
    if (copy.hasSharedPayload())
        movePayload(copy);
    else
        _bits = copy._bits;
    _flags = uint8_t((copy._flags & ~TEMPORARY_MARK) | keep);
    copy._flags = 0;
    return *this;
}

void Variable::setFree(bool on) noexcept
{
    if (isNull())
        _flags |= HAS_BLOCK;
    _flags = on ? (_flags | FREE_MARK) : (_flags & ~FREE_MARK);
}

void Variable::typeAssertionFailed(const char *what)
{
    numlyraAssertFailed(__FILE__, __LINE__, what);
}

void Variable::payloadAssertionFailed(VariableType expected) const
{
    if (isNull())
        numlyraAssertFailed(__FILE__, __LINE__, "data != 0");
    numlyraAssertFailed(__FILE__, __LINE__,
                        expected == VECTOR_TYPE ? "data->type == VECTOR_TYPE" : "data->type == STRING_TYPE");
}

void Variable::setString(const String &value) noexcept
{
    String copy(value);
    releasePayload();
    _flags = uint8_t((_flags & TEMPORARY_MARK) | makeFlags(STRING_TYPE));
    new (&_string) String(std::move(copy));
}

void Variable::setVector(const Vector &value) noexcept
{
    Vector copy(value);
    setVector(std::move(copy));
}

void Variable::setVector(Vector &&value) noexcept
{
    Vector moved(std::move(value));
    releasePayload();
    _flags = uint8_t((_flags & TEMPORARY_MARK) | makeFlags(VECTOR_TYPE));
    new (&_vector) Vector(std::move(moved));
}

void Variable::setUndefined() noexcept
{
    releasePayload();
    _flags = uint8_t((_flags & TEMPORARY_MARK) | HAS_BLOCK);
}
