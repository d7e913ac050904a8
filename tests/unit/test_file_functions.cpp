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

    void commandErrors_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QList<Variable>>("args");
        QTest::addColumn<quint32>("code");
        QTest::newRow("pwd with arg") << QByteArray("pwd") << QList<Variable>{s("x")} << quint32(0x30E);
        QTest::newRow("mv into missing dir") << QByteArray("mv") << QList<Variable>{s("*.txt"), s("nodir")} << quint32(0x613);
        QTest::newRow("mv star with another") << QByteArray("mv") << QList<Variable>{s("*"), s("file.txt"), s("dir")} << quint32(0x615);
        QTest::newRow("grep number pattern") << QByteArray("grep") << QList<Variable>{s("abc"), Variable(1.0)} << quint32(0x20D);
    }
    void commandErrors()
    {
        QFETCH(QByteArray, command);
        QFETCH(QList<Variable>, args);
        QFETCH(quint32, code);
        touch("file.txt");
        touch("other.txt");
        QDir().mkdir("dir");
        Variable r;
        QVERIFY(!call(command.constData(), args, r));
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(lastCode(), code);
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
