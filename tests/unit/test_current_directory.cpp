#include "app/current_directory.h"

#include <QtTest>

// Names as every file command resolves them: "~" and "~/" are the home
// directory, anything else is taken from the interpreter's directory,
// which moves without moving the process.
class TestCurrentDirectory : public QObject {
    Q_OBJECT
private slots:
    void resolve_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("under home") << "~/a/b.txt" << "<home>/a/b.txt";
        QTest::newRow("tilde word is a name") << "~a" << "<cwd>/~a";
        QTest::newRow("parent") << "sub/../y.l" << "<cwd>/y.l";
        QTest::newRow("absolute") << "/tmp/z" << "/tmp/z";
    }
    void resolve()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString process = QDir::currentPath();
        CurrentDirectory::setPath(dir.path());
        expected.replace(QLatin1String("<home>"), QDir::homePath()).replace(QLatin1String("<cwd>"), QDir::cleanPath(dir.path()));
        QCOMPARE(CurrentDirectory::resolve(name), QDir::cleanPath(expected));
        QCOMPARE(QDir::currentPath(), process);
    }
};

QTEST_APPLESS_MAIN(TestCurrentDirectory)
#include "test_current_directory.moc"
