#include "library/linear_solver.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

// The solver's blocked and vectorised elimination must give exactly what the
// plain Gauss-Jordan loop gives. The loop below is that reference: pivot by
// the first exact non-zero at or below the diagonal, subtract f times the
// pivot row from every other row over the whole width.
namespace {

using Matrix = std::vector<double>;

struct Plain {
    uint32_t pivots = 0;
    int swaps = 0;
};

Plain plainElimination(Matrix &a, Matrix *b, uint32_t n, uint32_t m, bool stopAtMissing)
{
    Plain out;
    for (uint32_t k = 0; k < n; ++k) {
        const uint32_t p = out.pivots;
        uint32_t r = p;
        while (r < n && a[r * n + k] == 0.0)
            ++r;
        if (r == n) {
            if (stopAtMissing)
                return out;
            continue;
        }
        if (r != p) {
            for (uint32_t j = 0; j < n; ++j)
                std::swap(a[r * n + j], a[p * n + j]);
            for (uint32_t j = 0; b && j < m; ++j)
                std::swap((*b)[r * m + j], (*b)[p * m + j]);
            ++out.swaps;
        }
        for (uint32_t i = 0; i < n; ++i) {
            if (i == p)
                continue;
            const double f = a[i * n + k] / a[p * n + k];
            for (uint32_t j = 0; j < n; ++j)
                a[i * n + j] -= f * a[p * n + j];
            for (uint32_t j = 0; b && j < m; ++j)
                (*b)[i * m + j] -= f * (*b)[p * m + j];
        }
        ++out.pivots;
    }
    return out;
}

// Long mantissas of both signs, so that any change of order or rounding shows.
Matrix dense(uint32_t rows, uint32_t columns, double seed)
{
    Matrix x(size_t(rows) * columns);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = std::sin(seed + 1.37 * double(i)) * 1e2 / (1.0 + double(i % 11));
    return x;
}

bool sameBits(const Matrix &x, const Matrix &y)
{
    return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(double)) == 0;
}

enum Shape {
    DENSE,         // no exact zero pivot
    ZERO_PIVOTS,   // some columns are zero down to a few rows below the diagonal: swaps mid-panel
    ZERO_COLUMN,   // one column entirely zero: singular, one pivot missing
    NOT_FINITE,    // an infinity in the matrix: factors become infinite or NaN
};

Matrix makeMatrix(uint32_t n, int shape)
{
    Matrix a = dense(n, n, 0.25 + n);
    if (shape == ZERO_PIVOTS) {
        for (uint32_t c = 0; c + 1 < n; c += 7)
            for (uint32_t i = 0; i <= std::min(n - 1, c + c % 3); ++i)
                a[i * n + c] = 0.0;
    } else if (shape == ZERO_COLUMN) {
        for (uint32_t i = 0; i < n; ++i)
            a[i * n + n / 2] = 0.0;
    } else if (shape == NOT_FINITE) {
        a[(n / 3) * n + n / 2] = std::numeric_limits<double>::infinity();
    }
    return a;
}

} // namespace

Q_DECLARE_METATYPE(Shape)

class TestLinearSolver : public QObject {
    Q_OBJECT

private slots:
    void matchesPlainLoop_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<Shape>("shape");
        // Sizes around the point where blocking starts and around the panel
        // width, so whole panels, ragged last panels and tile edges all run.
        for (int n : {1, 2, 5, 47, 48, 63, 64, 65, 97, 130}) {
            QTest::addRow("dense %d", n) << n << DENSE;
            if (n >= 5) {
                QTest::addRow("zero pivots %d", n) << n << ZERO_PIVOTS;
                QTest::addRow("zero column %d", n) << n << ZERO_COLUMN;
                QTest::addRow("not finite %d", n) << n << NOT_FINITE;
            }
        }
        QTest::addRow("2 x 2 needing a swap") << -2 << DENSE;
    }
    void matchesPlainLoop()
    {
        QFETCH(int, n);
        QFETCH(Shape, shape);
        Matrix original;
        const bool needsSwap = n == -2;
        if (needsSwap) {
            n = 2;
            original = {0.0, 3.0, 7.0, -1.5};
        } else {
            original = makeMatrix(uint32_t(n), shape);
        }
        const uint32_t size = uint32_t(n);

        // Right-hand sides: the identity times a scale (what inv and the
        // divisions build), a -0 scale (no identity), and a dense one.
        std::vector<Matrix> rights;
        for (double scale : {1.0, -2.75, -0.0}) {
            Matrix identity(size_t(size) * size, 0.0);
            for (uint32_t i = 0; i < size; ++i)
                identity[i * size + i] = scale;
            rights.push_back(identity);
        }
        rights.push_back(dense(size, 3, 0.9));
        for (const Matrix &rhs : rights) {
            const uint32_t m = uint32_t(rhs.size() / size);
            Matrix a = original, b = rhs, ra = original, rb = rhs;
            const bool solved = solveLinear(a.data(), b.data(), size, m);
            const Plain plain = plainElimination(ra, &rb, size, m, true);
            QCOMPARE(solved, plain.pivots == size);
            if (!solved)
                continue;
            for (uint32_t i = 0; i < size; ++i)
                for (uint32_t j = 0; j < m; ++j)
                    rb[i * m + j] /= ra[i * size + i];
            QVERIFY2(sameBits(b, rb), qPrintable(QString("right-hand side with %1 columns").arg(m)));
        }

        // det and rank: the pivot count, the swaps and the diagonal.
        Matrix a = original, ra = original;
        int swaps = -1;
        const uint32_t rank = eliminateInPlace(a.data(), size, swaps);
        const Plain plain = plainElimination(ra, nullptr, size, 0, false);
        QCOMPARE(rank, plain.pivots);
        QCOMPARE(swaps, plain.swaps);
        if (shape == ZERO_COLUMN)
            QCOMPARE(rank, size - 1);
        if (shape == ZERO_PIVOTS || needsSwap)
            QVERIFY(swaps > 0);
        Matrix diagonal, plainDiagonal;
        for (uint32_t i = 0; i < size; ++i) {
            diagonal.push_back(a[i * size + i]);
            plainDiagonal.push_back(ra[i * size + i]);
        }
        if (rank == size)
            QVERIFY(sameBits(diagonal, plainDiagonal));

        Matrix d = original;
        bool singular = false;
        const double det = determinant(d.data(), size, singular);
        QCOMPARE(singular, rank < size);
        if (!singular) {
            double product = 1.0;
            for (double x : plainDiagonal)
                product *= x;
            const double expected = plain.swaps % 2 ? -product : product;
            QVERIFY(std::memcmp(&det, &expected, sizeof det) == 0);
        }
    }
};

QTEST_APPLESS_MAIN(TestLinearSolver)
#include "test_linear_solver.moc"
