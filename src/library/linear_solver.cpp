#include "library/linear_solver.h"

#include <cstddef>
#include <utility>

using std::size_t;

namespace {

void swapRows(double *m, uint32_t width, uint32_t r1, uint32_t r2)
{
    double *x = m + size_t(r1) * width;
    double *y = m + size_t(r2) * width;
    for (uint32_t j = 0; j < width; ++j)
        std::swap(x[j], y[j]);
}

// Finds a non-zero pivot for column k at or below row p and moves it to row
// p. False when the column has none there.
bool choosePivot(double *a, double *b, uint32_t n, uint32_t m, uint32_t p, uint32_t k, int &swaps)
{
    if (a[size_t(p) * n + k] != 0.0)
        return true;
    for (uint32_t i = p + 1; i < n; ++i) {
        if (a[size_t(i) * n + k] != 0.0) {
            swapRows(a, n, i, p);
            if (b)
                swapRows(b, m, i, p);
            ++swaps;
            return true;
        }
    }
    return false;
}

// Subtracts a(i, k) / a(p, k) times row p from every other row i.
void eliminateColumn(double *a, double *b, uint32_t n, uint32_t m, uint32_t p, uint32_t k)
{
    const double *pivotRow = a + size_t(p) * n;
    const double *pivotRhs = b ? b + size_t(p) * m : nullptr;
    const double pivot = pivotRow[k];
    for (uint32_t i = 0; i < n; ++i) {
        if (i == p)
            continue;
        double *row = a + size_t(i) * n;
        const double factor = row[k] / pivot;
        for (uint32_t j = 0; j < n; ++j)
            row[j] -= factor * pivotRow[j];
        if (b) {
            double *rhs = b + size_t(i) * m;
            for (uint32_t j = 0; j < m; ++j)
                rhs[j] -= factor * pivotRhs[j];
        }
    }
}

} // namespace

bool solveLinear(double *a, double *b, uint32_t n, uint32_t m)
{
    int swaps = 0;
    for (uint32_t k = 0; k < n; ++k) {
        if (!choosePivot(a, b, n, m, k, k, swaps))
            return false;
        eliminateColumn(a, b, n, m, k, k);
    }
    for (uint32_t i = 0; i < n; ++i) {
        const double pivot = a[size_t(i) * n + i];
        double *rhs = b + size_t(i) * m;
        for (uint32_t j = 0; j < m; ++j)
            rhs[j] /= pivot;
    }
    return true;
}

uint32_t eliminateInPlace(double *a, uint32_t n, int &swaps)
{
    swaps = 0;
    uint32_t pivots = 0;
    for (uint32_t k = 0; k < n; ++k) {
        if (!choosePivot(a, nullptr, n, 0, pivots, k, swaps))
            continue;
        eliminateColumn(a, nullptr, n, 0, pivots, k);
        ++pivots;
    }
    return pivots;
}

double determinant(double *a, uint32_t n, bool &singular)
{
    int swaps = 0;
    singular = eliminateInPlace(a, n, swaps) < n;
    if (singular)
        return 0.0;
    double product = 1.0;
    for (uint32_t i = 0; i < n; ++i)
        product *= a[size_t(i) * n + i];
    return swaps % 2 ? -product : product;
}
