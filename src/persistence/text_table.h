#pragma once

#include "values/variable.h"

#include <QString>

class FailureReporter;
class QIODevice;

// The text table: one row per line, fields separated by ";", no quoting.
// A single field in a single line is a scalar; anything else an array of
// the chosen element type. Reading is all-or-nothing.
namespace TextTable {

// Reads the whole device as a table of `type` (BOOLEAN_TYPE, DOUBLE_TYPE or
// STRING_TYPE). False after reporting through `reporter`; `value` is then
// untouched.
bool read(QIODevice &device, VariableType type, const FailureReporter &reporter, Variable &value);
// The checks readFile() makes before reading: the file exists, opens and
// is not empty.
bool checkFile(const QString &path, const FailureReporter &reporter);
// Opens and reads a file, checking that it exists, opens and is not empty.
bool readFile(const QString &path, VariableType type, const FailureReporter &reporter, Variable &value);

// The text form of a defined scalar or non-empty array; rows end in "\n".
QByteArray text(const Variable &value);
// Writes `value` to `path`; undefined values and empty arrays are refused.
bool writeFile(const QString &path, const Variable &value, const FailureReporter &reporter);

} // namespace TextTable
