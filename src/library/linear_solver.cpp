#include "library/linear_solver.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

using std::size_t;

// Every element receives the updates x -= f * u of the plain Gauss-Jordan
// loop, one per elimination step, in step order, each product rounded before
// the subtraction (the build forbids contraction into fused multiply-adds).
// The blocked form below only changes when an update is made, never which
// updates an element gets or their order, so results are bit for bit those of
// the plain loop. It works on panels of kPanel columns: within a panel the
// panel's columns are eliminated at once, and the rest of every row collects
// its factors and receives the panel's updates in one pass of register tiles.

namespace {

// Four doubles; unaligned, and allowed to alias the double arrays it is read
// from and written to.
typedef double Quad __attribute__((vector_size(32), aligned(8), may_alias));

constexpr uint32_t kPanel = 32;
// Columns per pass of the block update, so that the panel's pivot rows stay
// in cache while every row goes by.
constexpr uint32_t kChunk = 128;
// Smaller systems take the plain loop.
constexpr uint32_t kBlockedFrom = 48;

inline Quad &quad(double *p)
{
    return *reinterpret_cast<Quad *>(p);
}

inline const Quad &quad(const double *p)
{
    return *reinterpret_cast<const Quad *>(p);
}

// ---- the plain loop ----

void swapRows(double *m, uint32_t width, uint32_t r1, uint32_t r2)
{
    double *x = m + size_t(r1) * width;
    double *y = m + size_t(r2) * width;
    for (uint32_t j = 0; j < width; ++j)
        std::swap(x[j], y[j]);
}

// Finds a non-zero pivot for column k at or below row p and moves it to row
// p. Returns the row it came from, or n when the column has none there.
uint32_t findPivot(const double *a, uint32_t n, uint32_t p, uint32_t k)
{
    for (uint32_t i = p; i < n; ++i)
        if (a[size_t(i) * n + k] != 0.0)
            return i;
    return n;
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

uint32_t eliminatePlain(double *a, double *b, uint32_t n, uint32_t m, bool stopAtMissing, int &swaps)
{
    uint32_t pivots = 0;
    for (uint32_t k = 0; k < n; ++k) {
        const uint32_t r = findPivot(a, n, pivots, k);
        if (r == n) {
            if (stopAtMissing)
                return pivots;
            continue;
        }
        if (r != pivots) {
            swapRows(a, n, r, pivots);
            if (b)
                swapRows(b, m, r, pivots);
            ++swaps;
        }
        eliminateColumn(a, b, n, m, pivots, k);
        ++pivots;
    }
    return pivots;
}

// ---- block updates ----

// c[j] -= f[t] * u[t][j] for t in [t0, t1) in order, j in [0, w): one row.
__attribute__((target_clones("avx2", "default")))
void updateRow(double *c, const double *f, const double *u, size_t ldu, uint32_t w, uint32_t t0, uint32_t t1)
{
    uint32_t j = 0;
    for (; j + 16 <= w; j += 16) {
        Quad c0 = quad(c + j), c1 = quad(c + j + 4), c2 = quad(c + j + 8), c3 = quad(c + j + 12);
        for (uint32_t t = t0; t < t1; ++t) {
            const double *ut = u + size_t(t) * ldu + j;
            const Quad x = {f[t], f[t], f[t], f[t]};
            c0 -= x * quad(ut);
            c1 -= x * quad(ut + 4);
            c2 -= x * quad(ut + 8);
            c3 -= x * quad(ut + 12);
        }
        quad(c + j) = c0;
        quad(c + j + 4) = c1;
        quad(c + j + 8) = c2;
        quad(c + j + 12) = c3;
    }
    for (; j + 4 <= w; j += 4) {
        Quad c0 = quad(c + j);
        for (uint32_t t = t0; t < t1; ++t) {
            const Quad x = {f[t], f[t], f[t], f[t]};
            c0 -= x * quad(u + size_t(t) * ldu + j);
        }
        quad(c + j) = c0;
    }
    for (; j < w; ++j) {
        double x = c[j];
        for (uint32_t t = t0; t < t1; ++t)
            x -= f[t] * u[size_t(t) * ldu + j];
        c[j] = x;
    }
}

// The same for `rows` rows of stride ldc with their factors at stride ldf,
// every row taking the steps [0, t1). A 4 x 8 tile stays in registers while
// t runs.
__attribute__((target_clones("avx2", "default")))
void updateRows(double *c, size_t ldc, uint32_t rows, const double *f, size_t ldf, const double *u, size_t ldu,
                uint32_t w, uint32_t t1)
{
    for (uint32_t j0 = 0; j0 < w; j0 += kChunk) {
        const uint32_t width = std::min(kChunk, w - j0);
        uint32_t r = 0;
        for (; r + 4 <= rows; r += 4) {
            double *c0 = c + size_t(r) * ldc + j0;
            double *c1 = c0 + ldc;
            double *c2 = c1 + ldc;
            double *c3 = c2 + ldc;
            const double *f0 = f + size_t(r) * ldf;
            const double *f1 = f0 + ldf;
            const double *f2 = f1 + ldf;
            const double *f3 = f2 + ldf;
            const double *uc = u + j0;
            uint32_t j = 0;
            for (; j + 8 <= width; j += 8) {
                Quad a0 = quad(c0 + j), a1 = quad(c0 + j + 4);
                Quad b0 = quad(c1 + j), b1 = quad(c1 + j + 4);
                Quad d0 = quad(c2 + j), d1 = quad(c2 + j + 4);
                Quad e0 = quad(c3 + j), e1 = quad(c3 + j + 4);
                for (uint32_t t = 0; t < t1; ++t) {
                    const double *ut = uc + size_t(t) * ldu + j;
                    const Quad u0 = quad(ut), u1 = quad(ut + 4);
                    const Quad x0 = {f0[t], f0[t], f0[t], f0[t]};
                    a0 -= x0 * u0;
                    a1 -= x0 * u1;
                    const Quad x1 = {f1[t], f1[t], f1[t], f1[t]};
                    b0 -= x1 * u0;
                    b1 -= x1 * u1;
                    const Quad x2 = {f2[t], f2[t], f2[t], f2[t]};
                    d0 -= x2 * u0;
                    d1 -= x2 * u1;
                    const Quad x3 = {f3[t], f3[t], f3[t], f3[t]};
                    e0 -= x3 * u0;
                    e1 -= x3 * u1;
                }
                quad(c0 + j) = a0;
                quad(c0 + j + 4) = a1;
                quad(c1 + j) = b0;
                quad(c1 + j + 4) = b1;
                quad(c2 + j) = d0;
                quad(c2 + j + 4) = d1;
                quad(c3 + j) = e0;
                quad(c3 + j + 4) = e1;
            }
            if (j < width) {
                updateRow(c0 + j, f0, uc + j, ldu, width - j, 0, t1);
                updateRow(c1 + j, f1, uc + j, ldu, width - j, 0, t1);
                updateRow(c2 + j, f2, uc + j, ldu, width - j, 0, t1);
                updateRow(c3 + j, f3, uc + j, ldu, width - j, 0, t1);
            }
        }
        for (; r < rows; ++r)
            updateRow(c + size_t(r) * ldc + j0, f + size_t(r) * ldf, u + j0, ldu, width, 0, t1);
    }
}

// One elimination step on the panel's columns [k0, k1): the factor of every
// row but p goes to factors[i * kPanel], and the row is updated in the panel.
// False when a factor is not finite.
__attribute__((target_clones("avx2", "default")))
bool panelStep(double *a, uint32_t n, uint32_t p, uint32_t k, uint32_t k0, uint32_t k1, double *factors)
{
    const double *pivotRow = a + size_t(p) * n;
    const double pivot = pivotRow[k];
    bool finite = true;
    for (uint32_t i = 0; i < n; ++i) {
        if (i == p)
            continue;
        double *row = a + size_t(i) * n;
        const double factor = row[k] / pivot;
        factors[size_t(i) * kPanel] = factor;
        finite = finite && std::isfinite(factor);
        const Quad x = {factor, factor, factor, factor};
        uint32_t j = k0;
        for (; j + 4 <= k1; j += 4)
            quad(row + j) = quad(row + j) - x * quad(pivotRow + j);
        for (; j < k1; ++j)
            row[j] -= factor * pivotRow[j];
    }
    return finite;
}

// ---- the blocked elimination ----

// Panel columns [k0, k1) with pivot rows from p0: step t of the panel has its
// pivot in row p0 + t. Outside the panel a row is brought up to date only
// when it becomes a pivot row (its values are then copied to `pivotRows`) or
// at the end of the panel. Columns left of the panel matter only below the
// pivots made so far and on the diagonal (the final diagonal divides the
// right-hand side and makes the determinant); the rest of them is never read
// again and is left as it is.
//
// An identity-like right-hand side (zero off the diagonal, no -0 or NaN on
// it) stays zero in the columns of rows that have not been pivots as long as
// every factor is finite: x - f * 0 is then x, so those columns are skipped
// (`active` is the number of columns that can be non-zero so far).
class BlockedElimination {
public:
    BlockedElimination(double *a, double *b, uint32_t n, uint32_t m) : _a(a), _b(b), _n(n), _m(m) {}

    bool allocate()
    {
        _factors.reset(new (std::nothrow) double[size_t(_n) * kPanel]);
        _pivotRows.reset(new (std::nothrow) double[size_t(kPanel) * _n]);
        if (_b) {
            _pivotRhs.reset(new (std::nothrow) double[size_t(kPanel) * _m]);
            _origin.reset(new (std::nothrow) uint32_t[_n]);
        }
        return _factors && _pivotRows && (!_b || (_pivotRhs && _origin));
    }

    uint32_t run(bool stopAtMissing, int &swaps)
    {
        _active = _b ? (identityLike() ? 0 : _m) : 0;
        if (_b)
            for (uint32_t i = 0; i < _n; ++i)
                _origin[i] = i;
        uint32_t pivots = 0;
        for (uint32_t k0 = 0; k0 < _n; k0 += kPanel) {
            const uint32_t k1 = std::min(_n, k0 + kPanel);
            const uint32_t p0 = pivots;
            uint32_t steps = 0;
            for (uint32_t k = k0; k < k1; ++k) {
                const uint32_t p = p0 + steps;
                const uint32_t r = findPivot(_a, _n, p, k);
                if (r == _n) {
                    if (stopAtMissing)
                        return p;
                    continue;
                }
                if (r != p) {
                    swapRows(_a, _n, r, p);
                    if (_b) {
                        swapRows(_b, _m, r, p);
                        std::swap(_origin[r], _origin[p]);
                    }
                    swapRows(_factors.get(), kPanel, r, p);
                    ++swaps;
                }
                takePivotRow(p, k0, k1, steps);
                eliminatePanel(p, k, k0, k1, steps);
                ++steps;
            }
            pivots = p0 + steps;
            finishPanel(p0, steps, k0, k1);
        }
        return pivots;
    }

private:
    bool identityLike() const
    {
        if (_m != _n)
            return false;
        for (uint32_t i = 0; i < _n; ++i)
            for (uint32_t j = 0; j < _m; ++j) {
                const double x = _b[size_t(i) * _m + j];
                if (i != j ? (x != 0.0 || std::signbit(x)) : (std::isnan(x) || (x == 0.0 && std::signbit(x))))
                    return false;
            }
        return true;
    }

    // Brings row p outside the panel up to date with the panel's earlier
    // steps and keeps a copy of it for the updates of the other rows.
    void takePivotRow(uint32_t p, uint32_t k0, uint32_t k1, uint32_t step)
    {
        double *row = _a + size_t(p) * _n;
        const double *f = _factors.get() + size_t(p) * kPanel;
        updateRow(row, f, _pivotRows.get(), _n, k0, 0, step);
        updateRow(row + k1, f, _pivotRows.get() + k1, _n, _n - k1, 0, step);
        std::memcpy(_pivotRows.get() + size_t(step) * _n, row, sizeof(double) * _n);
        if (_b) {
            double *rhs = _b + size_t(p) * _m;
            updateRow(rhs, f, _pivotRhs.get(), _m, _active, 0, step);
            std::memcpy(_pivotRhs.get() + size_t(step) * _m, rhs, sizeof(double) * _m);
        }
    }

    // The factors of step `step` for every other row, and the step's updates
    // of the panel's columns.
    void eliminatePanel(uint32_t p, uint32_t k, uint32_t k0, uint32_t k1, uint32_t step)
    {
        const bool finite = panelStep(_a, _n, p, k, k0, k1, _factors.get() + step);
        if (_b && _active < _m)
            _active = finite ? std::max(_active, _origin[p] + 1) : _m;
    }

    void finishPanel(uint32_t p0, uint32_t steps, uint32_t k0, uint32_t k1)
    {
        if (steps == 0)
            return;
        const uint32_t pEnd = p0 + steps;
        const double *f = _factors.get();
        const double *u = _pivotRows.get();
        // Right of the panel, every row; the pivot rows only after their step.
        auto rows = [&](double *base, size_t ld, const double *pu, size_t ldu, uint32_t width) {
            if (width == 0)
                return;
            updateRows(base, ld, p0, f, kPanel, pu, ldu, width, steps);
            updateRows(base + size_t(pEnd) * ld, ld, _n - pEnd, f + size_t(pEnd) * kPanel, kPanel, pu, ldu, width,
                       steps);
            for (uint32_t t = 0; t + 1 < steps; ++t)
                updateRow(base + size_t(p0 + t) * ld, f + size_t(p0 + t) * kPanel, pu, ldu, width, t + 1, steps);
        };
        rows(_a + k1, _n, u + k1, _n, _n - k1);
        if (_b)
            rows(_b, _m, _pivotRhs.get(), _m, _active);
        // Left of the panel: the rows below the pivots, and the diagonal.
        updateRows(_a + size_t(pEnd) * _n, _n, _n - pEnd, f + size_t(pEnd) * kPanel, kPanel, u, _n, k0, steps);
        for (uint32_t i = 0; i < p0 && i < k0; ++i) {
            double x = _a[size_t(i) * _n + i];
            for (uint32_t t = 0; t < steps; ++t)
                x -= f[size_t(i) * kPanel + t] * u[size_t(t) * _n + i];
            _a[size_t(i) * _n + i] = x;
        }
    }

    double *_a;
    double *_b;
    uint32_t _n;
    uint32_t _m;
    uint32_t _active = 0;
    std::unique_ptr<double[]> _factors;   // n x kPanel: row i's factor of each panel step
    std::unique_ptr<double[]> _pivotRows; // kPanel x n: the panel's pivot rows at their step
    std::unique_ptr<double[]> _pivotRhs;  // kPanel x m: the same for the right-hand side
    std::unique_ptr<uint32_t[]> _origin;  // the original position of each row
};

uint32_t eliminate(double *a, double *b, uint32_t n, uint32_t m, bool stopAtMissing, int &swaps)
{
    if (n >= kBlockedFrom) {
        BlockedElimination blocked(a, b, n, m);
        // Without memory for its buffers the plain loop does the same work.
        if (blocked.allocate())
            return blocked.run(stopAtMissing, swaps);
    }
    return eliminatePlain(a, b, n, m, stopAtMissing, swaps);
}

} // namespace

bool solveLinear(double *a, double *b, uint32_t n, uint32_t m)
{
    int swaps = 0;
    if (eliminate(a, b, n, m, true, swaps) < n)
        return false;
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
    return eliminate(a, nullptr, n, 0, false, swaps);
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
