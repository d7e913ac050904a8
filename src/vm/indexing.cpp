#include "vm/indexing.h"

#include "values/error_codes.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

namespace {

constexpr uint32_t NO_LIMIT = 0xffffffffu;
constexpr uint32_t TOO_BIG = 0xffffffffu;

enum Rounding { FLOOR_INDEX, TRUNCATE_INDEX };

// Positions picked by one index: a single double, a list of doubles, or the
// true elements of a boolean mask. A single index needs no allocation.
struct Selection {
    bool scalar = false;
    bool mask = false;
    uint32_t rows = 0;    // shape of an index vector
    uint32_t columns = 0;
    uint32_t first = 0;
    std::vector<uint32_t> list;

    uint32_t size() const { return scalar ? 1 : uint32_t(list.size()); }
    uint32_t operator[](uint32_t i) const { return scalar ? first : list[i]; }
    uint32_t maximum() const
    {
        return scalar ? first : list.empty() ? 0 : *std::max_element(list.begin(), list.end());
    }
};

// --- element access by C++ type ---

const bool *items(const Vector &v, bool) { return v.booleans(); }
const double *items(const Vector &v, double) { return v.doubles(); }
const String *items(const Vector &v, const String &) { return v.strings(); }
bool *mutableItems(Vector &v, bool) { return v.mutableBooleans(); }
double *mutableItems(Vector &v, double) { return v.mutableDoubles(); }
String *mutableItems(Vector &v, const String &) { return v.mutableStrings(); }
bool scalarOf(const Variable &v, bool) { return v.getBoolean(); }
double scalarOf(const Variable &v, double) { return v.getDouble(); }
const String &scalarOf(const Variable &v, const String &) { return v.getString(); }

// Calls f with a value of the C++ type of the element type; element types
// the indexing code does not handle are "Operation not supported".
template <typename F>
quint32 byElementType(VariableType type, F &&f)
{
    switch (type) {
    case BOOLEAN_TYPE: return f(false);
    case DOUBLE_TYPE: return f(0.0);
    case STRING_TYPE: return f(String());
    default: return ERR_OPERATION_NOT_SUPPORTED;
    }
}

VariableType elementTypeOf(const Variable &v)
{
    return v.type() == VECTOR_TYPE ? v.getVector().type() : v.type();
}

bool isTypelessEmpty(const Variable &v)
{
    return v.type() == VECTOR_TYPE && v.getVector().isTypeless() && v.getVector().isEmpty();
}

// k from a double index; negative or NaN is "Wrong index". Values beyond 32
// bits become TOO_BIG (out of bounds for a read, too much memory for growth).
quint32 toPosition(double x, Rounding rounding, uint32_t limit, uint32_t &out)
{
    const double k = rounding == FLOOR_INDEX ? std::floor(x) : std::trunc(x);
    if (!(k >= 0))
        return ERR_WRONG_INDEX;
    out = k >= 4294967295.0 ? TOO_BIG : uint32_t(k);
    if (limit != NO_LIMIT && out >= limit)
        return ERR_INDEX_OUT_OF_BOUNDS;
    return ERR_SUCCESS;
}

quint32 selectDoubles(const Vector &indices, Rounding rounding, uint32_t limit, Selection &out)
{
    out.rows = indices.rowCount();
    out.columns = indices.columnCount();
    out.list.resize(indices.count());
    const double *x = indices.doubles();
    for (uint32_t i = 0; i < indices.count(); ++i) {
        if (const quint32 code = toPosition(x[i], rounding, limit, out.list[i]))
            return code;
    }
    return ERR_SUCCESS;
}

void selectTrue(const Vector &mask, Selection &out)
{
    out.mask = true;
    const bool *m = mask.booleans();
    for (uint32_t i = 0; i < mask.count(); ++i)
        if (m[i])
            out.list.push_back(i);
}

// One index into a rows x columns vector. A mask must have the vector's shape.
// An empty index vector selects nothing.
quint32 selectLinear(const Variable &index, Rounding rounding, uint32_t rows, uint32_t columns, uint32_t limit,
                     Selection &out)
{
    if (index.type() == DOUBLE_TYPE) {
        out.scalar = true;
        return toPosition(index.getDouble(), rounding, limit, out.first);
    }
    if (index.type() != VECTOR_TYPE)
        return ERR_WRONG_INDEX;
    const Vector &indices = index.getVector();
    if (indices.isEmpty() && (indices.isTypeless() || indices.type() == DOUBLE_TYPE))
        return ERR_SUCCESS;
    if (indices.type() == DOUBLE_TYPE)
        return selectDoubles(indices, rounding, limit, out);
    if (indices.type() != BOOLEAN_TYPE)
        return ERR_WRONG_INDEX;
    if (indices.rowCount() != rows)
        return ERR_ROW_COUNT_MISMATCH;
    if (indices.columnCount() != columns)
        return ERR_COLUMN_COUNT_MISMATCH;
    selectTrue(indices, out);
    return ERR_SUCCESS;
}

// One of two indices: along the rows (extent = row count) or the columns.
// A mask has one element per row or column.
quint32 selectAxis(const Variable &index, uint32_t extent, bool bounded, quint32 mismatch, Selection &out)
{
    const uint32_t limit = bounded ? extent : NO_LIMIT;
    if (index.type() == DOUBLE_TYPE) {
        out.scalar = true;
        return toPosition(index.getDouble(), FLOOR_INDEX, limit, out.first);
    }
    if (index.type() != VECTOR_TYPE)
        return ERR_WRONG_INDEX;
    const Vector &indices = index.getVector();
    if (indices.type() == DOUBLE_TYPE)
        return selectDoubles(indices, FLOOR_INDEX, limit, out);
    if (indices.type() != BOOLEAN_TYPE)
        return ERR_WRONG_INDEX;
    if (indices.count() != extent)
        return mismatch;
    selectTrue(indices, out);
    return ERR_SUCCESS;
}

quint32 selectRowsAndColumns(const Vector &v, const Variable &row, const Variable &column, bool bounded,
                             Selection &rows, Selection &columns)
{
    if (const quint32 code = selectAxis(row, v.rowCount(), bounded, ERR_ROW_COUNT_MISMATCH, rows))
        return code;
    return selectAxis(column, v.columnCount(), bounded, ERR_COLUMN_COUNT_MISMATCH, columns);
}

// --- reads ---

quint32 checkReadable(const Variable &value)
{
    if (value.isUndefined())
        return ERR_UNDEFINED_VARIABLE;
    if (value.type() != VECTOR_TYPE)
        return ERR_INDEX_NOT_WITH_VECTOR;
    return ERR_SUCCESS;
}

// The selected elements (linear positions) as a rows x columns vector.
quint32 gather(const Vector &v, const std::vector<uint32_t> &positions, uint32_t rows, uint32_t columns,
               Variable &result)
{
    if (positions.empty()) {
        result.setVector(Vector());
        return ERR_SUCCESS;
    }
    return byElementType(v.type(), [&](auto tag) {
        Vector out;
        if (!Vector::create(v.type(), rows, columns, out))
            return quint32(ERR_NOT_ENOUGH_MEMORY);
        const auto *in = items(v, tag);
        auto *to = mutableItems(out, tag);
        for (size_t i = 0; i < positions.size(); ++i)
            to[i] = in[positions[i]];
        result.setVector(std::move(out));
        return quint32(ERR_SUCCESS);
    });
}

quint32 elementAt(const Vector &v, uint32_t k, Variable &result)
{
    return byElementType(v.type(), [&](auto tag) {
        Variable element(items(v, tag)[k]);
        result = std::move(element);
        return quint32(ERR_SUCCESS);
    });
}

// --- writes ---

// The element type a fresh target takes from the assigned value.
quint32 freshVector(const Variable &value, Vector &out)
{
    const VariableType type = elementTypeOf(value);
    if (type == UNDEFINED_TYPE)
        return ERR_UNDEFINED_VARIABLE;
    if (type > STRING_TYPE)
        return ERR_OPERATION_NOT_SUPPORTED;
    out = Vector(type);
    return ERR_SUCCESS;
}

// Undefined, absent or the empty typeless vector: indexed assignment
// creates the vector.
bool isFreshTarget(const Variable &target)
{
    return target.isUndefined() || isTypelessEmpty(target);
}

// The assigned value against `addressed` target elements: the element
// type must match; a vector supplies one element per addressed element, or a
// single element for all of them (unless `exact`).
quint32 checkValue(VariableType targetType, const Variable &value, uint32_t addressed, bool exact)
{
    if (targetType != BOOLEAN_TYPE && targetType != DOUBLE_TYPE && targetType != STRING_TYPE)
        return ERR_OPERATION_NOT_SUPPORTED;
    if (value.isUndefined())
        return ERR_UNDEFINED_VARIABLE;
    if (elementTypeOf(value) != targetType)
        return ERR_TYPE_MISMATCH;
    if (value.type() != VECTOR_TYPE)
        return ERR_SUCCESS;
    const uint32_t n = value.getVector().count();
    if (n == addressed || (n == 1 && !exact))
        return ERR_SUCCESS;
    return ERR_DIFFERENT_MATRIX_SIZE;
}

// Writes element i of the value (or its only element, or the scalar) to
// every listed position of `to`.
template <typename T>
void scatter(T *to, const Variable &value, const std::vector<uint32_t> &positions, const T &tag)
{
    if (value.type() != VECTOR_TYPE) {
        const T x = scalarOf(value, tag);
        for (uint32_t p : positions)
            to[p] = x;
        return;
    }
    const Vector &source = value.getVector();
    const auto *from = items(source, tag);
    const bool single = source.count() == 1;
    for (size_t i = 0; i < positions.size(); ++i)
        to[positions[i]] = from[single ? 0 : i];
}

quint32 deleteIndex1(Variable &target, const Variable &index)
{
    if (target.isUndefined())
        return ERR_UNDEFINED_VARIABLE;
    if (target.type() != VECTOR_TYPE)
        return ERR_INDEX_NOT_WITH_VECTOR;
    const Vector &current = target.getVector();
    const uint32_t n = current.count();
    if (n > 0 && !current.isLine())
        return ERR_WRONG_INDEX;
    Selection s;
    if (const quint32 code = selectLinear(index, FLOOR_INDEX, current.rowCount(), current.columnCount(), n, s))
        return code;
    if (s.size() == 0)
        return ERR_SUCCESS;
    std::vector<bool> removed(n, false);
    uint32_t removedCount = 0;
    for (uint32_t i = 0; i < s.size(); ++i) {
        if (!removed[s[i]]) {
            removed[s[i]] = true;
            ++removedCount;
        }
    }
    const uint32_t kept = n - removedCount;
    const bool row = current.rowCount() == 1;
    return byElementType(current.type(), [&](auto tag) {
        if (kept == 0) {
            target.setVector(Vector());
            return quint32(ERR_SUCCESS);
        }
        Vector v = std::move(target.vectorRef());
        auto *x = mutableItems(v, tag);
        if (!x) {
            target.vectorRef() = std::move(v);
            return quint32(ERR_NOT_ENOUGH_MEMORY);
        }
        uint32_t to = 0;
        for (uint32_t i = 0; i < n; ++i)
            if (!removed[i])
                x[to++] = x[i];
        v.truncate(kept); // unshared after the write above: cannot fail
        v.setSize(row ? 1 : kept, row ? kept : 1);
        target.vectorRef() = std::move(v);
        return quint32(ERR_SUCCESS);
    });
}

// True when every position below `extent` occurs in the selection.
bool coversAll(const Selection &s, uint32_t extent)
{
    std::vector<bool> seen(extent, false);
    uint32_t count = 0;
    for (uint32_t i = 0; i < s.size(); ++i)
        if (!seen[s[i]]) {
            seen[s[i]] = true;
            ++count;
        }
    return count == extent;
}

// a[r, c] = []: removes the selected rows when the column index addresses
// every column, else the selected columns when the row index addresses every
// row; any other pair cannot be deleted without leaving holes.
quint32 deleteIndex2(Variable &target, const Variable &row, const Variable &column)
{
    if (target.isUndefined())
        return ERR_UNDEFINED_VARIABLE;
    if (target.type() != VECTOR_TYPE)
        return ERR_INDEX_NOT_WITH_VECTOR;
    const Vector &current = target.getVector();
    Selection rows, columns;
    if (const quint32 code = selectRowsAndColumns(current, row, column, true, rows, columns))
        return code;
    const uint32_t R = current.rowCount(), C = current.columnCount();
    std::vector<bool> dropRow(R, false), dropColumn(C, false);
    if (coversAll(columns, C)) {
        for (uint32_t i = 0; i < rows.size(); ++i)
            dropRow[rows[i]] = true;
    } else if (coversAll(rows, R)) {
        for (uint32_t i = 0; i < columns.size(); ++i)
            dropColumn[columns[i]] = true;
    } else {
        return ERR_WRONG_INDEX;
    }
    const uint32_t keptRows = uint32_t(std::count(dropRow.begin(), dropRow.end(), false));
    const uint32_t keptColumns = uint32_t(std::count(dropColumn.begin(), dropColumn.end(), false));
    if (keptRows == R && keptColumns == C)
        return ERR_SUCCESS;
    return byElementType(current.type(), [&](auto tag) {
        if (keptRows == 0 || keptColumns == 0) {
            target.setVector(Vector());
            return quint32(ERR_SUCCESS);
        }
        Vector out;
        if (!Vector::create(current.type(), keptRows, keptColumns, out))
            return quint32(ERR_NOT_ENOUGH_MEMORY);
        const auto *in = items(current, tag);
        auto *to = mutableItems(out, tag);
        for (uint32_t r = 0; r < R; ++r) {
            if (dropRow[r])
                continue;
            for (uint32_t c = 0; c < C; ++c)
                if (!dropColumn[c])
                    *to++ = in[size_t(r) * C + c];
        }
        target.setVector(std::move(out));
        return quint32(ERR_SUCCESS);
    });
}

// The positions selected by a row and a column selection, row-major in the
// order of the indices, in a C-column array.
std::vector<uint32_t> crossPositions(const Selection &rows, const Selection &columns, uint32_t C)
{
    std::vector<uint32_t> out;
    out.reserve(size_t(rows.size()) * columns.size());
    for (uint32_t i = 0; i < rows.size(); ++i)
        for (uint32_t j = 0; j < columns.size(); ++j)
            out.push_back(rows[i] * C + columns[j]);
    return out;
}

template <typename F>
quint32 updateDoubles(Variable &target, F &&update)
{
    Vector v = std::move(target.vectorRef());
    double *x = v.mutableDoubles();
    if (!x && !v.isEmpty()) {
        target.vectorRef() = std::move(v);
        return ERR_NOT_ENOUGH_MEMORY;
    }
    update(x);
    target.vectorRef() = std::move(v);
    return ERR_SUCCESS;
}

quint32 checkIncrementable(const Variable &target)
{
    if (target.isUndefined())
        return ERR_UNDEFINED_VARIABLE;
    if (target.type() != VECTOR_TYPE)
        return ERR_INDEX_NOT_WITH_VECTOR;
    if (target.getVector().type() != DOUBLE_TYPE)
        return ERR_OPERATION_NOT_SUPPORTED;
    return ERR_SUCCESS;
}

// Adds delta once to every selected element, repeated positions included
// once, as v(i) = v(i) + delta would.
quint32 incrementPositions(Variable &target, const std::vector<uint32_t> &positions, double delta)
{
    return updateDoubles(target, [&](double *x) {
        std::vector<double> values(positions.size());
        for (size_t i = 0; i < positions.size(); ++i)
            values[i] = x[positions[i]] + delta;
        for (size_t i = 0; i < positions.size(); ++i)
            x[positions[i]] = values[i];
    });
}

} // namespace

