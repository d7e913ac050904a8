#pragma once

#include "values/string.h"
#include "values/variable_type.h"

#include <cstdint>

// The shared element block of a Vector: header and elements in one
// allocation. Elements are bool, int32, double or String by the owning
// Vector's element type; unused capacity is zero-filled (null Strings).
struct VectorImpl {
    uint32_t capacity;
    uint32_t size;
    int32_t refCount;
    uint32_t reserved;

    void *items() noexcept { return this + 1; }
    const void *items() const noexcept { return this + 1; }

    static size_t elementSize(VariableType type) noexcept;
    // nullptr when the block cannot be allocated (or would not fit 32 bits).
    static VectorImpl *create(VariableType type, uint32_t capacity, uint32_t size);
    // A private copy of the first `size` elements with room for `capacity`.
    static VectorImpl *clone(const VectorImpl *source, VariableType type, uint32_t capacity);
    // Grows an unshared block in place (realloc); nullptr on failure, the
    // old block then stays valid.
    static VectorImpl *grow(VectorImpl *block, VariableType type, uint32_t capacity);
    // Gives an unshared block's spare capacity back; the block may move.
    static VectorImpl *shrink(VectorImpl *block, VariableType type) noexcept;
    static void destroy(VectorImpl *block, VariableType type) noexcept;
};
static_assert(sizeof(VectorImpl) == 16, "elements start 8-byte aligned");
