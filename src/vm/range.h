#pragma once

#include "values/variable.h"

#include <QtGlobal>

// The range operators a:b and start:step:end. Each returns 0 and writes a
// 1 x n double row into `result`, or returns the error code to report
// (`result` is then untouched).
quint32 makeRange(const Variable &first, const Variable &last, Variable &result);
quint32 makeSteppedRange(const Variable &start, const Variable &step, const Variable &end, Variable &result);
