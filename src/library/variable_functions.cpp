#include "library/native_definition.h"
#include "library/path_functions.h"

namespace {

// Shapes are properties of arrays: a scalar is not a line, and an empty
// array (0 x 0) is neither a row nor a column.
bool isLine(const Variable &v)
{
    return v.type() == VECTOR_TYPE && !v.getVector().isEmpty() && v.getVector().isLine();
}

bool isRow(const Variable &v)
{
    return v.type() == VECTOR_TYPE && !v.getVector().isEmpty() && v.getVector().rowCount() == 1;
}

bool isColumn(const Variable &v)
{
    return v.type() == VECTOR_TYPE && !v.getVector().isEmpty() && v.getVector().columnCount() == 1;
}

bool isVector(const Variable &v)
{
    return v.type() == VECTOR_TYPE;
}

// A single value rather than an array; strings are single values too.
bool isScalar(const Variable &v)
{
    const VariableType t = v.type();
    return t == BOOLEAN_TYPE || t == INTEGER_TYPE || t == DOUBLE_TYPE || t == STRING_TYPE;
}

bool isEmpty(const Variable &v)
{
    return v.isEmptyVector();
}

// The type tests look through an array at its elements.
VariableType elementType(const Variable &v)
{
    return v.type() == VECTOR_TYPE ? v.getVector().type() : v.type();
}

bool isDouble(const Variable &v)
{
    return elementType(v) == DOUBLE_TYPE;
}

bool isString(const Variable &v)
{
    return elementType(v) == STRING_TYPE;
}

bool isBool(const Variable &v)
{
    return elementType(v) == BOOLEAN_TYPE;
}

// One argument of any type; the answer is a boolean.
template <bool (*Test)(const Variable &)>
bool predicate(NativeFrame &frame)
{
    if (!frame.expectArguments(1))
        return false;
    const bool answer = Test(frame.arg(0));
    frame.setResult(Variable(answer));
    return true;
}

const NativeDefinition kVariableNatives[] = {
    {"is_line", predicate<isLine>},
    {"is_row", predicate<isRow>},
    {"is_column", predicate<isColumn>},
    {"is_file", isFileNative},
    {"is_dir", isDirNative},
    {"path_exists", pathExistsNative},
    {"is_vector", predicate<isVector>},
    {"is_scalar", predicate<isScalar>},
    {"is_empty", predicate<isEmpty>},
    {"is_double", predicate<isDouble>},
    {"is_string", predicate<isString>},
    {"is_bool", predicate<isBool>},
};

} // namespace

std::span<const NativeDefinition> variableNatives()
{
    return kVariableNatives;
}
