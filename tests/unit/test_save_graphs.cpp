// numlyra-cli --save-graphs: the images it writes, read back. Which files
// appear after which command is the golden script graphs_saved.l.

#include <QCoreApplication>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestSaveGraphs : public QObject {
    Q_OBJECT
private slots:
    void imagesAreFullPagePngs()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString out = home.filePath("graphs/new"); // made when missing
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.remove("QT_QPA_PLATFORM"); // numlyra-cli picks a platform without a display itself
        env.remove("DISPLAY");
        cli.setProcessEnvironment(env);
        cli.start(QCoreApplication::applicationDirPath() + "/numlyra-cli", {"--norc", "--save-graphs", out});
        QVERIFY(cli.waitForStarted());
        cli.write("plot([1, 2, 4], [3, 1, 2], \"Three points\")\nbar([1, 2, 3])\npie([1, 1])\n");
        cli.closeWriteChannel();
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);
        for (int n = 1; n <= 3; ++n) {
            QImageReader reader(out + QString("/graph-%1.png").arg(n));
            QCOMPARE(reader.format(), QByteArray("png"));
            const QImage image = reader.read();
            QCOMPARE(image.size(), QSize(640, 480));
            // White page with something drawn on it.
            QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255));
            QVERIFY(image.pixel(320, 240) != qRgb(255, 255, 255) || n == 1);
        }
        QVERIFY(!QFile::exists(out + "/graph-4.png"));
    }
};

QTEST_GUILESS_MAIN(TestSaveGraphs)
#include "test_save_graphs.moc"
