#include "vm/concatenation.h"

#include "values/error_codes.h"

#include <cstring>

namespace {

VariableType elementType(const Variable &v)
{
    return v.type() == VECTOR_TYPE ? v.getVector().type() : v.type();
}

// Extent across the joining direction: rows for a horizontal join, columns
// for a vertical one; a scalar or an undefined entry counts as 1.
uint32_t extentOf(const Variable &v, bool horizontal)
{
    if (v.type() != VECTOR_TYPE)
        return 1;
    const Vector &vector = v.getVector();
    return horizontal ? vector.rowCount() : vector.columnCount();
}

uint32_t countOf(const Variable &v)
{
    return v.type() == VECTOR_TYPE ? v.getVector().count() : 1;
}

// Copies `n` elements of the entry starting at element `from` to `to` in
// the result's storage.
void copyElements(const Variable &entry, uint32_t from, uint32_t n, Vector &result, uint32_t to)
{
    switch (result.type()) {
    case BOOLEAN_TYPE: {
        bool *out = result.mutableBooleans() + to;
        if (entry.type() == VECTOR_TYPE)
            std::memcpy(out, entry.getVector().booleans() + from, n * sizeof(bool));
        else
            *out = entry.getBoolean();
        break;
    }
    case INTEGER_TYPE: {
        int32_t *out = result.mutableIntegers() + to;
        if (entry.type() == VECTOR_TYPE)
            std::memcpy(out, entry.getVector().integers() + from, n * sizeof(int32_t));
        else
            *out = entry.getInteger();
        break;
    }
    case DOUBLE_TYPE: {
        double *out = result.mutableDoubles() + to;
        if (entry.type() == VECTOR_TYPE)
            std::memcpy(out, entry.getVector().doubles() + from, n * sizeof(double));
        else
            *out = entry.getDouble();
        break;
    }
    case STRING_TYPE: {
        String *out = result.mutableStrings() + to;
        if (entry.type() == VECTOR_TYPE) {
            const String *in = entry.getVector().strings() + from;
            for (uint32_t i = 0; i < n; ++i)
                out[i] = in[i];
        } else {
            *out = entry.getString();
        }
        break;
    }
    default:
        break;
    }
}

} // namespace

quint32 concatenate(List &stack, int n, bool horizontal)
{
    if (n == 0) {
        stack.push(Variable(Vector()));
        return ERR_SUCCESS;
    }
    const Variable &reference = stack.top();
    const VariableType type = elementType(reference);
    const uint32_t extent = extentOf(reference, horizontal);
    uint64_t total = 0;
    for (int depth = 0; depth < n; ++depth) {
        const Variable &entry = stack.fromTop(depth);
        if (elementType(entry) != type)
            return ERR_TYPE_MISMATCH;
        if (extentOf(entry, horizontal) != extent)
            return horizontal ? ERR_ROW_COUNT_MISMATCH : ERR_COLUMN_COUNT_MISMATCH;
        total += countOf(entry);
    }
    Vector result;
    if (extent != 0) {
        if (type == UNDEFINED_TYPE)
            return ERR_UNDEFINED_VARIABLE; // only undefined entries: no element type to build
        if (total > 0xfffffffeu)
            return ERR_NOT_ENOUGH_MEMORY;
        const uint32_t other = uint32_t(total / extent);
        if (!Vector::create(type, horizontal ? extent : other, horizontal ? other : extent, result))
            return ERR_NOT_ENOUGH_MEMORY;
        // Blocks from the deepest (leftmost or topmost) entry on.
        uint32_t offset = 0;
        for (int depth = n - 1; depth >= 0; --depth) {
            const Variable &entry = stack.fromTop(depth);
            const uint32_t count = countOf(entry);
            if (horizontal) {
                const uint32_t width = count / extent;
                for (uint32_t r = 0; r < extent; ++r)
                    copyElements(entry, r * width, width, result, r * other + offset);
                offset += width;
            } else {
                copyElements(entry, 0, count, result, offset);
                offset += count;
            }
        }
    }
    stack.pop(n);
    stack.push(Variable(std::move(result)));
    return ERR_SUCCESS;
}
