#include "library/linear_solver.h"

#include <QtTest>

#include <vector>

using Matrix = std::vector<double>;
Q_DECLARE_METATYPE(Matrix)

// The elimination kernel behind / \ inv det rank, checked on matrices whose
// inverses and determinants are known exactly.
class TestMatrixFunctions : public QObject {
    Q_OBJECT
private slots:
    void solve_data()
    {
        QTest::addColumn<Matrix>("a");
        QTest::addColumn<bool>("solvable");
        QTest::addColumn<Matrix>("inverse");
        QTest::newRow("identity") << Matrix{1, 0, 0, 1} << true << Matrix{1, 0, 0, 1};
        QTest::newRow("needs row swap") << Matrix{0, 1, 1, 0} << true << Matrix{0, 1, 1, 0};
        QTest::newRow("diagonal") << Matrix{2, 0, 0, 4} << true << Matrix{0.5, 0, 0, 0.25};
        QTest::newRow("general") << Matrix{4, 7, 2, 6} << true << Matrix{0.6, -0.7, -0.2, 0.4};
        QTest::newRow("singular") << Matrix{1, 2, 2, 4} << false << Matrix{};
        QTest::newRow("zero column") << Matrix{0, 1, 0, 1} << false << Matrix{};
    }
    void solve()
    {
        QFETCH(Matrix, a);
        QFETCH(bool, solvable);
        QFETCH(Matrix, inverse);
        Matrix b{1, 0, 0, 1};
        QCOMPARE(solveLinear(a.data(), b.data(), 2, 2), solvable);
        if (!solvable)
            return;
        for (int i = 0; i < 4; ++i)
            QVERIFY2(qAbs(b[i] - inverse[i]) < 1e-15, qPrintable(QString::number(i)));
    }

    void eliminate_data()
    {
        QTest::addColumn<Matrix>("a");
        QTest::addColumn<int>("n");
        QTest::addColumn<uint>("nonZero");
        QTest::addColumn<int>("swaps");
        QTest::newRow("swap once") << Matrix{0, 1, 1, 0} << 2 << 2u << 1;
        QTest::newRow("no swap") << Matrix{2, 1, 1, 3} << 2 << 2u << 0;
        QTest::newRow("deficient goes on") << Matrix{1, 2, 2, 4} << 2 << 1u << 0;
        QTest::newRow("3x3 cyclic") << Matrix{0, 1, 0, 0, 0, 1, 1, 0, 0} << 3 << 3u << 2;
    }
    void eliminate()
    {
        QFETCH(Matrix, a);
        QFETCH(int, n);
        QFETCH(uint, nonZero);
        QFETCH(int, swaps);
        int counted = -1;
        QCOMPARE(eliminateInPlace(a.data(), uint32_t(n), counted), nonZero);
        QCOMPARE(counted, swaps);
    }
};

QTEST_APPLESS_MAIN(TestMatrixFunctions)
#include "test_matrix_functions.moc"
