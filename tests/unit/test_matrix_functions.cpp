#include "library/linear_solver.h"
#include "library/native_definition.h"
#include "native_test_support.h"
#include "value_text.h"
#include "values/error_codes.h"

#include <QtTest>

#include <vector>

using Matrix = std::vector<double>;
Q_DECLARE_METATYPE(Matrix)

// The elimination kernel behind / \ inv det rank and the three natives,
// checked on matrices whose inverses, determinants and ranks are known.
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
        QTest::addColumn<uint>("pivots");
        QTest::addColumn<int>("swaps");
        QTest::newRow("swap once") << Matrix{0, 1, 1, 0} << 2 << 2u << 1;
        QTest::newRow("no swap") << Matrix{2, 1, 1, 3} << 2 << 2u << 0;
        QTest::newRow("deficient goes on") << Matrix{1, 2, 2, 4} << 2 << 1u << 0;
        QTest::newRow("3x3 cyclic") << Matrix{0, 1, 0, 0, 0, 1, 1, 0, 0} << 3 << 3u << 2;
        // A column without a pivot leaves its row for the next column.
        QTest::newRow("nilpotent") << Matrix{0, 1, 0, 0} << 2 << 1u << 0;
        QTest::newRow("zero first column") << Matrix{0, 1, 2, 0, 2, 4, 0, 0, 1} << 3 << 2u << 1;
        QTest::newRow("zero") << Matrix{0, 0, 0, 0} << 2 << 0u << 0;
    }
    void eliminate()
    {
        QFETCH(Matrix, a);
        QFETCH(int, n);
        QFETCH(uint, pivots);
        QFETCH(int, swaps);
        int counted = -1;
        QCOMPARE(eliminateInPlace(a.data(), uint32_t(n), counted), pivots);
        QCOMPARE(counted, swaps);
    }

    // Expected values in value_text notation, or "error CODE" in hexadecimal.
    void natives_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const char *arg, const char *expected) {
            QTest::addRow("%s(%s)", name, arg) << QString(name) << QString(arg) << QString(expected);
        };
        row("inv", "[2 0 0; 0 4 0; 0 0 8]", "[0.5 0 0; 0 0.25 0; 0 0 0.125]");
        row("inv", "[1 2 3; 0 1 4; 5 6 0]", "[-24 18 5; 20 -15 -4; -5 4 1]");
        row("inv", "[4]", "[0.25]");
        row("inv", "0", "error 901");
        row("inv", "[1 2]", "error 900");
        row("inv", "[]", "error 900");
        row("inv", "[true false; false true]", "error 900");
        row("det", "[4 7; 2 6]", "10");
        row("det", "[0 1 0; 0 0 1; 1 0 0]", "1");
        row("det", "[0 0 1; 0 1 0; 1 0 0]", "-1");
        row("det", "[1 2 3; 0 1 4; 5 6 0]", "1");
        row("det", "-3", "-3");
        row("det", "[0 1; 0 0]", "error 901");
        row("det", "[1 2 3]", "error 900");
        row("rank", "[0 1; 1 0]", "2");
        row("rank", "[0 1; 0 0]", "1");
        row("rank", "[0 0; 0 0]", "0");
        row("rank", "5", "1");
        row("rank", "0", "0");
        row("rank", "[1 2; 3 4; 5 6]", "error 900");
    }
    void natives()
    {
        QFETCH(QString, name);
        QFETCH(QString, arg);
        QFETCH(QString, expected);
        const Variable argument = value_text::parse(arg);
        const NativeTest::Outcome out = NativeTest::call(matrixNatives(), name, {argument});
        if (expected.startsWith("error")) {
            QVERIFY(!out.ok);
            QCOMPARE(NativeTest::onlyError().code, expected.mid(6).toUInt(nullptr, 16));
            return;
        }
        QVERIFY2(out.ok, qPrintable(QString::number(NativeTest::onlyError().code, 16)));
        QCOMPARE(out.stackSize, 1);
        QVERIFY2(value_text::near(out.top, value_text::parse(expected), 1e-12), qPrintable(value_text::show(out.top)));
        QCOMPARE(value_text::show(argument), value_text::show(value_text::parse(arg))); // the argument is untouched
    }
};

QTEST_APPLESS_MAIN(TestMatrixFunctions)
#include "test_matrix_functions.moc"
