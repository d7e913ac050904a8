#include "app/message_hook.h"
#include "persistence/history.h"

#include <QTemporaryDir>
#include <QtTest>

class TestHistory : public QObject {
    Q_OBJECT

    QStringList _messages;

    static void writeFile(const QString &dir, const QByteArray &bytes)
    {
        QFile file(QDir(dir).filePath(QStringLiteral("history")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray readFile(const QString &dir)
    {
        QFile file(QDir(dir).filePath(QStringLiteral("history")));
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        return file.readAll();
    }
    static int statementCount(const History &history)
    {
        int n = 0;
        for (const HistoryEntry &e : history.entries())
            if (!(e.size() == 1 && e.first().first == History::SEPARATOR_TYPE))
                ++n;
        return n;
    }

private slots:
    void initTestCase()
    {
        setCriticalMessageHandler([this](const QString &text) { _messages << text; });
    }
    void init() { _messages.clear(); }

    void load_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("statements"); // -1: corrupt
        QTest::newRow("valid") << QByteArray("10;Fri Dec 4 17:36:03 2026\n11;\n0;x=1\n12;\n11;\n0;if (x > 0)\n6;y = 1\n12;\n") << 2;
        QTest::newRow("semicolons stay in the text") << QByteArray("10;t\n11;\n0;a=1;b=2\n12;\n") << 1;
        QTest::newRow("missing end") << QByteArray("10;t\n11;\n0;x=1\n") << -1;
        QTest::newRow("empty line") << QByteArray("10;t\n\n11;\n0;x\n12;\n") << -1;
        QTest::newRow("no number") << QByteArray("10;t\n11;\n;x\n12;\n") << -1;
        QTest::newRow("not a number") << QByteArray("10;t\n11;\nab;x\n12;\n") << -1;
        QTest::newRow("no semicolon") << QByteArray("10;t\n11;\n0\n12;\n") << -1;
        QTest::newRow("separator inside entry") << QByteArray("11;\n10;t\n0;x\n12;\n") << -1;
        QTest::newRow("separator without text") << QByteArray("10;\n") << -1;
        QTest::newRow("begin inside entry") << QByteArray("11;\n11;\n0;x\n12;\n") << -1;
        QTest::newRow("begin with text") << QByteArray("11;x\n0;x\n12;\n") << -1;
        QTest::newRow("end without entry") << QByteArray("10;t\n12;\n") << -1;
        QTest::newRow("end with text") << QByteArray("11;\n0;x\n12;y\n") << -1;
        QTest::newRow("empty entry") << QByteArray("11;\n12;\n") << -1;
        QTest::newRow("line outside entry") << QByteArray("10;t\n0;x\n") << -1;
        QTest::newRow("unknown type accepted") << QByteArray("11;\n42;x\n12;\n") << 1;
    }
    void load()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, statements);
        QTemporaryDir dir;
        writeFile(dir.path(), file);
        History history(dir.path());
        if (statements < 0) {
            QCOMPARE(_messages, QStringList{QStringLiteral("History file corrupted")});
            // Discarded: only this run's separator is left, in memory and on disk.
            QCOMPARE(history.entries().size(), 1);
            QCOMPARE(history.model()->rowCount(), 1);
            QVERIFY(readFile(dir.path()).startsWith("10;"));
            QCOMPARE(readFile(dir.path()).count('\n'), 1);
        } else {
            QVERIFY(_messages.isEmpty());
            QCOMPARE(statementCount(history), statements);
            QVERIFY(readFile(dir.path()).startsWith(file));
            if (file.startsWith("10;")) // the first statement's text, semicolons and all
                QCOMPARE(history.entries().at(1).first().second, QString(file.split('\n').at(2).mid(2)));
        }
    }

