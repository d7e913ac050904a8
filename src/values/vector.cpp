#include "values/vector.h"

#include "values/assert.h"

#include <cstring>
#include <new>

Vector::Vector(VariableType type) : _type(type)
{
    if (type < BOOLEAN_TYPE || type > STRING_TYPE)
        numlyraAssertFailed(__FILE__, __LINE__, "Vector(type): type is not valid");
}

Vector::Vector(const Vector &other) noexcept
    : _data(other._data), _rowCount(other._rowCount), _columnCount(other._columnCount), _type(other._type)
{
    if (_data) {
        NUMLYRA_ASSERT_TEXT(_data->refCount > 0, "vect.data->refCount > 0");
        ++_data->refCount;
    }
}

Vector::Vector(Vector &&other) noexcept
    : _data(other._data), _rowCount(other._rowCount), _columnCount(other._columnCount), _type(other._type)
{
    other._data = nullptr;
    other._rowCount = other._columnCount = 0;
    other._type = UNDEFINED_TYPE;
}

Vector &Vector::operator=(const Vector &other) noexcept
{
    if (this != &other) {
        Vector copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Vector &Vector::operator=(Vector &&other) noexcept
{
    if (this != &other) {
        release();
        _data = other._data;
        _rowCount = other._rowCount;
        _columnCount = other._columnCount;
        _type = other._type;
        other._data = nullptr;
        other._rowCount = other._columnCount = 0;
        other._type = UNDEFINED_TYPE;
    }
    return *this;
}

bool Vector::create(VariableType type, uint32_t rows, uint32_t columns, Vector &out)
{
    const uint64_t n = uint64_t(rows) * columns;
    if (n > 0xfffffffeu)
        return false;
    Vector v(type);
    if (n > 0) {
        v._data = VectorImpl::create(type, uint32_t(n), uint32_t(n));
        if (!v._data)
            return false;
        v._rowCount = rows;
        v._columnCount = columns;
    }
    out = std::move(v);
    return true;
}

void Vector::release() noexcept
{
    if (_data) {
        --_data->refCount;
        NUMLYRA_ASSERT_TEXT(_data->refCount >= 0, "data->refCount >= 0");
        if (_data->refCount == 0)
            VectorImpl::destroy(_data, _type);
        _data = nullptr;
    }
    _rowCount = _columnCount = 0;
}

void Vector::setSize(uint32_t rows, uint32_t columns)
{
    NUMLYRA_ASSERT_TEXT(uint64_t(rows) * columns == count(), "rowCount * columnCount == count()");
    if (count() == 0) {
        _rowCount = _columnCount = 0;
        return;
    }
    NUMLYRA_ASSERT(count() % rows == 0);
    NUMLYRA_ASSERT(count() % columns == 0);
    _rowCount = rows;
    _columnCount = columns;
}

void Vector::checkType(VariableType expected, const char *what) const
{
    if (_type != expected)
        typeFailed(what);
}

void Vector::typeFailed(const char *what)
{
    numlyraAssertFailed(__FILE__, __LINE__, what);
}

bool Vector::getBoolean(uint32_t i) const
{
    checkType(BOOLEAN_TYPE, "_type == BOOLEAN_TYPE");
    NUMLYRA_ASSERT_TEXT(i < count(), "i < data->size");
    return static_cast<const bool *>(_data->items())[i];
}

int32_t Vector::getInteger(uint32_t i) const
{
    checkType(INTEGER_TYPE, "_type == INTEGER_TYPE");
    NUMLYRA_ASSERT_TEXT(i < count(), "i < data->size");
    return static_cast<const int32_t *>(_data->items())[i];
}

double Vector::getDouble(uint32_t i) const
{
    checkType(DOUBLE_TYPE, "_type == DOUBLE_TYPE");
    NUMLYRA_ASSERT_TEXT(i < count(), "i < data->size");
    return static_cast<const double *>(_data->items())[i];
}

const String &Vector::getString(uint32_t i) const
{
    checkType(STRING_TYPE, "_type == STRING_TYPE");
    NUMLYRA_ASSERT_TEXT(i < count(), "i < data->size");
    return static_cast<const String *>(_data->items())[i];
}

// The four cases of an element write: no block yet, unshared and too small,
// shared (clone), or in place. A block grows to exactly i + 1 elements:
// realloc extends the block in place or remaps it, so appending element by
// element stays cheap without keeping spare capacity in every vector.
bool Vector::prepareWrite(uint32_t i)
{
    NUMLYRA_ASSERT(_type != UNDEFINED_TYPE);
    if (i == 0xffffffffu)
        return false;
    const uint32_t needed = i + 1;
    if (!_data) {
        _data = VectorImpl::create(_type, needed, 0);
        if (!_data)
            return false;
    } else if (_data->refCount > 1) {
        uint32_t capacity = _data->capacity > needed ? _data->capacity : needed;
        if (capacity < _data->size)
            capacity = _data->size;
        VectorImpl *copy = VectorImpl::clone(_data, _type, capacity);
        if (!copy)
            return false;
        --_data->refCount;
        _data = copy;
    } else if (_data->capacity <= i) {
        VectorImpl *grown = VectorImpl::grow(_data, _type, needed);
        if (!grown)
            return false;
        _data = grown;
    }
    NUMLYRA_ASSERT_TEXT(i < _data->capacity, "i < capacity");
    if (i >= _data->size)
        _data->size = needed;
    return true;
}

bool Vector::set(uint32_t i, bool value)
{
    checkType(BOOLEAN_TYPE, "_type == BOOLEAN_TYPE");
    if (!prepareWrite(i))
        return false;
    static_cast<bool *>(_data->items())[i] = value;
    return true;
}

bool Vector::set(uint32_t i, int32_t value)
{
    checkType(INTEGER_TYPE, "_type == INTEGER_TYPE");
    if (!prepareWrite(i))
        return false;
    static_cast<int32_t *>(_data->items())[i] = value;
    return true;
}

bool Vector::set(uint32_t i, double value)
{
    checkType(DOUBLE_TYPE, "_type == DOUBLE_TYPE");
    if (!prepareWrite(i))
        return false;
    static_cast<double *>(_data->items())[i] = value;
    return true;
}

bool Vector::set(uint32_t i, const String &value)
{
    checkType(STRING_TYPE, "_type == STRING_TYPE");
    // `value` may be an element of this vector, which the growth can move.
    String held(value);
    if (!prepareWrite(i))
        return false;
    static_cast<String *>(_data->items())[i] = std::move(held);
    return true;
}

const bool *Vector::booleans() const
{
    checkType(BOOLEAN_TYPE, "_type == BOOLEAN_TYPE");
    return _data ? static_cast<const bool *>(_data->items()) : nullptr;
}

const int32_t *Vector::integers() const
{
    checkType(INTEGER_TYPE, "_type == INTEGER_TYPE");
    return _data ? static_cast<const int32_t *>(_data->items()) : nullptr;
}

const String *Vector::strings() const
{
    checkType(STRING_TYPE, "_type == STRING_TYPE");
    return _data ? static_cast<const String *>(_data->items()) : nullptr;
}

bool Vector::detach()
{
    if (!_data || _data->refCount == 1)
        return true;
    VectorImpl *copy = VectorImpl::clone(_data, _type, _data->size);
    if (!copy)
        return false;
    --_data->refCount;
    _data = copy;
    return true;
}

bool *Vector::mutableBooleans()
{
    checkType(BOOLEAN_TYPE, "_type == BOOLEAN_TYPE");
    return detach() && _data ? static_cast<bool *>(_data->items()) : nullptr;
}

int32_t *Vector::mutableIntegers()
{
    checkType(INTEGER_TYPE, "_type == INTEGER_TYPE");
    return detach() && _data ? static_cast<int32_t *>(_data->items()) : nullptr;
}

String *Vector::mutableStrings()
{
    checkType(STRING_TYPE, "_type == STRING_TYPE");
    return detach() && _data ? static_cast<String *>(_data->items()) : nullptr;
}

bool Vector::reserve(uint32_t capacity)
{
    NUMLYRA_ASSERT(_type != UNDEFINED_TYPE);
    if (capacity <= this->capacity() && (!_data || _data->refCount == 1))
        return true;
    if (!_data) {
        _data = VectorImpl::create(_type, capacity, 0);
        return _data != nullptr;
    }
    if (_data->refCount > 1) {
        VectorImpl *copy = VectorImpl::clone(_data, _type, capacity > _data->size ? capacity : _data->size);
        if (!copy)
            return false;
        --_data->refCount;
        _data = copy;
        return true;
    }
    VectorImpl *grown = VectorImpl::grow(_data, _type, capacity);
    if (!grown)
        return false;
    _data = grown;
    return true;
}

bool Vector::truncate(uint32_t size)
{
    if (size >= count())
        return true;
    if (!detach())
        return false;
    if (_type == STRING_TYPE) {
        auto *items = static_cast<String *>(_data->items());
        for (uint32_t i = size; i < _data->size; ++i)
            items[i].release();
    } else {
        // Growth relies on unused capacity being zero.
        const size_t element = VectorImpl::elementSize(_type);
        std::memset(static_cast<char *>(_data->items()) + size_t(size) * element, 0,
                    size_t(_data->size - size) * element);
    }
    _data->size = size;
    return true;
}

bool Vector::resize(uint32_t size)
{
    if (size <= count())
        return truncate(size);
    // Unused capacity is zero, so raising the count makes zero elements.
    if (!reserve(size) || !detach())
        return false;
    _data->size = size;
    return true;
}

void Vector::squeeze()
{
    if (!_data || _data->refCount != 1 || _data->capacity == _data->size)
        return;
    if (_data->size == 0) {
        release();
        return;
    }
    _data = VectorImpl::shrink(_data, _type);
}
