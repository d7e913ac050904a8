#pragma once

#include "values/string.h"
#include "values/variable_type.h"
#include "values/vector_impl.h"

#include <cstdint>

// A typed, row-major two-dimensional array with shared copy-on-write
// storage. Element (r, c) of an R x C vector is item r * C + c. A vector
// whose type is UNDEFINED_TYPE is the empty typeless vector.
//
// Copies are O(1): they share the element block and bump its count; the
// first write through a shared copy clones the block. A write past the end
// grows the block to exactly the written index plus one.
class Vector {
public:
    Vector() noexcept = default;
    // A typed vector with no elements yet (shape 0 x 0).
    explicit Vector(VariableType type);
    Vector(const Vector &other) noexcept;
    Vector(Vector &&other) noexcept;
    Vector &operator=(const Vector &other) noexcept;
    Vector &operator=(Vector &&other) noexcept;
    ~Vector() { release(); }

    // A rows x columns vector of zero-filled elements (false, 0, 0.0, empty
    // strings). False when the block cannot be allocated or the element count
    // does not fit 32 bits; `out` is then unchanged.
    static bool create(VariableType type, uint32_t rows, uint32_t columns, Vector &out);

    void release() noexcept;

    VariableType type() const noexcept { return _type; }
    uint32_t count() const noexcept { return _data ? _data->size : 0; }
    uint32_t capacity() const noexcept { return _data ? _data->capacity : 0; }
    uint32_t rowCount() const noexcept { return _rowCount; }
    uint32_t columnCount() const noexcept { return _columnCount; }
    bool isEmpty() const noexcept { return count() == 0; }
    bool isTypeless() const noexcept { return _type == UNDEFINED_TYPE; }
    // One row or one column (a line), not empty.
    bool isLine() const noexcept { return _rowCount == 1 || _columnCount == 1; }
    int refCount() const noexcept { return _data ? _data->refCount : 0; }

    // The shape setter; rows * columns must equal count().
    void setSize(uint32_t rows, uint32_t columns);

    bool getBoolean(uint32_t i) const;
    int32_t getInteger(uint32_t i) const;
    double getDouble(uint32_t i) const;
    const String &getString(uint32_t i) const;

    // Element writes: copy-on-write and growth in one step. Writing past the
    // end raises count() to i + 1 with zero elements in between; the shape is
    // left for the caller to set. False only when memory runs out.
    bool set(uint32_t i, bool value);
    bool set(uint32_t i, int32_t value);
    bool set(uint32_t i, double value);
    bool set(uint32_t i, const String &value);

    // Raw element access for the hot loops of the operators. The mutable
    // forms detach a shared block first (false when memory runs out).
    const bool *booleans() const;
    const int32_t *integers() const;
    const double *doubles() const
    {
        if (_type != DOUBLE_TYPE) [[unlikely]]
            typeFailed("_type == DOUBLE_TYPE");
        return _data ? static_cast<const double *>(_data->items()) : nullptr;
    }
    const String *strings() const;
    bool detach();
    bool *mutableBooleans();
    int32_t *mutableIntegers();
    // Inline, like doubles(): element loops of the interpreter call them.
    double *mutableDoubles()
    {
        if (_type != DOUBLE_TYPE) [[unlikely]]
            typeFailed("_type == DOUBLE_TYPE");
        if (!_data || (_data->refCount != 1 && !detach()))
            return nullptr;
        return static_cast<double *>(_data->items());
    }
    String *mutableStrings();

    // Makes room for `capacity` elements without changing count().
    bool reserve(uint32_t capacity);
    // Drops elements beyond `size` (releasing strings); the caller sets the shape.
    bool truncate(uint32_t size);
    // Sets count() to `size`: new elements are zero, dropped ones released.
    // The caller sets the shape.
    bool resize(uint32_t size);
    // Gives back the capacity beyond count().
    void squeeze();

private:
    bool prepareWrite(uint32_t i);
    void checkType(VariableType expected, const char *what) const;
    [[noreturn]] static void typeFailed(const char *what);

    VectorImpl *_data = nullptr;
    uint32_t _rowCount = 0;
    uint32_t _columnCount = 0;
    VariableType _type = UNDEFINED_TYPE;
};
