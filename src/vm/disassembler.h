#pragma once

#include <QString>

class Script;

// A readable listing of a Script's code, one instruction a line:
//   0004  STORE 0 (x)
//   0007  JUMP_IF_FALSE +5 -> 0014
// Variables are shown with their names, constants with their values, calls
// with the function's name. Invalid bytes are shown as "??? <byte>".
QString disassemble(const Script &script);

// The same instructions on one line separated by "; ", without offsets and
// with names in place of ids (`PUSH_ONE; STORE x; PRINT_VAR x; POP`); jumps
// show their target offset as "@14". Used by tests.
QString disassembleCompact(const Script &script);
