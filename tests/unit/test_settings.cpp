#include "app/constants.h"
#include "app/message_hook.h"
#include "app/settings.h"

#include <QFontDatabase>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The store and the program directory live in a throw-away home directory,
// set up before the application object exists (see main below).
class TestSettings : public QObject {
    Q_OBJECT

public:
    explicit TestSettings(const QString &home) : _home(home) {}

private:
    QString _home;
    QStringList _messages;

    static void store(SettingKey key, const QVariant &value)
    {
        QSettings s(Numlyra::organisationName, Numlyra::applicationName);
        if (value.isValid())
            s.setValue(Settings::keyName(key), value);
        else
            s.remove(Settings::keyName(key));
    }

private slots:
    void initTestCase()
    {
        setCriticalMessageHandler([this](const QString &text) { _messages << text; });
        QSettings s(Numlyra::organisationName, Numlyra::applicationName);
        QVERIFY2(s.fileName().startsWith(_home), qPrintable(s.fileName()));
    }
    void init()
    {
        _messages.clear();
        QSettings(Numlyra::organisationName, Numlyra::applicationName).clear();
    }

    // Missing, malformed and out-of-range values all give the default.
    void rangedIntegers_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("prec 4") << int(PRECISION_SETTING) << QVariant(4) << 7;
        QTest::newRow("prec 5") << int(PRECISION_SETTING) << QVariant(5) << 5;
        QTest::newRow("prec 15") << int(PRECISION_SETTING) << QVariant(15) << 15;
        QTest::newRow("prec 16") << int(PRECISION_SETTING) << QVariant(16) << 7;
        QTest::newRow("prec text") << int(PRECISION_SETTING) << QVariant(QStringLiteral("12")) << 12;
        QTest::newRow("prec word") << int(PRECISION_SETTING) << QVariant(QStringLiteral("long")) << 7;
        QTest::newRow("prec fraction") << int(PRECISION_SETTING) << QVariant(QStringLiteral("9.5")) << 7;
        QTest::newRow("prec huge") << int(PRECISION_SETTING) << QVariant(QStringLiteral("4294967305")) << 7;
        QTest::newRow("tee_rc 9") << int(TEE_ROWS_SETTING) << QVariant(9) << 62;
        QTest::newRow("tee_rc 10") << int(TEE_ROWS_SETTING) << QVariant(10) << 10;
        QTest::newRow("tee_rc 255") << int(TEE_ROWS_SETTING) << QVariant(255) << 255;
        QTest::newRow("tee_rc 256") << int(TEE_ROWS_SETTING) << QVariant(256) << 62;
        QTest::newRow("tee_cc absent") << int(TEE_COLUMNS_SETTING) << QVariant() << 76;
        QTest::newRow("tee_cc bytes") << int(TEE_COLUMNS_SETTING) << QVariant(QByteArray("\x01\x02")) << 76;
    }
    void rangedIntegers()
    {
        QFETCH(int, key);
        QFETCH(QVariant, stored);
        QFETCH(int, expected);
        store(SettingKey(key), stored);
        QCOMPARE(Settings::readInteger(SettingKey(key)), expected);
    }

    // The formatter's precision goes through the store: an invalid stored
    // value is replaced by 7 when the formatter saves it on destruction.
    void formatterPrecision()
    {
        store(PRECISION_SETTING, 16);
        SettingsPrecisionStore precisionStore;
        {
            OutputFormatter formatter(&precisionStore);
            QCOMPARE(formatter.precision(), 7);
            QVERIFY(formatter.setPrecision(15));
            QCOMPARE(Settings::precision(), 15);
            QVERIFY(!formatter.setPrecision(16));
            QCOMPARE(Settings::precision(), 15);
            store(PRECISION_SETTING, 3);
        }
        QCOMPARE(QSettings(Numlyra::organisationName, Numlyra::applicationName).value(QStringLiteral("prec")).toInt(), 15);
    }

    void existingDirectory_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("kept");
        QTest::newRow("exists") << "dir" << true;
        QTest::newRow("gone") << "gone" << false;
        QTest::newRow("names a file") << "file" << false;
        QTest::newRow("empty") << "" << false;
    }
    void existingDirectory()
    {
        QFETCH(QString, stored);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dir")));
        QFile file(dir.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString path = stored.isEmpty() ? QString() : dir.filePath(stored);
        Settings::writeText(PWD_SETTING, path);
        QCOMPARE(Settings::existingDirectory(PWD_SETTING), kept ? path : QString());
    }

    void consoleFont_data()
    {
        const QString preferred = QFontDatabase::hasFamily(QStringLiteral("Consolas")) ? QStringLiteral("Consolas,9")
                                                                                       : QStringLiteral("Courier New,9");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("absent") << QVariant() << preferred;
        QTest::newRow("empty") << QVariant(QString()) << preferred;
        QTest::newRow("unreadable") << QVariant(QString(30, QLatin1Char(','))) << preferred;
        QTest::newRow("stored") << QVariant(QStringLiteral("Monospace,12,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"))
                                << "Monospace,12,-1,5,400,0,0,0,0,0,0,0,0,0,0,1";
    }
    void consoleFont()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, expected);
        store(CONSOLE_FONT_SETTING, stored);
        QCOMPARE(Settings::consoleFontDescription(), expected);
    }

    // Created on demand, and again after it was removed while running.
    void programDirectoryOnDemand()
    {
        QCOMPARE(programDirectory(), _home + QStringLiteral("/Numlyra/"));
        QDir(programDirectory()).removeRecursively();
        QVERIFY(ensureProgramDirectory());
        QVERIFY(QFileInfo(programDirectory()).isDir());
        QVERIFY(QDir(programDirectory()).removeRecursively());
        QVERIFY(ensureProgramDirectory());
        QVERIFY(QFileInfo(programDirectory()).isDir());
        QVERIFY(_messages.isEmpty());
    }

    void programDirectoryFailure()
    {
        QDir(programDirectory()).removeRecursively();
        QFile blocker(_home + QStringLiteral("/Numlyra"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!ensureProgramDirectory());
        QCOMPARE(_messages, QStringList{QStringLiteral("Can't create program directory")});
        QVERIFY(blocker.remove());
        QVERIFY(ensureProgramDirectory());
    }
};

int main(int argc, char **argv)
{
    // Never the user's real settings or program directory.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QGuiApplication app(argc, argv);
    TestSettings test(home.path());
    return QTest::qExec(&test, argc, argv);
}

#include "test_settings.moc"
