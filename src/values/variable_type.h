#pragma once

#include <QString>

// The type tags are stored in workspace files, so their values are fixed.
enum VariableType : unsigned char {
    UNDEFINED_TYPE = 0,
    BOOLEAN_TYPE = 1,
    INTEGER_TYPE = 2,
    DOUBLE_TYPE = 3,
    STRING_TYPE = 4,
    VECTOR_TYPE = 5,
};

// "undefined" ... "vector", or "TYPE IS NOT IN LIST" for anything else.
QString typeName(int type);
