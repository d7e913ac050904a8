#pragma once

#include <cstdint>

// Gauss-Jordan elimination on row-major n x n matrices. Only an exact 0.0
// counts as a missing pivot: the first row below with a non-zero entry in the
// column is swapped in; there is no magnitude-based pivoting and no tolerance.

// Solves a X = b in place (b is n x m; it holds X afterwards). `a` is
// destroyed. False when a pivot is missing (the matrix is singular).
bool solveLinear(double *a, double *b, uint32_t n, uint32_t m);

// Eliminates `a` without a right-hand side, going on past missing pivots
// (det and rank need the whole diagonal). Returns the number of non-zero
// diagonal entries left; `swaps` receives the number of row swaps made.
uint32_t eliminateInPlace(double *a, uint32_t n, int &swaps);
