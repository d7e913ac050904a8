#include "app/message_hook.h"
#include "persistence/failure_reporter.h"
#include "persistence/text_table.h"
#include "values/output_list.h"
#include "values/vector.h"
#include "vm/execution_context.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(VariableType)

class TestTextTable : public QObject {
    Q_OBJECT

    QStringList _messages;

    // Renders a value as rows of fields, so expectations read like the file.
    static QString shape(const Variable &v)
    {
        if (v.type() != VECTOR_TYPE) {
            switch (v.type()) {
            case DOUBLE_TYPE: return QStringLiteral("double %1").arg(v.getDouble());
            case BOOLEAN_TYPE: return QStringLiteral("bool %1").arg(int(v.getBoolean()));
            case STRING_TYPE: return QStringLiteral("string '%1'").arg(v.getString().toQString());
            default: return QStringLiteral("undefined");
            }
        }
        const Vector &m = v.getVector();
        QStringList rows;
        uint32_t i = 0;
        for (uint32_t r = 0; r < m.rowCount(); ++r) {
            QStringList fields;
            for (uint32_t c = 0; c < m.columnCount(); ++c, ++i) {
                switch (m.type()) {
                case DOUBLE_TYPE: fields << QString::number(m.getDouble(i)); break;
                case BOOLEAN_TYPE: fields << QString::number(int(m.getBoolean(i))); break;
                default: fields << QLatin1Char('\'') + m.getString(i).toQString() + QLatin1Char('\''); break;
                }
            }
            rows << fields.join(QLatin1Char(','));
        }
        return QStringLiteral("%1x%2 ").arg(m.rowCount()).arg(m.columnCount()) + rows.join(QLatin1Char('|'));
    }

private slots:
    void initTestCase()
    {
        setCriticalMessageHandler([this](const QString &text) { _messages << text; });
    }
    void init()
    {
        _messages.clear();
        OutputList::instance().clear();
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<VariableType>("type");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("message");

        QTest::newRow("scalar double") << QByteArray("3.5\n") << DOUBLE_TYPE << "double 3.5" << "";
        QTest::newRow("scalar as boolean") << QByteArray("3.5\n") << BOOLEAN_TYPE << "" << "Can't convert value to boolean";
        QTest::newRow("scalar bad double") << QByteArray("x\n") << DOUBLE_TYPE << "" << "Can't convert value to double";
        QTest::newRow("scalar boolean 1") << QByteArray("1") << BOOLEAN_TYPE << "bool 1" << "";
        QTest::newRow("two by three") << QByteArray("1;2;3\n4;5;6\n") << DOUBLE_TYPE << "2x3 1,2,3|4,5,6" << "";
        QTest::newRow("no final newline") << QByteArray("1;2\n3;4") << DOUBLE_TYPE << "2x2 1,2|3,4" << "";
        QTest::newRow("crlf lines") << QByteArray("1;2\r\n3;4\r\n") << DOUBLE_TYPE << "2x2 1,2|3,4" << "";
        QTest::newRow("empty field double") << QByteArray("1;;3\n") << DOUBLE_TYPE << "" << "Can't convert value to double. Row: 1, Column: 2";
        QTest::newRow("empty field string") << QByteArray("1;;3\n") << STRING_TYPE << "1x3 '1','','3'" << "";
        QTest::newRow("short second row") << QByteArray("1;2;3\n4;5\n") << DOUBLE_TYPE << "" << "Different row size. Row: 2";
        QTest::newRow("long third row") << QByteArray("a\nb\nc;d\n") << STRING_TYPE << "" << "Different row size. Row: 3";
        QTest::newRow("boolean array") << QByteArray("1;0\n0;1\n") << BOOLEAN_TYPE << "2x2 1,0|0,1" << "";
        QTest::newRow("boolean 2 in array") << QByteArray("1;0\n2;1\n") << BOOLEAN_TYPE << "" << "Can't convert value to boolean. Row: 2, Column: 1";
        QTest::newRow("column vector") << QByteArray("1\n2\n3\n") << DOUBLE_TYPE << "3x1 1|2|3" << "";
        QTest::newRow("exponent and sign") << QByteArray("-1e3;+2.5E-1\n") << DOUBLE_TYPE << "1x2 -1000,0.25" << "";
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
            QCOMPARE(shape(value), expected);
            QVERIFY(_messages.isEmpty());
        } else {
            QVERIFY(!ok);
            QCOMPARE(_messages, QStringList{message});
            QCOMPARE(value.getDouble(), 42.0); // nothing assigned on failure
        }
    }

    // Command mode: one report with the row and column for the formatter.
    void commandModeReports()
    {
        QByteArray file("1;2\n3;x\n");
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        ExecutionContext context;
        Variable value;
        QVERIFY(!TextTable::read(buffer, DOUBLE_TYPE, FailureReporter(&context), value));
        QCOMPARE(OutputList::instance().count(), 1);
        const ErrorReport &report = OutputList::instance().at(0).report;
        QCOMPARE(report.code, quint32(0x30F));
        QCOMPARE(report.firstNumber, 2);
        QCOMPARE(report.secondNumber, 2);
        QCOMPARE(report.thirdNumber, quint32(DOUBLE_TYPE));
        QVERIFY(_messages.isEmpty());
    }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<VariableType>("type");
        QTest::newRow("doubles") << QByteArray("0.1;-2.5;1e+300\n3;4;5\n") << DOUBLE_TYPE;
        QTest::newRow("booleans") << QByteArray("1;0;1\n") << BOOLEAN_TYPE;
        QTest::newRow("strings with an empty one") << QByteArray("a;;c\n") << STRING_TYPE;
        QTest::newRow("scalar third") << QByteArray("0.3333333333333333\n") << DOUBLE_TYPE;
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
        QCOMPARE(shape(second), shape(first));
        QCOMPARE(TextTable::text(second), TextTable::text(first));
    }

    void sixteenDigits()
    {
        QCOMPARE(TextTable::text(Variable(1.0 / 3.0)), QByteArray("0.3333333333333333\n"));
        QCOMPARE(TextTable::text(Variable(2.0)), QByteArray("2\n"));
    }

    void semicolonInStringDoesNotSurvive()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.csv"));
        QVERIFY(TextTable::writeFile(path, Variable(String("a;b")), FailureReporter(nullptr)));
        Variable back;
        QVERIFY(TextTable::readFile(path, STRING_TYPE, FailureReporter(nullptr), back));
        QCOMPARE(shape(back), QStringLiteral("1x2 'a','b'"));
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