quint32 readIndex1(const Variable &value, const Variable &index, Variable &result)
{
    if (const quint32 code = checkReadable(value))
        return code;
    const Vector &v = value.getVector();
    if (index.type() == DOUBLE_TYPE) {
        uint32_t k;
        if (const quint32 code = toPosition(index.getDouble(), FLOOR_INDEX, v.count(), k))
            return code;
        return elementAt(v, k, result);
    }
    Selection s;
    if (const quint32 code = selectLinear(index, FLOOR_INDEX, v.rowCount(), v.columnCount(), v.count(), s))
        return code;
    if (v.type() != BOOLEAN_TYPE && v.type() != DOUBLE_TYPE && v.type() != STRING_TYPE && !v.isEmpty())
        return ERR_OPERATION_NOT_SUPPORTED;
    const uint32_t n = uint32_t(s.list.size());
    if (!s.mask)
        return gather(v, s.list, s.rows, s.columns, result);
    const bool column = v.columnCount() == 1;
    return gather(v, s.list, column ? n : 1, column ? 1 : n, result);
}

quint32 readIndex2(const Variable &value, const Variable &row, const Variable &column, Variable &result)
{
    if (const quint32 code = checkReadable(value))
        return code;
    const Vector &v = value.getVector();
    if (row.type() == DOUBLE_TYPE && column.type() == DOUBLE_TYPE) {
        uint32_t r, c;
        if (const quint32 code = toPosition(row.getDouble(), FLOOR_INDEX, v.rowCount(), r))
            return code;
        if (const quint32 code = toPosition(column.getDouble(), FLOOR_INDEX, v.columnCount(), c))
            return code;
        return elementAt(v, r * v.columnCount() + c, result);
    }
    Selection rows, columns;
    if (const quint32 code = selectRowsAndColumns(v, row, column, true, rows, columns))
        return code;
    if (v.type() != BOOLEAN_TYPE && v.type() != DOUBLE_TYPE && v.type() != STRING_TYPE)
        return ERR_OPERATION_NOT_SUPPORTED;
    return gather(v, crossPositions(rows, columns, v.columnCount()), rows.size(), columns.size(), result);
}

