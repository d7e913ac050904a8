#pragma once

#include "values/error_codes.h"

#include <QtCore/qcoreapplication.h>

struct ErrorTableEntry {
    ErrorCode code;
    const char *message;
};

extern const ErrorTableEntry kErrorTable[];
extern const int kErrorTableSize;
