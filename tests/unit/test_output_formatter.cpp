#include "values/output_formatter.h"
#include "values/pager.h"
#include "value_text.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(Variable)

namespace {

QString lines(const QStringList &list)
{
    return list.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

QString dashes(int n)
{
    return QString(n, QLatin1Char('-'));
}

// A double cell at precision 7: the number's text after three blanks, 14 wide.
QString cell7(const QString &text)
{
    return (QStringLiteral("   ") + text).leftJustified(14);
}

} // namespace

class TestOutputFormatter : public QObject {
    Q_OBJECT

private slots:
    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("precision");
        QTest::addColumn<QString>("expected");

        QTest::newRow("inexact rest writes zeros") << 0.1 + 0.2 << 7 << "0.3000000";
        QTest::newRow("four fraction digits p5") << 1234.5678 << 5 << "1234.57";

        // Carries: 9s in the fraction vanish, 9s in the integer part become 0.
        QTest::newRow("9.9999999 p7 fits") << 9.9999999 << 7 << "9.9999999";
        QTest::newRow("9.9999999 p5 carries") << 9.9999999 << 5 << "10.";
        QTest::newRow("0.99999999 p15") << 0.99999999 << 15 << "0.99999999";
        QTest::newRow("99999999.5 p15") << 99999999.5 << 15 << "99999999.5";
        QTest::newRow("999999.5 p5") << 999999.5 << 5 << "1000000.";

        // Fixed up to e = p, scientific beyond.
        QTest::newRow("e = p p5") << 123456.0 << 5 << "123456.";
        QTest::newRow("e = p + 1 p5") << 1234567.0 << 5 << "1.2e+6";
        QTest::newRow("1e15 p15") << 1e15 << 15 << "1000000000000000.";
        QTest::newRow("1e16 p15") << 1e16 << 15 << "1.0000000000e+16";
        QTest::newRow("-e = p rounds up") << 1.5e-7 << 7 << "0.0000002";
        QTest::newRow("-e < p p5") << 0.000123 << 5 << "0.00012";
        QTest::newRow("-e = p + 1 p5") << 0.00000123 << 5 << "1.2e-6";

        // Exponents of one, two and three digits shorten the mantissa.
        QTest::newRow("exp 3 digits p5") << 1e300 << 5 << "1.e+300";
        QTest::newRow("exp 2 digits p15") << 6.02214076e23 << 15 << "6.0221407600e+23";
        QTest::newRow("denormal p15") << 5e-324 << 15 << "5.000000000e-324";
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(int, precision);
        QFETCH(QString, expected);
        QCOMPARE(::numberText(value, precision), expected);
    }

    void currentUnregistersOnDestruction()
    {
        auto *formatter = new OutputFormatter;
        OutputFormatter::setCurrent(formatter);
        QCOMPARE(OutputFormatter::current(), formatter);
        delete formatter;
        QCOMPARE(OutputFormatter::current(), nullptr);
    }

    void variable_data()
    {
        QTest::addColumn<Variable>("value");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("body");

        QTest::newRow("integer") << Variable(int32_t(42)) << 76 << "   42.      \n";

        // A page narrower than one cell still gets one column per block.
        QTest::newRow("narrow page")
            << value_text::parse("[1 2]") << 10
            << lines({blanks(2) + centredNumber(0, 14), dashes(17), QStringLiteral(" 0 |") + cell7(QStringLiteral("1.")),
                      blanks(2) + centredNumber(1, 14), dashes(17), QStringLiteral(" 0 |") + cell7(QStringLiteral("2."))});
    }
    void variable()
    {
        QFETCH(Variable, value);
        QFETCH(int, columns);
        QFETCH(QString, body);
        OutputFormatter formatter;
        QCOMPARE(formatter.renderValue(value, columns), body);
        QCOMPARE(formatter.renderVariable(QStringLiteral("x"), value, columns), QStringLiteral("\n x = \n\n") + body);
    }