quint32 assignIndex1(Variable &target, const Variable &index, const Variable &value)
{
    if (isTypelessEmpty(value))
        return deleteIndex1(target, index);
    const bool fresh = isFreshTarget(target);
    if (!fresh && target.type() != VECTOR_TYPE)
        return ERR_INDEX_NOT_WITH_VECTOR;
    Vector created;
    if (fresh) {
        if (const quint32 code = freshVector(value, created))
            return code;
        if (elementTypeOf(index) == BOOLEAN_TYPE)
            return ERR_WRONG_INDEX;
    }
    const Vector &current = fresh ? created : target.getVector();
    Selection s;
    if (const quint32 code =
            selectLinear(index, TRUNCATE_INDEX, current.rowCount(), current.columnCount(), NO_LIMIT, s))
        return code;
    if (const quint32 code = checkValue(current.type(), value, s.size(), s.mask || s.scalar))
        return code;
    if (s.size() == 0) {
        if (fresh)
            target.setVector(std::move(created));
        return ERR_SUCCESS;
    }
    const uint32_t top = s.maximum();
    const uint32_t n = current.count();
    if (top >= n) {
        const bool line = current.rowCount() <= 1 || current.columnCount() == 1;
        if (!line)
            return ERR_WRONG_INDEX;
        if (top == TOO_BIG)
            return ERR_NOT_ENOUGH_MEMORY;
    }
    const bool row = current.rowCount() <= 1;
    Vector v = fresh ? std::move(created) : std::move(target.vectorRef());
    auto restore = [&](quint32 code) {
        if (!fresh)
            target.vectorRef() = std::move(v);
        return code;
    };
    return byElementType(v.type(), [&](auto tag) {
        using T = std::decay_t<decltype(tag)>;
        // Grow first (zero-filled), so that no element is written before the
        // last allocation has succeeded.
        if (top >= n && !v.set(top, T(tag)))
            return restore(ERR_NOT_ENOUGH_MEMORY);
        auto *x = mutableItems(v, tag);
        if (!x)
            return restore(ERR_NOT_ENOUGH_MEMORY);
        if (s.scalar) {
            x[s.first] = value.type() == VECTOR_TYPE ? items(value.getVector(), tag)[0] : scalarOf(value, tag);
        } else {
            scatter(x, value, s.list, tag);
        }
        if (top >= n)
            v.setSize(row ? 1 : top + 1, row ? top + 1 : 1);
        if (fresh)
            target.setVector(std::move(v));
        else
            target.vectorRef() = std::move(v);
        return quint32(ERR_SUCCESS);
    });
}

