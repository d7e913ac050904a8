#include "library/native_definition.h"
#include "native_test_support.h"
#include "value_text.h"
#include "values/error_codes.h"

#include <QtTest>

// inv, det and rank on matrices whose inverses, determinants and ranks are
// known. Between them they take the elimination kernel that the division
// operators share through row swaps, missing pivots and singular input.
class TestMatrixFunctions : public QObject {
    Q_OBJECT
private slots:
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
        row("inv", "0", "error 901");
        row("inv", "[0 1; 0 1]", "error 901");
        row("inv", "[]", "error 900");
        row("inv", "[true false; false true]", "error 900");
        row("det", "[0 1 0; 0 0 1; 1 0 0]", "1");
        row("det", "[0 0 1; 0 1 0; 1 0 0]", "-1");
        row("det", "-3", "-3");
        row("det", "[0 1; 0 0]", "error 901");
        row("det", "[1 2 3]", "error 900");
        row("rank", "[0 1; 0 0]", "1");
        row("rank", "[0 0; 0 0]", "0");
        // A column without a pivot leaves its row for the next column.
        row("rank", "[0 1 2; 0 2 4; 0 0 1]", "2");
        row("rank", "5", "1");
        row("rank", "0", "0");
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
