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
    // "read" gives the element(s), "assign" the changed target (a value of
    // [] deletes), "increment" adds one; "-" stands for a missing index.
    void operations_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *tag, const char *op, const char *target, const char *r, const char *c,
                      const char *value, const char *expected) {
            QTest::newRow(tag) << op << target << r << c << value << expected;
        };
        const char *m = "[1 2; 3 4]";
        row("read huge index", "read", "[10 20 30]", "1e20", "-", "", "#801");
        row("read first failing index decides", "read", "[10 20 30]", "[5 -1]", "-", "", "#801");
        row("read empty index vector", "read", "[10 20 30]", "[]", "-", "", "[]");
        row("read integer elements", "read", "i[1 2]", "0", "-", "", "#303");
        row("read2 empty typeless index", "read", m, "[]", "0", "", "#802");
        row("read2 integer elements", "read", "i[1 2]", "0", "[0 1]", "", "#303");

        row("assign undefined value", "assign", "undef", "0", "-", "undef", "#300");
        row("assign integer target", "assign", "i[1 2]", "0", "-", "1", "#303");
        row("assign index list negative", "assign", "[1 2 3]", "[0 -2]", "-", "1", "#802");
        row("assign string index", "assign", "[1 2 3]", "'a'", "-", "0", "#802");
        row("delete index list, repeats once", "assign", "[1 2 3 4]", "[3 0 3]", "-", "[]", "[2 3]");
        row("delete everything", "assign", "[1 2]", "[true true]", "-", "[]", "[]");
        row("delete not a vector", "assign", "true", "0", "-", "[]", "#800");
        row("delete integer elements", "assign", "i[1 2]", "0", "-", "[]", "#303");
        row("assign2 floors", "assign", m, "1.9", "-0.0", "9", "[1 2; 9 4]");
        row("assign2 block row-major", "assign", m, "[1 0]", "[1 0]", "[5 6 7 8]", "[8 7; 6 5]");
        row("assign2 column mask length", "assign", m, "0", "[true]", "0", "#b01");
        row("delete2 rows", "assign", "[1 2; 3 4; 5 6]", "1", "[0 1]", "[]", "[1 2; 5 6]");
        row("delete2 columns", "assign", "[1 2 3; 4 5 6]", "[0 1]", "[2 0]", "[]", "[2; 5]");
        row("delete2 all", "assign", m, "[0 1]", "[0 1]", "[]", "[]");
        row("delete2 a hole", "assign", m, "0", "0", "[]", "#802");

        row("increment string", "increment", "'a'", "-", "-", "", "#303");
        row("increment repeated index once", "increment", "[1 2 3]", "[0 0]", "-", "", "[2 2 3]");
        row("increment mask", "increment", "[1 2 3]", "[true false true]", "-", "", "[2 2 4]");
        row("increment strings", "increment", "['a']", "0", "-", "", "#303");
        row("increment not a vector", "increment", "1", "0", "-", "", "#800");
        row("increment2 bounds", "increment", m, "2", "0", "", "#801");
    }
    void operations()
    {
        QFETCH(QString, op);
        QFETCH(QString, target);
        QFETCH(QString, row);
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        const Variable subject = parse(target);
        Variable result = op == "read" ? Variable(-99.0) : subject;
        const QString before = show(result);
        const bool one = column == "-";
        quint32 code;
        if (op == "read")
            code = one ? readIndex1(subject, parse(row), result) : readIndex2(subject, parse(row), parse(column), result);
        else if (op == "assign")
            code = one ? assignIndex1(result, parse(row), parse(value))
                       : assignIndex2(result, parse(row), parse(column), parse(value));
        else if (row == "-")
            code = incrementVariable(result, 1.0);
        else
            code = one ? incrementIndex1(result, parse(row), 1.0) : incrementIndex2(result, parse(row), parse(column), 1.0);
        QCOMPARE(outcome(code, result), expected);
        if (code)
            QCOMPARE(show(result), before); // untouched on failure
    }

    // The instruction reads its index from the slot the result goes to.
    void readOneIntoItsOwnSlot()
    {
        Variable slot = parse("['x' 'y' 'z']");
        QCOMPARE(readIndex1(slot, Variable(2.0), slot), quint32(0));
        QCOMPARE(show(slot), QString("'z'"));
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

    void ranges_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("step"); // "-" for a:b
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("expected");
        QTest::newRow("NaN end gives empty") << "0" << "-" << "nan" << "[]";
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
