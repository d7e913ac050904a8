#pragma once

#include "values/string.h"
#include "values/variable_type.h"
#include "values/vector.h"

#include <cstdint>

// The tagged value of the language. A Variable owns its value block by
// value: the block (payload and flags) is stored inline rather than behind a
// pointer, so copying a scalar never touches the heap, while strings and
// vectors share their storage by reference counts. "null" (no block) is the
// undefined value of a cleared slot.
//
// Flags: the free mark is set on every new block; an UNDEFINED block with the
// free mark is an absent variable. The temporary mark flags the compiler's
// hidden temporaries; it belongs to the slot, so assignment keeps the
// target's mark.
class Variable {
public:
    Variable() noexcept : _double(0), _flags(0) {}
    explicit Variable(bool value) noexcept : _double(0), _flags(makeFlags(BOOLEAN_TYPE)) { _boolean = value; }
    explicit Variable(double value) noexcept : _flags(makeFlags(DOUBLE_TYPE)) { _double = value; }
    explicit Variable(int32_t value) noexcept : _double(0), _flags(makeFlags(INTEGER_TYPE)) { _integer = value; }
    explicit Variable(const String &value) noexcept : _flags(makeFlags(STRING_TYPE)) { new (&_string) String(value); }
    explicit Variable(String &&value) noexcept : _flags(makeFlags(STRING_TYPE)) { new (&_string) String(std::move(value)); }
    explicit Variable(const Vector &value) noexcept : _flags(makeFlags(VECTOR_TYPE)) { new (&_vector) Vector(value); }
    explicit Variable(Vector &&value) noexcept : _flags(makeFlags(VECTOR_TYPE)) { new (&_vector) Vector(std::move(value)); }
    // An undefined value in a block with the free mark set (an absent variable).
    static Variable undefined() noexcept
    {
        Variable v;
        v._flags = HAS_BLOCK | FREE_MARK;
        return v;
    }

    Variable(const Variable &other) noexcept;
    Variable(Variable &&other) noexcept;
    Variable &operator=(const Variable &other) noexcept;
    Variable &operator=(Variable &&other) noexcept;
    ~Variable() { releasePayload(); }

    // Back to null: releases a string or vector payload.
    void clear() noexcept
    {
        releasePayload();
        _flags &= TEMPORARY_MARK;
    }

    VariableType type() const noexcept { return VariableType(_flags & TYPE_MASK); }
    bool isNull() const noexcept { return !(_flags & HAS_BLOCK); }
    bool isFree() const noexcept { return _flags & FREE_MARK; }
    void setFree(bool on) noexcept;
    bool isTemporary() const noexcept { return _flags & TEMPORARY_MARK; }
    void setTemporary(bool on) noexcept { _flags = on ? (_flags | TEMPORARY_MARK) : (_flags & ~TEMPORARY_MARK); }
    // No such variable: null, or undefined with the free mark.
    bool isAbsent() const noexcept { return type() == UNDEFINED_TYPE && (isNull() || isFree()); }
    bool isUndefined() const noexcept { return type() == UNDEFINED_TYPE; }
    bool isEmptyVector() const noexcept { return type() == VECTOR_TYPE && _vector.isEmpty(); }

    bool getBoolean() const;
    int32_t getInteger() const;
    double getDouble() const;
    const String &getString() const;
    const Vector &getVector() const;
    // In-place access to a vector payload (copy-on-write applies inside).
    Vector &vectorRef();

    void setBoolean(bool value) noexcept;
    void setInteger(int32_t value) noexcept;
    void setDouble(double value) noexcept;
    void setString(const String &value) noexcept;
    void setVector(const Vector &value) noexcept;
    void setVector(Vector &&value) noexcept;
    // An undefined value in a block without the free mark (a variable that
    // legitimately holds "undefined").
    void setUndefined() noexcept;

private:
    enum : uint8_t {
        TYPE_MASK = 0x07,
        FREE_MARK = 0x08,
        TEMPORARY_MARK = 0x10,
        HAS_BLOCK = 0x80,
    };
    static constexpr uint8_t makeFlags(VariableType type) noexcept { return uint8_t(type) | FREE_MARK | HAS_BLOCK; }
    void releasePayload() noexcept
    {
        const VariableType t = type();
        if (t == STRING_TYPE)
            _string.~String();
        else if (t == VECTOR_TYPE)
            _vector.~Vector();
    }
    void copyPayload(const Variable &other) noexcept;
    void movePayload(Variable &other) noexcept;
    void assertType(VariableType expected, const char *what) const;

    union {
        bool _boolean;
        int32_t _integer;
        double _double;
        String _string;
        Vector _vector;
    };
    uint8_t _flags;
};
