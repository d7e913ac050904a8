#pragma once

#include <cstdint>

// Gauss-Jordan elimination on row-major n x n matrices. Only an exact 0.0
// counts as a missing pivot: the first row below with a non-zero entry in the
// column is swapped in; there is no magnitude-based pivoting and no tolerance.

// Solves a X = b in place (b is n x m; it holds X afterwards). `a` is
// destroyed. False when a pivot is missing (the matrix is singular).
bool solveLinear(double *a, double *b, uint32_t n, uint32_t m);

// Eliminates `a` without a right-hand side (det and rank). A column without
// a pivot is skipped and the next column looks for its pivot in the same
// row, so the count returned is the rank of `a` under the exact-zero test.
// When it is n, the diagonal holds what the whole elimination leaves there;
// the rest of `a` is not meaningful. `swaps` receives the number of row swaps
// made.
uint32_t eliminateInPlace(double *a, uint32_t n, int &swaps);

// The determinant by elimination of `a` (destroyed): the product of the
// pivots, negated after an odd number of row swaps. `singular` is set when
// a pivot is missing; the result is then 0.
double determinant(double *a, uint32_t n, bool &singular);
