#include "app/message_hook.h"
#include "value_text.h"
#include "persistence/failure_reporter.h"
#include "persistence/text_table.h"
#include "values/vector.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

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
    }
    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(VariableType, type);
        QFETCH(QString, expected);
        QFETCH(QString, message);
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::ReadOnly | QIODevice::Text));
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
};

QTEST_GUILESS_MAIN(TestTextTable)
#include "test_text_table.moc"
