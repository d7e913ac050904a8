#pragma once

#include "values/variable.h"

#include <QtGlobal>

// Indexed reads, indexed assignment (with growth and deletion) and the
// increment forms. Every routine returns 0, or the error code to report;
// on failure the target variable and the result are left as they were.
// Indices are zero-based; reads and two-index assignments take the floor of
// a double index, one-index assignments truncate it toward zero.

quint32 readIndex1(const Variable &value, const Variable &index, Variable &result);
quint32 readIndex2(const Variable &value, const Variable &row, const Variable &column, Variable &result);

// `value` the empty typeless vector deletes the indexed elements instead.
quint32 assignIndex1(Variable &target, const Variable &index, const Variable &value);
quint32 assignIndex2(Variable &target, const Variable &row, const Variable &column, const Variable &value);

// target += delta for a double or every element of a double vector.
quint32 incrementVariable(Variable &target, double delta);
quint32 incrementIndex1(Variable &target, const Variable &index, double delta);
quint32 incrementIndex2(Variable &target, const Variable &row, const Variable &column, double delta);
