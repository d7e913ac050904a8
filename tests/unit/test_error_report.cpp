#include "values/error_codes.h"
#include "values/error_report.h"
#include "values/error_table.h"
#include "values/variable_type.h"

#include <QtTest>

// Builds a record field by field so each row of a table names only what it sets.
struct Report {
    ErrorReport r;
    explicit Report(quint32 code, quint32 line = 1) { r.code = code; r.line = line; }
    Report &state(int s) { r.state = s; return *this; }
    Report &name(const QString &n) { r.name = n; return *this; }
    Report &second(const QString &t) { r.secondText = t; return *this; }
    Report &path(const QString &p) { r.path = p; return *this; }
    Report &function(const QString &f) { r.function = f; return *this; }
    Report &numbers(qint32 a, qint32 b, quint32 c = 0) { r.firstNumber = a; r.secondNumber = b; r.thirdNumber = c; return *this; }
    Report &token(const QString &t) { r.token = t; return *this; }
};

Q_DECLARE_METATYPE(ErrorReport)

class TestErrorReport : public QObject {
    Q_OBJECT

    static QString head(const QString &title, quint32 line, quint32 code)
    {
        return QStringLiteral("\n %1 (Path: Interactive; Line: %2; Code: %3)\n\n   ").arg(title).arg(line).arg(code);
    }

    static void addRow(const char *rule, const Report &report, const QString &expected)
    {
        QTest::newRow(rule) << report.r << expected;
    }

private slots:
    // The golden outputs show the common reports; these are the corners.
    // Runs every rendering twice: with the process-wide table created as at
    // start-up, and with only the built-in fallback.
    void render_data()
    {
        QTest::addColumn<ErrorReport>("report");
        QTest::addColumn<QString>("expected");
        addRow("named path-file code", Report(ERR_CANT_OPEN_PATH_FILE).name("/p"),
               head("Error", 1, 2561) + QStringLiteral("Can't open path file to read: \"/p\""));

        addRow("title ignore", Report(ERR_DIVIDE_BY_ZERO).state(IGNORE_STATE),
               head("Ignore state", 1, 773) + QStringLiteral("Divide by zero"));
        addRow("title unknown", Report(ERR_DIVIDE_BY_ZERO).state(UNKNOWN_STATE),
               head("Unknow state", 1, 773) + QStringLiteral("Divide by zero"));
        addRow("title out of range", Report(ERR_DIVIDE_BY_ZERO).state(7),
               head("Error", 1, 773) + QStringLiteral("Divide by zero"));
        addRow("title zero", Report(ERR_DIVIDE_BY_ZERO).state(0),
               head("Error", 1, 773) + QStringLiteral("Divide by zero"));

        addRow("function in command window", Report(ERR_DIVIDE_BY_ZERO, 3).function("g"),
               QStringLiteral("\n Error (Path: Interactive; Function: g; Line: 3; Code: 773)\n\n   Divide by zero"));
        addRow("line and code unsigned", Report(0xFFFFFFFFu, 0xFFFFFFFFu),
               head("Error", 4294967295u, 4294967295u) + QStringLiteral("UNKNOWN ERROR CODE"));
        addRow("unknown code", Report(0x999).name("x").numbers(1, 2, 3).token("t"),
               head("Error", 1, 2457) + QStringLiteral("UNKNOWN ERROR CODE"));

        addRow("bad argument type out of list", Report(ERR_BAD_ARGUMENT).name("f").numbers(2, 9, 6),
               head("Error", 1, 525) +
                   QStringLiteral("Bad argument #3 in function \"f\". Expect TYPE IS NOT IN LIST, given TYPE IS NOT IN LIST"));
        addRow("bad argument given undefined", Report(ERR_BAD_ARGUMENT).name("f").numbers(0, 1, 0),
               head("Error", 1, 525) + QStringLiteral("Bad argument #1 in function \"f\". Expect boolean, given undefined"));
        addRow("bad argument name with marker", Report(ERR_BAD_ARGUMENT).name("%3").numbers(0, 2, 3),
               head("Error", 1, 525) + QStringLiteral("Bad argument #1 in function \"%3\". Expect integer, given double"));

        addRow("parameter count given missing", Report(ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION).name("f").numbers(-1, 2),
               head("Error", 1, 782) + QStringLiteral("Wrong parameters count in function: \"f\""));
        addRow("parameter count expected missing", Report(ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION).numbers(0, -1),
               head("Error", 1, 782) + QStringLiteral("Wrong parameters count in function"));

        addRow("convert to undefined", Report(ERR_CANT_CONVERT_VALUE).numbers(-1, -1, 0),
               head("Error", 1, 783) + QStringLiteral("Can't convert value to undefined"));
        addRow("convert to bin", Report(ERR_CANT_CONVERT_VALUE).numbers(-1, -1, 6),
               head("Error", 1, 783) + QStringLiteral("Can't convert value to bin"));
        addRow("convert beyond hex", Report(ERR_CANT_CONVERT_VALUE).numbers(0, 0, 10),
               head("Error", 1, 783) + QStringLiteral("Can't convert value to TYPE IS NOT IN LIST. Row = 0, Column = 0"));

        addRow("user replaced", Report(ERR_USER_FUNCTION_REPLACED).name("f").second("/a/f.l").path("/b/f.l"),
               QStringLiteral("\n Error (Path: /b/f.l; Line: 1; Code: 2564)\n\n   "
                              "User function \"f\" from file \"/a/f.l\" was replaced by user function \"f\" from file \"/b/f.l\""));

        addRow("syntax token with newline", Report(ERR_SYNTAX_ERROR).token("\n\n"),
               head("Error", 1, 786) + QStringLiteral("Syntax error near token \"\n\n\""));
        addRow("assertion with name and token", Report(ERR_ASSERTION_FAILED).name("x > 0").token("\n"),
               head("Error", 1, 1281) + QStringLiteral("Assertion failed: \"x > 0\": incomplete statement"));
        addRow("unknown error state has no details", Report(ERR_UNKNOWN_ERROR_STATE).name("q").token(")"),
               head("Error", 1, 1282) + QStringLiteral("Unknown error state"));
    }
    void render()
    {
        QFETCH(ErrorReport, report);
        QFETCH(QString, expected);
        QCOMPARE(renderErrorReport(report), expected);
        {
            ErrorTable table;
            QCOMPARE(renderErrorReport(report), expected);
        }
        QCOMPARE(renderErrorReport(report), expected);
    }

    // Every code in every block has exactly one message, and nothing else does.
    void tableCoversEveryBlock()
    {
        const auto count = [] {
            int n = 0;
            for (quint32 code = 0; code < 0x1000; ++code)
                n += ErrorTable::contains(code) ? 1 : 0;
            return n;
        };
        QCOMPARE(count(), 156);
        ErrorTable table;
        QCOMPARE(count(), 156);
        QVERIFY(!ErrorTable::contains(0x118));
        QVERIFY(!ErrorTable::contains(0x315));
        QVERIFY(!ErrorTable::contains(0xE11));
        QCOMPARE(ErrorTable::message(0xE11), QStringLiteral("UNKNOWN ERROR CODE"));
    }
};

QTEST_APPLESS_MAIN(TestErrorReport)
#include "test_error_report.moc"
