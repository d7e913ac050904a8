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

// A copy is a new block: the temporary mark starts cleared, the free mark is
// copied for undefined values and set otherwise.
Variable::Variable(const Variable &other) noexcept : _flags(other._flags & ~TEMPORARY_MARK)
{
    if (!other.isNull() && other.type() != UNDEFINED_TYPE)
        _flags |= FREE_MARK;
    copyPayload(other);
}

Variable::Variable(Variable &&other) noexcept : _flags(other._flags & ~TEMPORARY_MARK)
{
    movePayload(other);
    other._flags &= TEMPORARY_MARK;
}

Variable &Variable::operator=(const Variable &other) noexcept
{
    if (this == &other)
        return *this;
    const uint8_t keep = _flags & TEMPORARY_MARK;
    if (type() >= STRING_TYPE || other.type() >= STRING_TYPE) {
        // Share first, then release: `other` may live inside our payload.
        Variable copy(other);
        releasePayload();
        movePayload(copy);
        _flags = uint8_t((copy._flags & ~TEMPORARY_MARK) | keep);
        copy._flags = 0;
        return *this;
    }
    std::memcpy(&_double, &other._double, sizeof(double)); // any scalar fits these eight bytes
    _flags = uint8_t((other._flags & ~TEMPORARY_MARK) | keep);
    if (!other.isNull() && other.type() != UNDEFINED_TYPE)
        _flags |= FREE_MARK;
    return *this;
}

Variable &Variable::operator=(Variable &&other) noexcept
{
    if (this == &other)
        return *this;
    const uint8_t keep = _flags & TEMPORARY_MARK;
    releasePayload();
    movePayload(other);
    _flags = uint8_t((other._flags & ~TEMPORARY_MARK) | keep);
    other._flags &= TEMPORARY_MARK;
    return *this;
}

void Variable::setFree(bool on) noexcept
{
    if (isNull())
        _flags |= HAS_BLOCK;
    _flags = on ? (_flags | FREE_MARK) : (_flags & ~FREE_MARK);
}

void Variable::assertType(VariableType expected, const char *what) const
{
    if (type() != expected)
        numlyraAssertFailed(__FILE__, __LINE__, what);
}

bool Variable::getBoolean() const
{
    assertType(BOOLEAN_TYPE, "data->type == BOOLEAN_TYPE");
    return _boolean;
}

int32_t Variable::getInteger() const
{
    assertType(INTEGER_TYPE, "data->type == INTEGER_TYPE");
    return _integer;
}

double Variable::getDouble() const
{
    assertType(DOUBLE_TYPE, "data->type == DOUBLE_TYPE");
    return _double;
}

const String &Variable::getString() const
{
    NUMLYRA_ASSERT_TEXT(!isNull(), "data != 0");
    assertType(STRING_TYPE, "data->type == STRING_TYPE");
    return _string;
}

const Vector &Variable::getVector() const
{
    NUMLYRA_ASSERT_TEXT(!isNull(), "data != 0");
    assertType(VECTOR_TYPE, "data->type == VECTOR_TYPE");
    return _vector;
}

Vector &Variable::vectorRef()
{
    NUMLYRA_ASSERT_TEXT(!isNull(), "data != 0");
    assertType(VECTOR_TYPE, "data->type == VECTOR_TYPE");
    return _vector;
}

void Variable::setBoolean(bool value) noexcept
{
    releasePayload();
    _flags = uint8_t((_flags & TEMPORARY_MARK) | makeFlags(BOOLEAN_TYPE));
    _boolean = value;
}

void Variable::setInteger(int32_t value) noexcept
{
    releasePayload();
    _flags = uint8_t((_flags & TEMPORARY_MARK) | makeFlags(INTEGER_TYPE));
    _integer = value;
}

void Variable::setDouble(double value) noexcept
{
    releasePayload();
    _flags = uint8_t((_flags & TEMPORARY_MARK) | makeFlags(DOUBLE_TYPE));
    _double = value;
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
