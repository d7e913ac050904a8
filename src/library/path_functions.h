#pragma once

#include "library/native_frame.h"

// The file-system predicates. They are registered among the type and shape
// tests (variableNatives), where scripts expect them next to is_line.
bool isFileNative(NativeFrame &frame);
bool isDirNative(NativeFrame &frame);
bool pathExistsNative(NativeFrame &frame);
