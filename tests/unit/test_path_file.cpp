// The path file's writer and the subfolder listing; reading with trimmed
// lines is test_path_watcher's pathFile.

#include "library/path_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestPathFile : public QObject {
    Q_OBJECT

private slots:
    void writeAndReadBack()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("path");
        const QStringList directories{"/with blank", "/äöü", "/last"};
        QVERIFY(PathFile::write(file, {"/old", "/older", "/oldest"}));
        QVERIFY(PathFile::write(file, directories)); // replaces, never appends
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(raw.readAll()), directories.join('\n') + '\n');
        QStringList read{"stale"};
        QVERIFY(PathFile::read(file, read));
        QCOMPARE(read, directories);

        QVERIFY(!PathFile::write(dir.filePath("missing/path"), directories));
        QVERIFY(!PathFile::read(dir.filePath("missing/path"), read));
        QCOMPARE(read, QStringList());
    }

    // Depth first by name; a link back up the tree is listed, not followed.
    void subfolders()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        QVERIFY(QDir(root).mkpath("b/d") && QDir(root).mkpath("a") && QDir(root).mkpath("c"));
        QVERIFY(QFile::link(root, root + "/b/up"));
        QCOMPARE(PathFile::withSubfolders(root),
                 (QStringList{root, root + "/a", root + "/b", root + "/b/d", root + "/b/up", root + "/c"}));
    }
};

QTEST_GUILESS_MAIN(TestPathFile)
#include "test_path_file.moc"