    void duplicatesAndFile()
    {
        QTemporaryDir dir;
        {
            History history(dir.path());
            const HistoryEntry a{{0, QStringLiteral("a = 1")}};
            const HistoryEntry b{{6, QStringLiteral("if (x)")}, {0, QStringLiteral("y = 1")}};
            history.add(a);
            history.add(a);
            history.add(b);
            history.add(a);
            QCOMPARE(statementCount(history), 3);
        }
        const QByteArray text = readFile(dir.path());
        QVERIFY(text.startsWith("10;"));
        QVERIFY(text.endsWith("\n11;\n0;a = 1\n12;\n11;\n6;if (x)\n0;y = 1\n12;\n11;\n0;a = 1\n12;\n"));
        // A second run reads them back and adds its own separator.
        History again(dir.path());
        QCOMPARE(statementCount(again), 3);
        QCOMPARE(again.model()->rowCount(), 2);
        QCOMPARE(again.model()->item(0)->rowCount(), 3);
        QCOMPARE(again.model()->item(0)->child(1)->text(), QStringLiteral("if (x)\ny = 1"));
    }

    void navigationSkipsSeparators()
    {
        QTemporaryDir dir;
        writeFile(dir.path(), "10;one\n11;\n0;first\n12;\n10;two\n10;three\n11;\n0;second\n12;\n");
        History history(dir.path());
        QVERIFY(history.hasPrevious());
        history.previous();
        QCOMPARE(history.current().first().second, QStringLiteral("second"));
        QVERIFY(history.hasPrevious());
        history.previous();
        QCOMPARE(history.current().first().second, QStringLiteral("first"));
        QVERIFY(!history.hasPrevious());
        QVERIFY(history.hasNext());
        history.next();
        QCOMPARE(history.current().first().second, QStringLiteral("second"));
        QVERIFY(!history.hasNext());
        history.next();
        QVERIFY(history.current().isEmpty()); // browsing ended
    }

    void tabsShownAsSpacesKeptInEntry()
    {
        QTemporaryDir dir;
        History history(dir.path());
        history.add(HistoryEntry{{0, QStringLiteral("a\t= 1")}});
        QCOMPARE(history.model()->item(0)->child(0)->text(), QStringLiteral("a    = 1"));
        QCOMPARE(history.entries().last().first().second, QStringLiteral("a\t= 1"));
        QSignalSpy run(&history, &History::runSelected);
        history.runSelection({history.model()->item(0)->child(0)->index()});
        QCOMPARE(run.count(), 1);
        QCOMPARE(run.first().first().toString(), QStringLiteral("a\t= 1\n"));
    }

    void clearKeepsStartTime()
    {
        QTemporaryDir dir;
        History history(dir.path());
        history.add(HistoryEntry{{0, QStringLiteral("x")}});
        history.clear();
        QCOMPARE(history.model()->rowCount(), 1);
        QCOMPARE(history.model()->item(0)->rowCount(), 0);
        QCOMPARE(history.model()->item(0)->text(), history.startTime().toString(Qt::TextDate));
        QCOMPARE(readFile(dir.path()), QByteArray("10;") + history.startTime().toString(Qt::TextDate).toLatin1() + "\n");
    }

    void allTextAndSave()
    {
        QTemporaryDir dir;
        writeFile(dir.path(), "10;run\n11;\n0;a\n12;\n11;\n4;for (i in x)\n0;y\n12;\n");
        History history(dir.path());
        const QString start = history.startTime().toString(Qt::TextDate);
        QCOMPARE(history.allText(), QStringLiteral("run\na\nfor (i in x)\ny\n") + start);
        const QString out = dir.filePath(QStringLiteral("all.txt"));
        QVERIFY(history.saveAll(out));
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("run\na\nfor (i in x)\ny\n") + start.toLatin1() + "\n");
    }

    void noDirectoryNoFile()
    {
        History history{QString()};
        history.add(HistoryEntry{{0, QStringLiteral("x")}});
        QCOMPARE(statementCount(history), 1);
        QVERIFY(_messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "test_history.moc"
