#include "app/message_hook.h"
#include "value_text.h"
#include "persistence/failure_reporter.h"
#include "persistence/text_table.h"
#include "persistence/text_table_reader.h"
#include "values/allocation_limit.h"
#include "values/error_codes.h"
#include "values/output_list.h"
#include "values/vector.h"
#include "vm/execution_context.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <sys/stat.h>

Q_DECLARE_METATYPE(VariableType)

class TestTextTable : public QObject {
    Q_OBJECT

    QStringList _messages;

private slots:
    void initTestCase()
    {
        setCriticalMessageHandler([this](const QString &text) { _messages << text; });
    }
    void init() { _messages.clear(); }

    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<VariableType>("type");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("message");

        // commands_syntax.l loads and saves the common tables through the language.
        QTest::newRow("scalar bad double") << QByteArray("x\n") << DOUBLE_TYPE << "" << "Can't convert value to double";
        QTest::newRow("scalar boolean 1") << QByteArray("1") << BOOLEAN_TYPE << "true" << "";
        QTest::newRow("no final newline") << QByteArray("1;2\n3;4") << DOUBLE_TYPE << "[1 2; 3 4]" << "";
        QTest::newRow("crlf lines") << QByteArray("1;2\r\n3;4\r\n") << DOUBLE_TYPE << "[1 2; 3 4]" << "";
        QTest::newRow("long third row") << QByteArray("a\nb\nc;d\n") << STRING_TYPE << "" << "Different row size. Row: 3";
        QTest::newRow("boolean 2 in array") << QByteArray("1;0\n2;1\n") << BOOLEAN_TYPE << "" << "Can't convert value to boolean. Row: 2, Column: 1";
        QTest::newRow("column vector") << QByteArray("1\n2\n3\n") << DOUBLE_TYPE << "[1; 2; 3]" << "";
        QTest::newRow("exponent and sign") << QByteArray("-1e3;+2.5E-1\n") << DOUBLE_TYPE << "[-1000 0.25]" << "";
        QTest::newRow("comma is not a decimal point") << QByteArray("1,5;2\n") << DOUBLE_TYPE << "" << "Can't convert value to double. Row: 1, Column: 1";
        // Row ends: CR alone ends rows only in a file without LF; elsewhere it is data.
        QTest::newRow("cr rows") << QByteArray("1;2\r3;4\r") << DOUBLE_TYPE << "[1 2; 3 4]" << "";
        QTest::newRow("cr kept in a string") << QByteArray("a\rb;c\r\nd;e\n") << STRING_TYPE << "['a\rb' 'c'; 'd' 'e']" << "";
        QTest::newRow("crlf before end of file") << QByteArray("a;b\nc;d\r") << STRING_TYPE << "['a' 'b'; 'c' 'd']" << "";
        QTest::newRow("empty line is a row") << QByteArray("1\n\n") << DOUBLE_TYPE << "" << "Can't convert value to double. Row: 2, Column: 1";
        QTest::newRow("one bad field then a row") << QByteArray("x\n2\n") << DOUBLE_TYPE << "" << "Can't convert value to double. Row: 1, Column: 1";
        QTest::newRow("short row beats its bad field") << QByteArray("1;2;3\nx;2\n") << DOUBLE_TYPE << "" << "Different row size. Row: 2";
        QTest::newRow("long row beats its bad field") << QByteArray("1;2\nx;2;3\n") << DOUBLE_TYPE << "" << "Different row size. Row: 2";
        QTest::newRow("empty device") << QByteArray() << STRING_TYPE << "''" << "";
        QTest::newRow("boolean blanks and zeros") << QByteArray(" 01 ;-0\n+1;\t0\n") << BOOLEAN_TYPE << "[true false; true false]" << "";
        QTest::newRow("nul in a string") << QByteArray("a\0b;c\n", 6) << STRING_TYPE << (QStringLiteral("['a") + QChar(0) + QStringLiteral("b' 'c']")) << "";
    }
    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(VariableType, type);
        QFETCH(QString, expected);
        QFETCH(QString, message);
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        Variable value(42.0);
        const bool ok = TextTable::read(buffer, type, FailureReporter(nullptr), value);
        if (message.isEmpty()) {
            QVERIFY(ok);
            QCOMPARE(value_text::show(value), expected);
            QVERIFY(_messages.isEmpty());
        } else {
            QVERIFY(!ok);
            QCOMPARE(_messages, QStringList{message});
            QCOMPARE(value.getDouble(), 42.0); // nothing assigned on failure
        }
    }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<VariableType>("type");
        QTest::newRow("doubles") << QByteArray("0.1;-2.5;1e+300\n3;4;5\n") << DOUBLE_TYPE;
        QTest::newRow("strings with an empty one") << QByteArray("a;;c\n") << STRING_TYPE;
    }
    void roundTrip()
    {
        QFETCH(QByteArray, file);
        QFETCH(VariableType, type);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.csv"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
        out.close();
        Variable first, second;
        QVERIFY(TextTable::readFile(path, type, FailureReporter(nullptr), first));
        QVERIFY(TextTable::writeFile(path, first, FailureReporter(nullptr)));
        QVERIFY(TextTable::readFile(path, type, FailureReporter(nullptr), second));
        QCOMPARE(value_text::show(second), value_text::show(first));
        QCOMPARE(TextTable::text(second), TextTable::text(first));
    }

    // The byte conversions accept exactly what the toolkit's conversions of
    // the same text accept, with the same doubles (NaN aside, compared by kind).
    void sameConversionsAsTheToolkit()
    {
        const QList<QByteArray> fields = {
            "1", "+1", "-1", " 1", "1 ", "\t1\r", "\x85" "1", "1\xa0", ".5", "5.", "-.5", ".", "e5", "1e5", "1E+5",
            "1e-5", "1e", "1e+", "1.5e3x", "inf", "-INF", "+Inf", "infinity", "nan", "NaN", "-nan", "nan(1)",
            "1e400", "-1e400", "1e-400", "4.9e-324", "2.4703282292062328e-324", "2.4703282292062327e-324",
            "1.7976931348623158e308", "1.797693134862315808e308", "0e-400", "0x10", "1,5", "", " ", "00012",
            "1.2.3", "--1", "+-1", "+ 1", "1 2", "-0", "-00", "2", "1\0", "\0" "1", " 1\0x", "1e0000000000000000005",
            "0.1", "9007199254740993", "123456789012345678901234567890", "1.00000000000000011102230246251565404236316680908203125",
            "0000000000000000000000000000001", "10", "-1"};
        for (const QByteArray &field : fields) {
            const QString text = QString::fromLatin1(field);
            bool toolkitOk = false;
            const double expected = text.toDouble(&toolkitOk);
            double d = -123;
            const bool ok = TextTableReader::parseDouble(field.constData(), field.constData() + field.size(), d);
            QVERIFY2(ok == toolkitOk, field.toPercentEncoding().constData());
            if (ok)
                QVERIFY2(std::isnan(expected) ? std::isnan(d) : (d == expected && std::signbit(d) == std::signbit(expected)),
                         field.toPercentEncoding().constData());
            const int n = text.toInt(&toolkitOk);
            bool b = false;
            const bool boolOk = TextTableReader::parseBoolean(field.constData(), field.constData() + field.size(), b);
            QVERIFY2(boolOk == (toolkitOk && (n == 0 || n == 1)), field.toPercentEncoding().constData());
            if (boolOk)
                QCOMPARE(b, n == 1);
        }
    }

    void sixteenDigits()
    {
        QCOMPARE(TextTable::text(Variable(1.0 / 3.0)), QByteArray("0.3333333333333333\n"));
        QCOMPARE(TextTable::text(Variable(2.0)), QByteArray("2\n"));
    }

    void fileFailures()
    {
        QTemporaryDir dir;
        Variable value;
        const QString missing = dir.filePath(QStringLiteral("none.csv"));
        QVERIFY(!TextTable::readFile(missing, DOUBLE_TYPE, FailureReporter(nullptr), value));
        QFile empty(dir.filePath(QStringLiteral("empty.csv")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QVERIFY(!TextTable::readFile(empty.fileName(), DOUBLE_TYPE, FailureReporter(nullptr), value));
        QVERIFY(!TextTable::writeFile(dir.filePath(QStringLiteral("u.csv")), Variable(), FailureReporter(nullptr)));
        QCOMPARE(_messages, (QStringList{QStringLiteral("File \"%1\" doesn't exists").arg(missing),
                                         QStringLiteral("File is empty"), QStringLiteral("Can't save empty data")}));
    }

    // A FIFO (which would block the open until a writer comes) and a
    // directory are not tables.
    void onlyRegularFiles()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe.csv"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        Variable value;
        QVERIFY(!TextTable::readFile(fifo, DOUBLE_TYPE, FailureReporter(nullptr), value));
        QVERIFY(!TextTable::readFile(dir.path(), DOUBLE_TYPE, FailureReporter(nullptr), value));
        QCOMPARE(_messages, (QStringList{QStringLiteral("Can't open file"), QStringLiteral("Can't open file")}));
    }

    // A table larger than the array limit is refused before it is built.
    void tableOverTheLimit()
    {
        QByteArray file;
        for (int i = 0; i < 300000; ++i)
            file += "1;2\n";
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        AllocationLimit::setUserLimit(uint64_t(1) << 20);
        Variable value(42.0);
        const bool ok = TextTable::read(buffer, DOUBLE_TYPE, FailureReporter(nullptr), value);
        AllocationLimit::setUserLimit(0);
        QVERIFY(!ok);
        QCOMPARE(_messages, QStringList{QStringLiteral("Not enough memory")});
        QCOMPARE(value.getDouble(), 42.0);
        buffer.seek(0);
        QVERIFY(TextTable::read(buffer, DOUBLE_TYPE, FailureReporter(nullptr), value));
        QCOMPARE(value.getVector().rowCount(), 300000u);
        QCOMPARE(value.getVector().capacity(), 600000u);
    }

    // A stop request ends a command's read between two chunks with one
    // report, whether the rows end at LF or (probed to the end) at CR.
    void stopRequest_data()
    {
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("line feeds") << QByteArray("1;2\n");
        QTest::newRow("carriage returns") << QByteArray("1;2\r");
    }
    void stopRequest()
    {
        QFETCH(QByteArray, row);
        const QByteArray file = row.repeated(1 << 20); // 4 MiB, several chunks
        QBuffer buffer;
        buffer.setData(file);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        OutputList::instance().clear();
        ExecutionContext context;
        context.terminate();
        Variable value(42.0);
        QVERIFY(!TextTable::read(buffer, DOUBLE_TYPE, FailureReporter(&context), value));
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(OutputList::instance().at(0).report.code, quint32(ERR_PROCESS_TERMINATED));
        QCOMPARE(value.getDouble(), 42.0);
        QVERIFY(buffer.pos() < file.size()); // it did not read on to the end
        OutputList::instance().clear();
    }
};

QTEST_GUILESS_MAIN(TestTextTable)
#include "test_text_table.moc"
