#pragma once

#include "library/native_frame.h"

#include <span>

// One native routine under the name scripts call it by. Every family of
// natives exports its table through one of the functions below; the
// registry puts the names into the registration order and owns the ids.
struct NativeDefinition {
    const char *name;
    NativeRoutine routine;
};

// Families, one source file each (their tables live there).
std::span<const NativeDefinition> elementaryMathNatives();  // elementary_functions.cpp
std::span<const NativeDefinition> reductionNatives();       // reduction_functions.cpp
std::span<const NativeDefinition> filledArrayNatives();     // filled_array_functions.cpp
std::span<const NativeDefinition> arrayNatives();           // array_functions.cpp
std::span<const NativeDefinition> matrixNatives();          // matrix_functions.cpp
std::span<const NativeDefinition> stringNatives();          // convert_functions.cpp
std::span<const NativeDefinition> variableNatives();        // variable_functions.cpp
std::span<const NativeDefinition> commandNatives();         // command_functions.cpp
std::span<const NativeDefinition> teeNatives();             // tee_functions.cpp
std::span<const NativeDefinition> fileNatives();            // file_functions.cpp
std::span<const NativeDefinition> pathNatives();            // path_functions.cpp
std::span<const NativeDefinition> errorNatives();           // error_functions.cpp
std::span<const NativeDefinition> registryNatives();        // function_registry_natives.cpp
std::span<const NativeDefinition> graphNatives();           // graphs/graph_functions.cpp
std::span<const NativeDefinition> csvNatives();             // persistence/csv_functions.cpp
