#pragma once

#include "values/string.h"
#include "values/variable_type.h"
#include "values/vector.h"

#include <cstdint>
#include <utility>

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

    // Scalars are copied as one machine word; only strings and vectors take
    // the out-of-line path that touches reference counts.
    Variable(const Variable &other) noexcept : _flags(copiedFlags(other._flags))
    {
        if (other.hasSharedPayload())
            copyPayload(other);
        else
            _bits = other._bits;
    }
    Variable(Variable &&other) noexcept : _flags(uint8_t(other._flags & ~TEMPORARY_MARK))
    {
        if (other.hasSharedPayload())
            movePayload(other);
        else
            _bits = other._bits;
        other._flags &= TEMPORARY_MARK;
    }
    Variable &operator=(const Variable &other) noexcept
    {
        if (hasSharedPayload() || other.hasSharedPayload())
            return assignShared(other);
        _bits = other._bits;
        _flags = uint8_t(copiedFlags(other._flags) | (_flags & TEMPORARY_MARK));
        return *this;
    }
    Variable &operator=(Variable &&other) noexcept
    {
        if (this == &other)
            return *this;
        const uint8_t keep = _flags & TEMPORARY_MARK;
        if (hasSharedPayload())
            releaseSharedPayload();
        if (other.hasSharedPayload())
            movePayload(other);
        else
            _bits = other._bits;
        _flags = uint8_t((other._flags & ~TEMPORARY_MARK) | keep);
        other._flags &= TEMPORARY_MARK;
        return *this;
    }
    ~Variable()
    {
        if (hasSharedPayload())
            releaseSharedPayload();
    }

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
    // The same scalar (or absence) with the same marks, bit for bit: an
    // assignment from `other` would change nothing.
    bool isSameScalarAs(const Variable &other) const noexcept
    {
        return _flags == other._flags && !hasSharedPayload() && _bits == other._bits;
    }
    void setTemporary(bool on) noexcept { _flags = on ? (_flags | TEMPORARY_MARK) : (_flags & ~TEMPORARY_MARK); }
    // No such variable: null, or undefined with the free mark.
    bool isAbsent() const noexcept { return type() == UNDEFINED_TYPE && (isNull() || isFree()); }
    bool isUndefined() const noexcept { return type() == UNDEFINED_TYPE; }
    bool isEmptyVector() const noexcept { return type() == VECTOR_TYPE && _vector.isEmpty(); }

    bool getBoolean() const
    {
        if (type() != BOOLEAN_TYPE) [[unlikely]]
            typeAssertionFailed("data->type == BOOLEAN_TYPE");
        return _boolean;
    }
    int32_t getInteger() const
    {
        if (type() != INTEGER_TYPE) [[unlikely]]
            typeAssertionFailed("data->type == INTEGER_TYPE");
        return _integer;
    }
    double getDouble() const
    {
        if (type() != DOUBLE_TYPE) [[unlikely]]
            typeAssertionFailed("data->type == DOUBLE_TYPE");
        return _double;
    }
    const String &getString() const
    {
        checkPayload(STRING_TYPE);
        return _string;
    }
    const Vector &getVector() const
    {
        checkPayload(VECTOR_TYPE);
        return _vector;
    }
    // In-place access to a vector payload (copy-on-write applies inside).
    Vector &vectorRef()
    {
        checkPayload(VECTOR_TYPE);
        return _vector;
    }
    // In-place access to a string payload (String::append keeps sharing safe).
    String &stringRef()
    {
        checkPayload(STRING_TYPE);
        return _string;
    }

    void setBoolean(bool value) noexcept
    {
        setScalarFlags(BOOLEAN_TYPE);
        _bits = 0;
        _boolean = value;
    }
    void setInteger(int32_t value) noexcept
    {
        setScalarFlags(INTEGER_TYPE);
        _bits = 0;
        _integer = value;
    }
    void setDouble(double value) noexcept
    {
        // A double overwritten by a double (the loops' case) keeps its flags.
        if ((_flags & ~TEMPORARY_MARK) != makeFlags(DOUBLE_TYPE))
            setScalarFlags(DOUBLE_TYPE);
        _double = value;
    }
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
    // A copy is a new block: the temporary mark starts cleared, the free mark
    // is kept for undefined values and set for every other value.
    static constexpr uint8_t copiedFlags(uint8_t flags) noexcept
    {
        // A typed value always has a block, so the type alone tells "defined".
        return uint8_t((flags & ~TEMPORARY_MARK) | ((flags & TYPE_MASK) ? FREE_MARK : 0));
    }
    bool hasSharedPayload() const noexcept { return type() >= STRING_TYPE; }
    void setScalarFlags(VariableType t) noexcept
    {
        if (hasSharedPayload())
            releaseSharedPayload();
        _flags = uint8_t((_flags & TEMPORARY_MARK) | makeFlags(t));
    }
    void releasePayload() noexcept
    {
        if (hasSharedPayload())
            releaseSharedPayload();
    }
    void releaseSharedPayload() noexcept;
    void copyPayload(const Variable &other) noexcept;
    void movePayload(Variable &other) noexcept;
    Variable &assignShared(const Variable &other) noexcept;
    [[noreturn]] static void typeAssertionFailed(const char *what);
    // Inline, since the interpreter's element steps read payloads in their loops.
    void checkPayload(VariableType expected) const
    {
        if (isNull() || type() != expected) [[unlikely]]
            payloadAssertionFailed(expected);
    }
    [[noreturn]] void payloadAssertionFailed(VariableType expected) const;

    union {
        uint64_t _bits; // any scalar payload, copied as one word
        bool _boolean;
        int32_t _integer;
        double _double;
        String _string;
        Vector _vector;
    };
    uint8_t _flags;
};
