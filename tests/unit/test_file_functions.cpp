#include "app/current_directory.h"
#include "engine/run_state.h"
#include "library/native_definition.h"
#include "values/list.h"
#include "values/output_list.h"
#include "values/vector.h"

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

Variable strings(const QStringList &names)
{
    Vector v;
    Vector::create(STRING_TYPE, 1, uint32_t(names.size()), v);
    for (int i = 0; i < names.size(); ++i)
        v.set(uint32_t(i), String::fromQString(names[i]));
    return Variable(v);
}

QStringList column(const Variable &v)
{
    QStringList out;
    if (v.type() != VECTOR_TYPE)
        return {QStringLiteral("<not a vector>")};
    for (uint32_t i = 0; i < v.getVector().count(); ++i)
        out << v.getVector().getString(i).toQString();
    out.sort();
    return out;
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

    // Calls a command with string arguments (a list in brackets becomes a
    // string vector); returns the result, or an undefined value after
    // checking that exactly one report was made.
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
    quint32 lastCode() const
    {
        const OutputList &out = OutputList::instance();
        return out.count() ? out.at(out.count() - 1).report.code : 0;
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

    void listingAndRemoval()
    {
        touch("a.tmp");
        touch("b.tmp");
        touch("keep.txt");
        QDir().mkdir("sub");
        Variable r;
        QVERIFY(call("ls", {}, r));
        QCOMPARE(column(r), (QStringList{"a.tmp", "b.tmp", "keep.txt", "sub"}));
        QVERIFY(call("ls", {s("*.tmp")}, r));
        QCOMPARE(column(r), (QStringList{"a.tmp", "b.tmp"}));
        QVERIFY(call("ls", {strings({"k*", "?.tmp"})}, r));
        QCOMPARE(column(r), (QStringList{"a.tmp", "b.tmp", "keep.txt"}));
        QVERIFY(call("ls", {s("none*")}, r));
        QVERIFY(r.isEmptyVector());

        QVERIFY(call("rm", {s("*.tmp")}, r));
        QVERIFY(!QFile::exists("a.tmp") && !QFile::exists("b.tmp") && QFile::exists("keep.txt"));
        QVERIFY(call("rm", {s("none*.tmp")}, r)); // a pattern that matches nothing is no error
        QCOMPARE(OutputList::instance().count(), 0);
        QVERIFY(!call("rm", {strings({"keep.txt", "nothing.here"})}, r)); // a plain name is
        QCOMPARE(lastCode(), quint32(ERR_FILE_DOESNT_EXIST));
        QVERIFY(!QFile::exists("keep.txt"));
    }

    void commandErrors_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QList<Variable>>("args");
        QTest::addColumn<quint32>("code");
        QTest::newRow("rm star with another") << QByteArray("rm") << QList<Variable>{s("*"), s("a.txt")} << quint32(0x615);
        QTest::newRow("rm no args") << QByteArray("rm") << QList<Variable>{} << quint32(0x30E);
        QTest::newRow("rm number") << QByteArray("rm") << QList<Variable>{Variable(1.0)} << quint32(0x208);
        QTest::newRow("ls number") << QByteArray("ls") << QList<Variable>{Variable(1.0)} << quint32(0x202);
        QTest::newRow("cd missing") << QByteArray("cd") << QList<Variable>{s("nowhere")} << quint32(0x613);
        QTest::newRow("cd into file") << QByteArray("cd") << QList<Variable>{s("file.txt")} << quint32(0x614);
        QTest::newRow("cd number") << QByteArray("cd") << QList<Variable>{Variable(2.0)} << quint32(0x203);
        QTest::newRow("mkdir existing dir") << QByteArray("mkdir") << QList<Variable>{s("dir")} << quint32(0x60E);
        QTest::newRow("mkdir over file") << QByteArray("mkdir") << QList<Variable>{s("file.txt")} << quint32(0x60F);
        QTest::newRow("mkdir bool") << QByteArray("mkdir") << QList<Variable>{Variable(true)} << quint32(0x20B);
        QTest::newRow("rmdir missing") << QByteArray("rmdir") << QList<Variable>{s("gone")} << quint32(0x613);
        QTest::newRow("rmdir file") << QByteArray("rmdir") << QList<Variable>{s("file.txt")} << quint32(0x614);
        QTest::newRow("rmdir not empty") << QByteArray("rmdir") << QList<Variable>{s("full")} << quint32(0x60C);
        QTest::newRow("pwd with arg") << QByteArray("pwd") << QList<Variable>{s("x")} << quint32(0x30E);
        QTest::newRow("cp onto existing") << QByteArray("cp") << QList<Variable>{s("file.txt"), s("other.txt")} << quint32(0x60F);
        QTest::newRow("cp many into file") << QByteArray("cp") << QList<Variable>{s("file.txt"), s("other.txt"), s("third.txt")} << quint32(0x614);
        QTest::newRow("mv into missing dir") << QByteArray("mv") << QList<Variable>{s("*.txt"), s("nodir")} << quint32(0x613);
        QTest::newRow("mv star with another") << QByteArray("mv") << QList<Variable>{s("*"), s("file.txt"), s("dir")} << quint32(0x615);
        QTest::newRow("mv missing source") << QByteArray("mv") << QList<Variable>{s("none.txt"), s("dir")} << quint32(0x604);
        QTest::newRow("grep number pattern") << QByteArray("grep") << QList<Variable>{s("abc"), Variable(1.0)} << quint32(0x20D);
    }
    void commandErrors()
    {
        QFETCH(QByteArray, command);
        QFETCH(QList<Variable>, args);
        QFETCH(quint32, code);
        touch("file.txt");
        touch("other.txt");
        touch("third.txt");
        QDir().mkdir("dir");
        QDir().mkdir("full");
        touch("full/inside");
        Variable r;
        QVERIFY(!call(command.constData(), args, r));
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(lastCode(), code);
    }

    void directories()
    {
        Variable r;
        QVERIFY(call("mkdir", {s("a/b")}, r));
        QVERIFY(QFileInfo("a/b").isDir());
        QVERIFY(call("cd", {s("a")}, r));
        QCOMPARE(CurrentDirectory::path(), QDir(_dir.path()).filePath("a"));
        QCOMPARE(r.getString().toQString(), CurrentDirectory::path());
        QVERIFY(call("pwd", {}, r));
        QCOMPARE(r.getString().toQString(), CurrentDirectory::path());
        QVERIFY(call("rmdir", {s("b")}, r));
        QVERIFY(!QFileInfo::exists("a/b"));
        QVERIFY(call("cd", {}, r)); // no argument: home
        QCOMPARE(CurrentDirectory::path(), QDir::homePath());
        // The process's own working directory never moves.
        QCOMPARE(QDir::currentPath(), QDir(_dir.path()).absolutePath());
    }

    void copyAndMove()
    {
        touch("one.txt", "1");
        touch("two.txt", "2");
        QDir().mkdir("dest");
        Variable r;
        QVERIFY(call("cp", {s("one.txt"), s("copy.txt")}, r));
        QVERIFY(QFile::exists("copy.txt") && QFile::exists("one.txt"));
        QVERIFY(call("mv", {s("*.txt"), s("dest")}, r));
        QVERIFY(call("ls", {s("dest/*")}, r));
        CurrentDirectory::setPath(QDir(_dir.path()).filePath("dest"));
        QVERIFY(call("ls", {}, r));
        QCOMPARE(column(r), (QStringList{"copy.txt", "one.txt", "two.txt"}));
    }

    void scriptRemovalRescans()
    {
        touch("f.l");
        Variable r;
        QVERIFY(call("rm", {s("f.l")}, r));
        QVERIFY(RunState::instance().rescanPath);
    }

    void grepLines()
    {
        Variable r;
        QVERIFY(call("grep", {strings({"abc.txt", "xyz", "zabcz"}), s("abc")}, r));
        QCOMPARE(column(r), (QStringList{"abc.txt", "zabcz"}));
        QVERIFY(call("grep", {s("one\ntwo\nthree"), s("^t")}, r));
        QCOMPARE(column(r), (QStringList{"three", "two"}));
        QVERIFY(call("grep", {s("one"), s("zzz")}, r));
        QVERIFY(r.isEmptyVector());
    }
};

QTEST_GUILESS_MAIN(TestFileFunctions)
#include "test_file_functions.moc"
