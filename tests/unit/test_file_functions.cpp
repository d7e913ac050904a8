#include "app/current_directory.h"
#include "engine/run_state.h"
#include "library/native_definition.h"
#include "values/list.h"
#include "values/output_list.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

NativeRoutine routine(const char *name)
{
    for (const NativeDefinition &d : fileNatives())
        if (qstrcmp(d.name, name) == 0)
            return d.routine;
    return nullptr;
}

void touch(const QString &name, const QByteArray &text = "x")
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

class TestFileFunctions : public QObject {
    Q_OBJECT
    QTemporaryDir _dir;
    QString _saved;
    ExecutionContext _context;

    // commands_files.l runs the file commands with their reports; these are
    // the effects a script cannot see. Calls a command; returns whether it
    // succeeded, with its one result.
    bool call(const char *name, const QList<Variable> &args, Variable &result)
    {
        List stack;
        for (const Variable &a : args)
            stack.push(Variable(a));
        NativeFrame frame{stack, _context, unsigned(args.size())};
        const NativeRoutine r = routine(name);
        if (!r)
            qFatal("no routine %s", name);
        const bool ok = r(frame);
        if (ok) {
            if (stack.size() != 1)
                qFatal("%s left %d values", name, stack.size());
            result = stack.top();
        }
        return ok;
    }
    static Variable s(const char *text) { return Variable(String(text)); }

private slots:
    void init()
    {
        _saved = QDir::currentPath();
        QDir(_dir.path()).removeRecursively();
        QDir().mkpath(_dir.path());
        QDir::setCurrent(_dir.path());
        CurrentDirectory::setPath(_dir.path());
        OutputList::instance().clear();
        RunState::instance().rescanPath = false;
    }
    void cleanup()
    {
        QDir::setCurrent(_saved);
        CurrentDirectory::setPath(_saved);
    }

    // cd moves the session's directory, never the process's own.
    void cdKeepsTheProcessDirectory()
    {
        Variable r;
        QVERIFY(call("mkdir", {s("a")}, r));
        QVERIFY(call("cd", {s("a")}, r));
        QCOMPARE(r.getString().toQString(), QDir(_dir.path()).filePath("a"));
        QCOMPARE(QDir::currentPath(), QDir(_dir.path()).absolutePath());
    }

    void scriptRemovalRescans()
    {
        touch("f.l");
        Variable r;
        QVERIFY(call("rm", {s("f.l")}, r));
        QVERIFY(RunState::instance().rescanPath);
    }

    // Links are entries of their own: rm removes broken and looping links
    // without a report, mv moves the link, cp copies what it points to.
    void linksAreEntries()
    {
        touch("target.txt", "content");
        QVERIFY(QFile::link("missing.txt", "broken"));
        QVERIFY(QFile::link("loop2", "loop1"));
        QVERIFY(QFile::link("loop1", "loop2"));
        QVERIFY(QFile::link("target.txt", "live"));
        Variable r;
        QVERIFY(call("rm", {s("broken"), s("loop*")}, r));
        QCOMPARE(OutputList::instance().count(), 0);
        QVERIFY(QDir().entryList(QDir::System | QDir::Files).filter("loop").isEmpty());
        QVERIFY(!QFileInfo("broken").isSymLink());

        QVERIFY(call("mv", {s("live"), s("moved")}, r));
        QVERIFY(QFileInfo("moved").isSymLink());
        QCOMPARE(QFileInfo("moved").symLinkTarget(), QFileInfo("target.txt").absoluteFilePath());
        QVERIFY(call("cp", {s("moved"), s("copy.txt")}, r));
        QVERIFY(!QFileInfo("copy.txt").isSymLink());
        QFile copy("copy.txt");
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("content"));

        // A broken link at the destination is an existing target.
        QVERIFY(QFile::link("nowhere", "dest"));
        QVERIFY(!call("cp", {s("target.txt"), s("dest")}, r));
        QVERIFY(QFileInfo("dest").isSymLink());
        QVERIFY(call("rm", {s("moved")}, r));
        QVERIFY(QFileInfo::exists("target.txt"));
    }
};

QTEST_GUILESS_MAIN(TestFileFunctions)
#include "test_file_functions.moc"
