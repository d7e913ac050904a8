#include "value_text.h"

#include "values/error_codes.h"
#include "vm/indexing.h"
#include "vm/range.h"

#include <QtTest>

using value_text::parse;
using value_text::show;

namespace {

// "#802" is an expected error code, anything else an expected value.
QString outcome(quint32 code, const Variable &value)
{
    return code ? QString("#%1").arg(code, 0, 16) : show(value);
}

} // namespace

// The golden script indexing.l reads, assigns, deletes and increments
// through the language; these are the cases it cannot reach or does not try.
class TestIndexing : public QObject {
    Q_OBJECT
private slots:
    void readOne_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("expected");
        QTest::newRow("huge index") << "[10 20 30]" << "1e20" << "#801";
        QTest::newRow("repeated indices") << "[10 20 30]" << "[1 1]" << "[20 20]";
        QTest::newRow("first failing index decides") << "[10 20 30]" << "[5 -1]" << "#801";
        QTest::newRow("empty index vector") << "[10 20 30]" << "[]" << "[]";
        QTest::newRow("mask column count same rows") << "[1 2 3]" << "[true false]" << "#b01";
        QTest::newRow("undefined") << "undef" << "0" << "#300";
        QTest::newRow("integer elements") << "i[1 2]" << "0" << "#303";
    }
    void readOne()
    {
        QFETCH(QString, value);
        QFETCH(QString, index);
        QFETCH(QString, expected);
        Variable result(-99.0);
        const quint32 code = readIndex1(parse(value), parse(index), result);
        QCOMPARE(outcome(code, result), expected);
        if (code)
            QCOMPARE(show(result), QString("-99")); // untouched on failure
    }

    // The instruction reads its index from the slot the result goes to.
    void readOneIntoItsOwnSlot()
    {
        Variable slot = parse("['x' 'y' 'z']");
        QCOMPARE(readIndex1(slot, Variable(2.0), slot), quint32(0));
        QCOMPARE(show(slot), QString("'z'"));
    }

    void readTwo_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("expected");
        const QString m = "[1 2 3; 4 5 6]";
        QTest::newRow("column mask length") << m << "0" << "[true false]" << "#b01";
        QTest::newRow("empty typeless index") << m << "[]" << "0" << "#802";
        QTest::newRow("integer elements") << "i[1 2]" << "0" << "[0 1]" << "#303";
    }
    void readTwo()
    {
        QFETCH(QString, value);
        QFETCH(QString, row);
        QFETCH(QString, column);
        QFETCH(QString, expected);
        Variable result;
        const quint32 code = readIndex2(parse(value), parse(row), parse(column), result);
        QCOMPARE(outcome(code, result), expected);
    }

    void assignOne_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("undefined value") << "undef" << "0" << "undef" << "#300";
        QTest::newRow("integer target") << "i[1 2]" << "0" << "1" << "#303";
        QTest::newRow("index list negative") << "[1 2 3]" << "[0 -2]" << "1" << "#802";
        QTest::newRow("string index") << "[1 2 3]" << "'a'" << "0" << "#802";
    }
    void assignOne()
    {
        QFETCH(QString, target);
        QFETCH(QString, index);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        Variable t = parse(target);
        const QString before = show(t);
        const quint32 code = assignIndex1(t, parse(index), parse(value));
        QCOMPARE(outcome(code, t), expected);
        if (code)
            QCOMPARE(show(t), before);
    }

    void deleteOne_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("expected");
        QTest::newRow("index list, repeats once") << "[1 2 3 4]" << "[3 0 3]" << "[2 3]";
        QTest::newRow("everything") << "[1 2]" << "[true true]" << "[]";
        QTest::newRow("not a vector") << "true" << "0" << "#800";
        QTest::newRow("integer elements") << "i[1 2]" << "0" << "#303";
    }
    void deleteOne()
    {
        QFETCH(QString, target);
        QFETCH(QString, index);
        QFETCH(QString, expected);
        Variable t = parse(target);
        const quint32 code = assignIndex1(t, parse(index), Variable(Vector()));
        QCOMPARE(outcome(code, t), expected);
    }

    void assignTwo_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        const QString m = "[1 2; 3 4]";
        QTest::newRow("floors") << m << "1.9" << "-0.0" << "9" << "[1 2; 9 4]";
        QTest::newRow("block row-major") << m << "[1 0]" << "[1 0]" << "[5 6 7 8]" << "[8 7; 6 5]";
        QTest::newRow("column mask length") << m << "0" << "[true]" << "0" << "#b01";
        QTest::newRow("empty typeless index") << m << "[]" << "0" << "0" << "#802";
        QTest::newRow("delete rows") << "[1 2; 3 4; 5 6]" << "1" << "[0 1]" << "[]" << "[1 2; 5 6]";
        QTest::newRow("delete columns") << "[1 2 3; 4 5 6]" << "[0 1]" << "[2 0]" << "[]" << "[2; 5]";
        QTest::newRow("delete all") << m << "[0 1]" << "[0 1]" << "[]" << "[]";
        QTest::newRow("delete a hole") << m << "0" << "0" << "[]" << "#802";
    }
    void assignTwo()
    {
        QFETCH(QString, target);
        QFETCH(QString, row);
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        Variable t = parse(target);
        const QString before = show(t);
        const quint32 code = assignIndex2(t, parse(row), parse(column), parse(value));
        QCOMPARE(outcome(code, t), expected);
        if (code)
            QCOMPARE(show(t), before);
    }

    // Growth one element at a time must not copy the whole vector each time,
    // and a copy taken before an assignment must keep its old contents.
    void growthAndSharing()
    {
        Variable v;
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(assignIndex1(v, Variable(double(i)), Variable(double(i))), quint32(0));
        QCOMPARE(v.getVector().count(), 1000u);
        QVERIFY(v.getVector().capacity() < 2000);
        const Variable copy = v;
        QCOMPARE(assignIndex1(v, Variable(0.0), Variable(-1.0)), quint32(0));
        QCOMPARE(copy.getVector().getDouble(0), 0.0);
        QCOMPARE(v.getVector().getDouble(0), -1.0);
    }

    void increment_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("row");    // "-" for no index
        QTest::addColumn<QString>("column"); // "-" for one index
        QTest::addColumn<QString>("expected");
        QTest::newRow("string") << "'a'" << "-" << "-" << "#303";
        QTest::newRow("repeated index once") << "[1 2 3]" << "[0 0]" << "-" << "[2 2 3]";
        QTest::newRow("mask") << "[1 2 3]" << "[true false true]" << "-" << "[2 2 4]";
        QTest::newRow("strings") << "['a']" << "0" << "-" << "#303";
        QTest::newRow("not a vector") << "1" << "0" << "-" << "#800";
        QTest::newRow("two indices bounds") << "[1 2; 3 4]" << "2" << "0" << "#801";
    }
    void increment()
    {
        QFETCH(QString, target);
        QFETCH(QString, row);
        QFETCH(QString, column);
        QFETCH(QString, expected);
        Variable t = parse(target);
        quint32 code;
        if (row == "-")
            code = incrementVariable(t, 1.0);
        else if (column == "-")
            code = incrementIndex1(t, parse(row), 1.0);
        else
            code = incrementIndex2(t, parse(row), parse(column), 1.0);
        QCOMPARE(outcome(code, t), expected);
    }

    void ranges_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("step"); // "-" for a:b
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("expected");
        QTest::newRow("NaN end gives empty") << "0" << "-" << "nan" << "[]";
        QTest::newRow("string step") << "1" << "'a'" << "5" << "#301";
        QTest::newRow("infinite step") << "1" << "inf" << "5" << "#307";
    }
    void ranges()
    {
        QFETCH(QString, start);
        QFETCH(QString, step);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        Variable result;
        const quint32 code = step == "-" ? makeRange(parse(start), parse(end), result)
                                         : makeSteppedRange(parse(start), parse(step), parse(end), result);
        QCOMPARE(outcome(code, result), expected);
    }

    // Without the snap, 3 * 0.3 - 0.9 is about -1.1e-16, not zero.
    void snappedZeroIsExact()
    {
        Variable result;
        QCOMPARE(makeSteppedRange(Variable(-0.9), Variable(0.3), Variable(0.3), result), quint32(0));
        QCOMPARE(result.getVector().getDouble(3), 0.0);
        QVERIFY(!std::signbit(result.getVector().getDouble(3)));
    }
};

QTEST_APPLESS_MAIN(TestIndexing)
#include "test_indexing.moc"