    // Row labels are as wide as the largest row number, not the row count.
    void rowLabels_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("firstLabel");
        QTest::addColumn<QString>("lastLabel");
        QTest::newRow("10") << 10 << " 0 |" << " 9 |";
        QTest::newRow("101") << 101 << "   0 |" << " 100 |";
    }
    void rowLabels()
    {
        QFETCH(int, rows);
        QFETCH(QString, firstLabel);
        QFETCH(QString, lastLabel);
        Vector v;
        QVERIFY(Vector::create(BOOLEAN_TYPE, uint32_t(rows), 1, v));
        OutputFormatter formatter;
        QStringList out = formatter.renderValue(Variable(v), 76).split(QLatin1Char('\n'));
        out.removeLast();
        QCOMPARE(out.size(), rows + 2);
        QCOMPARE(out[0], blanks(int(lastLabel.size()) - 2) + QStringLiteral("    0     "));
        QVERIFY(out[2].startsWith(firstLabel + QStringLiteral("   false")));
        QVERIFY(out.last().startsWith(lastLabel + QStringLiteral("   false")));
    }

    // (columns - 4 - L) / cell width columns per block: at 76 columns and
    // precision 7 that is 71 / 14 = 5; at precision 15 it is 71 / 22 = 3.
    void columnBlocks_data()
    {
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("pageColumns");
        QTest::addColumn<int>("matrixColumns");
        QTest::addColumn<QList<int>>("blockSizes");
        QTest::newRow("p15") << 15 << 76 << 7 << QList<int>{3, 3, 1};
        QTest::newRow("exact fit") << 7 << 4 + 1 + 28 << 3 << QList<int>{2, 1};
        QTest::newRow("one short") << 7 << 4 + 1 + 27 << 3 << QList<int>{1, 1, 1};
    }
    void columnBlocks()
    {
        QFETCH(int, precision);
        QFETCH(int, pageColumns);
        QFETCH(int, matrixColumns);
        QFETCH(QList<int>, blockSizes);
        Vector v;
        QVERIFY(Vector::create(DOUBLE_TYPE, 2, uint32_t(matrixColumns), v));
        for (int i = 0; i < 2 * matrixColumns; ++i)
            v.set(uint32_t(i), double(i));
        OutputFormatter formatter;
        QVERIFY(formatter.setPrecision(precision));
        const QStringList out = formatter.renderValue(Variable(v), pageColumns).split(QLatin1Char('\n'));
        // Each block: header, dashes, two rows.
        QCOMPARE(out.size(), 4 * blockSizes.size() + 1);
        int first = 0;
        const int cell = precision + 7;
        for (int b = 0; b < blockSizes.size(); ++b) {
            const int n = blockSizes[b];
            QCOMPARE(out[4 * b + 1], dashes(n * cell + 3));
            QCOMPARE(out[4 * b].split(QLatin1Char(' '), Qt::SkipEmptyParts).first(), QString::number(first));
            QCOMPARE(out[4 * b + 2].size(), 4 + n * cell);
            QCOMPARE(out[4 * b + 3].mid(4, cell), formatNumber(double(matrixColumns + first), precision) + blanks(2));
            first += n;
        }
    }

    void prompt_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("expected");
        const QString full = QStringLiteral("Press n or q or ^C to stop, or any other key to continue");
        QTest::newRow("60") << 60 << full + QStringLiteral("...");
        QTest::newRow("59") << 59 << full.left(55) + QStringLiteral("...");
        QTest::newRow("3") << 3 << QStringLiteral("...");
    }
    void prompt()
    {
        QFETCH(int, columns);
        QFETCH(QString, expected);
        QCOMPARE(Pager::pagingPrompt(columns), expected);
    }

    // Pages of rows - 1 lines, the question on the last row when more follows.
    void paging_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QList<int>>("linesPerPage");
        QTest::newRow("fits") << 5 << 4 << QList<int>{4};
        QTest::newRow("one over") << 5 << 5 << QList<int>{4, 1};
        QTest::newRow("one row still shows a line") << 1 << 2 << QList<int>{1, 1};
    }
    void paging()
    {
        QFETCH(int, rows);
        QFETCH(int, lineCount);
        QFETCH(QList<int>, linesPerPage);
        OutputList list;
        for (int i = 0; i < lineCount; ++i)
            list.appendTextLine(QStringLiteral("l%1").arg(i));
        OutputFormatter formatter;
        Pager pager(formatter, list);
        pager.setPageSize(rows, 40);
        int next = 0;
        for (int p = 0; p < linesPerPage.size(); ++p) {
            QVERIFY(pager.hasText());
            QString expected;
            for (int i = 0; i < linesPerPage[p]; ++i)
                expected += QStringLiteral("l%1\n").arg(next++);
            if (p + 1 < linesPerPage.size())
                expected += Pager::pagingPrompt(40);
            QCOMPARE(pager.nextPage(), expected);
        }
        QVERIFY(!pager.hasText());
        QVERIFY(list.isEmpty());
        QCOMPARE(pager.nextPage(), QString());
    }

    void variableContinuesOnNextPage()
    {
        OutputList list;
        list.appendVariable(QStringLiteral("v"), value_text::parse("[1; 2; 3; 4; 5; 6]"));
        list.appendTextLine(QStringLiteral("end"));
        OutputFormatter formatter;
        const QString whole = formatter.renderAll(list, 76);
        Pager pager(formatter, list);
        pager.setPageSize(6, 76);
        QString joined;
        int pages = 0;
        while (pager.hasText()) {
            QString page = pager.nextPage();
            QVERIFY(page.count(QLatin1Char('\n')) <= 5);
            if (page.endsWith(QStringLiteral("...")))
                page.chop(Pager::pagingPrompt(76).size());
            joined += page;
            ++pages;
            // The variable stays in the list until it has been shown completely.
            if (pages == 1)
                QCOMPARE(list.count(), 2);
        }
        QCOMPARE(joined, whole);
        QCOMPARE(pages, 3); // 3 header + 2 matrix + 6 rows + 1 text = 12 lines
    }

    void textWithoutNewlineIsNotALine()
    {
        OutputList list;
        for (int i = 0; i < 5; ++i)
            list.appendText(QStringLiteral("t"));
        list.appendTextLine(QStringLiteral("a"));
        list.appendTextLine(QStringLiteral("b"));
        OutputFormatter formatter;
        Pager pager(formatter, list);
        pager.setPageSize(3, 76);
        QCOMPARE(pager.nextPage(), QStringLiteral("ttttta\nb\n"));
    }

    // Entries not yet shown follow a precision change made at the question.
    void precisionChangeAppliesToWaitingEntries()
    {
        OutputList list;
        list.appendTextLine(QStringLiteral("a"));
        list.appendTextLine(QStringLiteral("b"));
        list.appendVariable(QStringLiteral("p"), Variable(M_PI));
        OutputFormatter formatter;
        Pager pager(formatter, list);
        pager.setPageSize(2, 76);
        QCOMPARE(pager.nextPage(), QStringLiteral("a\n") + Pager::pagingPrompt(76));
        QCOMPARE(pager.nextPage(), QStringLiteral("b\n") + Pager::pagingPrompt(76));
        formatter.setPrecision(5);
        QString rest;
        while (pager.hasText())
            rest += pager.nextPage().remove(Pager::pagingPrompt(76));
        QCOMPARE(rest, QStringLiteral("\n p = \n\n   3.14159\n"));
    }

private:
    static QString centredNumber(int n, int width)
    {
        const QString text = QString::number(n);
        const int left = (width - int(text.size())) / 2;
        return (blanks(left) + text).leftJustified(width);
    }
};

QTEST_GUILESS_MAIN(TestOutputFormatter)
#include "test_output_formatter.moc"
