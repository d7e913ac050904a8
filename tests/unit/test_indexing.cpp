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

class TestIndexing : public QObject {
    Q_OBJECT
private slots:
    void readOne_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("expected");
        QTest::newRow("scalar index") << "[10 20 30]" << "1" << "20";
        QTest::newRow("floor of fraction") << "[10 20 30]" << "1.9" << "20";
        QTest::newRow("negative fraction floors below zero") << "[10 20 30]" << "-0.5" << "#802";
        QTest::newRow("past the end") << "[10 20 30]" << "3" << "#801";
        QTest::newRow("huge index") << "[10 20 30]" << "1e20" << "#801";
        QTest::newRow("linear index into matrix") << "[1 2; 3 4]" << "2" << "3";
        QTest::newRow("boolean element") << "[true false]" << "1" << "false";
        QTest::newRow("string element") << "['a' 'b']" << "1" << "'b'";
        QTest::newRow("index vector keeps its shape") << "[10 20 30]" << "[2; 0]" << "[30; 10]";
        QTest::newRow("repeated indices") << "[10 20 30]" << "[1 1]" << "[20 20]";
        QTest::newRow("index vector checks each") << "[10 20 30]" << "[0 3]" << "#801";
        QTest::newRow("first failing index decides") << "[10 20 30]" << "[5 -1]" << "#801";
        QTest::newRow("empty index vector") << "[10 20 30]" << "[]" << "[]";
        QTest::newRow("mask on row") << "[10 20 30]" << "[true false true]" << "[10 30]";
        QTest::newRow("mask on column gives column") << "[1; 2; 3]" << "[false; true; true]" << "[2; 3]";
        QTest::newRow("mask on matrix gives row") << "[1 2; 3 4]" << "[true false; false true]" << "[1 4]";
        QTest::newRow("mask nothing true") << "[1 2]" << "[false false]" << "[]";
        QTest::newRow("mask row count") << "[1 2; 3 4]" << "[true false]" << "#b00";
        QTest::newRow("mask column count") << "[1 2; 3 4]" << "[true; false]" << "#b01";
        QTest::newRow("mask column count same rows") << "[1 2 3]" << "[true false]" << "#b01";
        QTest::newRow("string index") << "[1 2]" << "'a'" << "#802";
        QTest::newRow("boolean scalar index") << "[1 2]" << "true" << "#802";
        QTest::newRow("not a vector") << "5" << "0" << "#800";
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
        QTest::newRow("element") << m << "1" << "2" << "6";
        QTest::newRow("floors") << m << "1.7" << "0.2" << "4";
        QTest::newRow("row out of bounds") << m << "2" << "0" << "#801";
        QTest::newRow("column out of bounds") << m << "0" << "3" << "#801";
        QTest::newRow("negative") << m << "0" << "-1" << "#802";
        QTest::newRow("scalar row, several columns") << m << "0" << "[2 0]" << "[3 1]";
        QTest::newRow("several rows, scalar column") << m << "[1 0]" << "1" << "[5; 2]";
        QTest::newRow("block in index order") << m << "[1 0]" << "[2 1]" << "[6 5; 3 2]";
        QTest::newRow("row mask") << m << "[false true]" << "[0 1 2]" << "[4 5 6]";
        QTest::newRow("column mask") << m << "0" << "[true false true]" << "[1 3]";
        QTest::newRow("row mask length") << m << "[true]" << "0" << "#b00";
        QTest::newRow("column mask length") << m << "0" << "[true false]" << "#b01";
        QTest::newRow("empty typeless index") << m << "[]" << "0" << "#802";
        QTest::newRow("not a vector") << "'s'" << "0" << "0" << "#800";
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
        QTest::newRow("replace") << "[1 2 3]" << "1" << "9" << "[1 9 3]";
        QTest::newRow("undefined grows a row") << "undef" << "3" << "5" << "[0 0 0 5]";
        QTest::newRow("empty vector grows a row") << "[]" << "0" << "'s'" << "['s']";
        QTest::newRow("undefined with boolean") << "undef" << "1" << "true" << "[false true]";
        QTest::newRow("truncates toward zero") << "[1 2 3]" << "-0.5" << "7" << "[7 2 3]";
        QTest::newRow("negative") << "[1 2 3]" << "-1" << "7" << "#802";
        QTest::newRow("grows a column") << "[1; 2]" << "3" << "7" << "[1; 2; 0; 7]";
        QTest::newRow("grows a string row") << "['a']" << "2" << "'c'" << "['a' '' 'c']";
        QTest::newRow("matrix cannot grow") << "[1 2; 3 4]" << "4" << "7" << "#802";
        QTest::newRow("matrix inside") << "[1 2; 3 4]" << "3" << "7" << "[1 2; 3 7]";
        QTest::newRow("type mismatch") << "[1 2]" << "0" << "'a'" << "#302";
        QTest::newRow("1 x 1 vector value") << "[1 2]" << "0" << "[8]" << "[8 2]";
        QTest::newRow("longer vector value") << "[1 2]" << "0" << "[8 9]" << "#b02";
        QTest::newRow("not a vector") << "5" << "0" << "1" << "#800";
        QTest::newRow("undefined value") << "undef" << "0" << "undef" << "#300";
        QTest::newRow("fresh target with mask") << "undef" << "[true]" << "1" << "#802";
        QTest::newRow("integer target") << "i[1 2]" << "0" << "1" << "#303";
        QTest::newRow("index list, scalar") << "[1 2 3]" << "[0 2]" << "0" << "[0 2 0]";
        QTest::newRow("index list, vector") << "[1 2 3]" << "[2 0]" << "[8 9]" << "[9 2 8]";
        QTest::newRow("index list, one element") << "[1 2 3]" << "[2 0]" << "[5]" << "[5 2 5]";
        QTest::newRow("index list grows") << "[1]" << "[0 2]" << "4" << "[4 0 4]";
        QTest::newRow("index list count") << "[1 2 3]" << "[0 1]" << "[1 2 3]" << "#b02";
        QTest::newRow("index list negative") << "[1 2 3]" << "[0 -2]" << "1" << "#802";
        QTest::newRow("mask, scalar") << "[1 2 3]" << "[true false true]" << "0" << "[0 2 0]";
        QTest::newRow("mask, vector in order") << "[1 2 3]" << "[true false true]" << "[7 8]" << "[7 2 8]";
        QTest::newRow("mask needs exact count") << "[1 2 3]" << "[true false true]" << "[7]" << "#b02";
        QTest::newRow("mask shape") << "[1 2 3]" << "[true; false; true]" << "0" << "#b00";
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
        QTest::newRow("middle of row") << "[1 2 3]" << "1" << "[1 3]";
        QTest::newRow("column keeps orientation") << "[1; 2; 3]" << "0" << "[2; 3]";
        QTest::newRow("last element") << "[5]" << "0" << "[]";
        QTest::newRow("floor") << "[1 2 3]" << "2.5" << "[1 2]";
        QTest::newRow("out of bounds") << "[1 2 3]" << "3" << "#801";
        QTest::newRow("negative") << "[1 2 3]" << "-1" << "#802";
        QTest::newRow("index list, repeats once") << "[1 2 3 4]" << "[3 0 3]" << "[2 3]";
        QTest::newRow("mask") << "['a' 'b' 'c']" << "[true false true]" << "['b']";
        QTest::newRow("everything") << "[1 2]" << "[true true]" << "[]";
        QTest::newRow("matrix") << "[1 2; 3 4]" << "0" << "#802";
        QTest::newRow("undefined") << "undef" << "0" << "#300";
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
        QTest::newRow("element") << m << "1" << "0" << "9" << "[1 2; 9 4]";
        QTest::newRow("floors") << m << "1.9" << "-0.0" << "9" << "[1 2; 9 4]";
        QTest::newRow("grows keeping positions") << m << "2" << "2" << "9" << "[1 2 0; 3 4 0; 0 0 9]";
        QTest::newRow("undefined grows") << "undef" << "1" << "1" << "'x'" << "['' ''; '' 'x']";
        QTest::newRow("row of elements") << m << "0" << "[0 1]" << "[7 8]" << "[7 8; 3 4]";
        QTest::newRow("block row-major") << m << "[1 0]" << "[1 0]" << "[5 6 7 8]" << "[8 7; 6 5]";
        QTest::newRow("one element broadcast") << m << "[0 1]" << "1" << "[0]" << "[1 0; 3 0]";
        QTest::newRow("count mismatch") << m << "[0 1]" << "1" << "[1 2 3]" << "#b02";
        QTest::newRow("row mask") << m << "[true false]" << "[0 1]" << "0" << "[0 0; 3 4]";
        QTest::newRow("row mask length") << m << "[true]" << "0" << "0" << "#b00";
        QTest::newRow("column mask length") << m << "0" << "[true]" << "0" << "#b01";
        QTest::newRow("negative") << m << "-1" << "0" << "0" << "#802";
        QTest::newRow("empty typeless index") << m << "[]" << "0" << "0" << "#802";
        QTest::newRow("type mismatch") << m << "0" << "0" << "true" << "#302";
        QTest::newRow("not a vector") << "'s'" << "0" << "0" << "1" << "#800";
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
        QTest::newRow("double") << "2" << "-" << "-" << "3";
        QTest::newRow("every element") << "[1 2]" << "-" << "-" << "[2 3]";
        QTest::newRow("string") << "'a'" << "-" << "-" << "#303";
        QTest::newRow("one element") << "[1 2 3]" << "2" << "-" << "[1 2 4]";
        QTest::newRow("repeated index once") << "[1 2 3]" << "[0 0]" << "-" << "[2 2 3]";
        QTest::newRow("mask") << "[1 2 3]" << "[true false true]" << "-" << "[2 2 4]";
        QTest::newRow("out of bounds") << "[1 2 3]" << "3" << "-" << "#801";
        QTest::newRow("strings") << "['a']" << "0" << "-" << "#303";
        QTest::newRow("not a vector") << "1" << "0" << "-" << "#800";
        QTest::newRow("two indices") << "[1 2; 3 4]" << "1" << "[0 1]" << "[1 2; 4 5]";
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
        QTest::newRow("a:b") << "1" << "-" << "4" << "[1 2 3 4]";
        QTest::newRow("fractional end") << "0.5" << "-" << "2.4" << "[0.5 1.5]";
        QTest::newRow("single") << "3" << "-" << "3" << "[3]";
        QTest::newRow("empty") << "3" << "-" << "2" << "[]";
        QTest::newRow("not doubles") << "true" << "-" << "2" << "#301";
        QTest::newRow("infinite") << "0" << "-" << "inf" << "#307";
        QTest::newRow("too long") << "0" << "-" << "5e9" << "#306";
        QTest::newRow("NaN end gives empty") << "0" << "-" << "nan" << "[]";
        QTest::newRow("step") << "0" << "2" << "7" << "[0 2 4 6]";
        QTest::newRow("negative step") << "3" << "-1" << "1" << "[3 2 1]";
        QTest::newRow("zero step") << "1" << "0" << "5" << "[]";
        QTest::newRow("wrong direction") << "1" << "-1" << "5" << "[]";
        QTest::newRow("zero snapped") << "-0.9" << "0.3" << "0.3" << "[-0.9 -0.6 -0.3 0 0.3]";
        QTest::newRow("zero snapped going down") << "0.9" << "-0.3" << "-0.3" << "[0.9 0.6 0.3 0 -0.3]";
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