quint32 assignIndex2(Variable &target, const Variable &row, const Variable &column, const Variable &value)
{
    if (isTypelessEmpty(value))
        return deleteIndex2(target, row, column);
    const bool fresh = isFreshTarget(target);
    if (!fresh && target.type() != VECTOR_TYPE)
        return ERR_INDEX_NOT_WITH_VECTOR;
    Vector created;
    if (fresh) {
        if (const quint32 code = freshVector(value, created))
            return code;
    }
    const Vector &current = fresh ? created : target.getVector();
    Selection rows, columns;
    if (const quint32 code = selectRowsAndColumns(current, row, column, false, rows, columns))
        return code;
    const uint64_t addressed = uint64_t(rows.size()) * columns.size();
    if (const quint32 code = checkValue(current.type(), value, uint32_t(std::min<uint64_t>(addressed, TOO_BIG)), false))
        return code;
    if (addressed == 0) {
        if (fresh)
            target.setVector(std::move(created));
        return ERR_SUCCESS;
    }
    const uint32_t R = current.rowCount(), C = current.columnCount();
    const uint32_t topRow = rows.maximum(), topColumn = columns.maximum();
    if (topRow == TOO_BIG || topColumn == TOO_BIG)
        return ERR_NOT_ENOUGH_MEMORY;
    const uint32_t newR = std::max(R, topRow + 1), newC = std::max(C, topColumn + 1);
    return byElementType(current.type(), [&](auto tag) {
        Vector grown;
        const bool growing = newR != R || newC != C;
        if (growing) {
            if (!Vector::create(current.type(), newR, newC, grown))
                return quint32(ERR_NOT_ENOUGH_MEMORY);
            if (R > 0 && C > 0) {
                const auto *in = items(current, tag);
                auto *to = mutableItems(grown, tag);
                for (uint32_t r = 0; r < R; ++r)
                    for (uint32_t c = 0; c < C; ++c)
                        to[size_t(r) * newC + c] = in[size_t(r) * C + c];
            }
        } else {
            grown = std::move(target.vectorRef());
            if (!mutableItems(grown, tag)) {
                target.vectorRef() = std::move(grown);
                return quint32(ERR_NOT_ENOUGH_MEMORY);
            }
        }
        scatter(mutableItems(grown, tag), value, crossPositions(rows, columns, newC), tag);
        target.setVector(std::move(grown));
        return quint32(ERR_SUCCESS);
    });
}

