#include "values/output_formatter.h"
#include "values/pager.h"
#include "value_text.h"

#include <QtTest>

#include <cmath>

// printing.l and printing_*.l pin number texts, blocks and row labels as
// the command line prints them; these cover the formatter's own contracts
// and the pager, which a script run never reaches.
class TestOutputFormatter : public QObject {
    Q_OBJECT

private slots:
    void currentUnregistersOnDestruction()
    {
        auto *formatter = new OutputFormatter;
        OutputFormatter::setCurrent(formatter);
        QCOMPARE(OutputFormatter::current(), formatter);
        delete formatter;
        QCOMPARE(OutputFormatter::current(), nullptr);
    }

    // Integers have no spelling in a script.
    void integerVariable()
    {
        OutputFormatter formatter;
        const Variable value(int32_t(42));
        QCOMPARE(formatter.renderValue(value, 76), QStringLiteral("   42.      \n"));
        QCOMPARE(formatter.renderVariable(QStringLiteral("x"), value, 76), QStringLiteral("\n x = \n\n   42.      \n"));
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
};

QTEST_GUILESS_MAIN(TestOutputFormatter)
#include "test_output_formatter.moc"
