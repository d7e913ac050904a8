#pragma once

#include "values/list.h"

#include <QtGlobal>

// MAKE_ROW (horizontal) and MAKE_COLUMN (vertical): replaces the n top
// entries of the stack, the deepest being the leftmost or topmost block, by
// their concatenation. Returns 0, or the error code to report with the stack
// left unchanged.
quint32 concatenate(List &stack, int n, bool horizontal);