quint32 incrementVariable(Variable &target, double delta)
{
    if (target.isUndefined())
        return ERR_UNDEFINED_VARIABLE;
    if (target.type() == DOUBLE_TYPE) {
        target.setDouble(target.getDouble() + delta);
        return ERR_SUCCESS;
    }
    if (target.type() != VECTOR_TYPE)
        return ERR_OPERATION_NOT_SUPPORTED;
    if (target.getVector().isEmpty())
        return ERR_SUCCESS;
    if (target.getVector().type() != DOUBLE_TYPE)
        return ERR_OPERATION_NOT_SUPPORTED;
    const uint32_t n = target.getVector().count();
    return updateDoubles(target, [&](double *x) {
        for (uint32_t i = 0; i < n; ++i)
            x[i] += delta;
    });
}

quint32 incrementIndex1(Variable &target, const Variable &index, double delta)
{
    if (const quint32 code = checkIncrementable(target))
        return code;
    const Vector &v = target.getVector();
    Selection s;
    if (const quint32 code = selectLinear(index, FLOOR_INDEX, v.rowCount(), v.columnCount(), v.count(), s))
        return code;
    if (s.scalar) {
        const uint32_t k = s.first;
        return updateDoubles(target, [&](double *x) { x[k] += delta; });
    }
    return incrementPositions(target, s.list, delta);
}

quint32 incrementIndex2(Variable &target, const Variable &row, const Variable &column, double delta)
{
    if (const quint32 code = checkIncrementable(target))
        return code;
    const Vector &v = target.getVector();
    Selection rows, columns;
    if (const quint32 code = selectRowsAndColumns(v, row, column, true, rows, columns))
        return code;
    return incrementPositions(target, crossPositions(rows, columns, v.columnCount()), delta);
}
