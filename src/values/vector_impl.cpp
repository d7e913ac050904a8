#include "values/vector_impl.h"

#include "values/allocation_limit.h"
#include "values/assert.h"

#include <cstdlib>
#include <cstring>
#include <new>

size_t VectorImpl::elementSize(VariableType type) noexcept
{
    switch (type) {
    case BOOLEAN_TYPE: return sizeof(bool);
    case INTEGER_TYPE: return sizeof(int32_t);
    case DOUBLE_TYPE: return sizeof(double);
    case STRING_TYPE: return sizeof(String);
    default: return 0;
    }
}

VectorImpl *VectorImpl::create(VariableType type, uint32_t capacity, uint32_t size)
{
    NUMLYRA_ASSERT(size <= capacity);
    const size_t element = elementSize(type);
    NUMLYRA_ASSERT(element != 0);
    const uint64_t bytes = uint64_t(capacity) * element;
    if (!AllocationLimit::allows(bytes, bytes))
        return nullptr;
    auto *block = static_cast<VectorImpl *>(std::calloc(1, sizeof(VectorImpl) + size_t(bytes)));
    if (!block)
        return nullptr;
    block->capacity = capacity;
    block->size = size;
    block->refCount = 1;
    return block;
}

VectorImpl *VectorImpl::clone(const VectorImpl *source, VariableType type, uint32_t capacity)
{
    NUMLYRA_ASSERT(capacity >= source->size);
    VectorImpl *block = create(type, capacity, source->size);
    if (!block)
        return nullptr;
    if (type == STRING_TYPE) {
        const auto *from = static_cast<const String *>(source->items());
        auto *to = static_cast<String *>(block->items());
        for (uint32_t i = 0; i < source->size; ++i)
            new (to + i) String(from[i]);
    } else {
        std::memcpy(block->items(), source->items(), size_t(source->size) * elementSize(type));
    }
    return block;
}

VectorImpl *VectorImpl::grow(VectorImpl *block, VariableType type, uint32_t capacity)
{
    NUMLYRA_ASSERT(block->refCount == 1 && capacity >= block->capacity);
    const size_t element = elementSize(type);
    const uint64_t bytes = uint64_t(capacity) * element;
    if (!AllocationLimit::allows(bytes, bytes - uint64_t(block->capacity) * element))
        return nullptr;
    // Strings are a single pointer each and relocate bitwise.
    auto *grown = static_cast<VectorImpl *>(std::realloc(static_cast<void *>(block), sizeof(VectorImpl) + size_t(bytes)));
    if (!grown)
        return nullptr;
    auto *items = static_cast<char *>(grown->items());
    std::memset(items + size_t(grown->capacity) * element, 0, size_t(capacity - grown->capacity) * element);
    grown->capacity = capacity;
    return grown;
}

VectorImpl *VectorImpl::shrink(VectorImpl *block, VariableType type) noexcept
{
    NUMLYRA_ASSERT(block->refCount == 1 && block->size > 0);
    // Strings are a single pointer each and relocate bitwise.
    void *smaller = std::realloc(static_cast<void *>(block), sizeof(VectorImpl) + size_t(block->size) * elementSize(type));
    if (!smaller)
        return block; // keeping the spare room is harmless
    block = static_cast<VectorImpl *>(smaller);
    block->capacity = block->size;
    return block;
}

void VectorImpl::destroy(VectorImpl *block, VariableType type) noexcept
{
    if (type == STRING_TYPE) {
        auto *items = static_cast<String *>(block->items());
        for (uint32_t i = 0; i < block->size; ++i)
            items[i].~String();
    }
    std::free(block);
}
