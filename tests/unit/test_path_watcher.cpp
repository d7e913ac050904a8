// User functions found on the search path: replacement of other files,
// rescans after changes, the path file, the path natives and the registry's
// candidate order (functions_path.l replaces a native and removes a file).
// HOME is a throw-away directory, so the program directory and its path
// file are the test's own.

#include "native_test_support.h"

#include "app/settings.h"
#include "engine/run_state.h"
#include "language/function.h"
#include "language/parser_interface.h"
#include "language/script.h"
#include "library/function_registry.h"
#include "library/path_watcher.h"
#include "values/error_codes.h"
#include "vm/interpreter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

Q_DECLARE_METATYPE(Variable)

using NativeTest::num;
using NativeTest::str;

namespace {

QList<ErrorReport> reports()
{
    QList<ErrorReport> out;
    const OutputList &list = OutputList::instance();
    for (int i = 0; i < list.count(); ++i)
        if (list.at(i).kind == OutputList::ERROR_ENTRY)
            out << list.at(i).report;
    return out;
}

void write(const QString &path, const QByteArray &text, int ageSeconds = 0)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();
    // Rewrites within one clock tick must still look changed.
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

class TestPathWatcher : public QObject {
    Q_OBJECT
    QTemporaryDir _home;
    QString _root; // holds the search-path directories d0, d1, d2
    ExecutionContext _context;

    QString dir(int i) const { return _root + QStringLiteral("/d%1").arg(i); }

    void usePath(const QStringList &dirs)
    {
        OutputList::instance().clear();
        PathWatcher::instance().setSearchPath(dirs, &_context);
    }

    // Runs `source` at the command line and returns the value left in `r`,
    // or an undefined value when the run failed.
    Variable run(const QByteArray &source)
    {
        OutputList::instance().clear();
        RunState::instance().invokeIdStack.clear();
        Script script;
        if (!compileSubmission(script, source).accepted())
            return Variable::undefined();
        Interpreter interpreter;
        if (interpreter.run(&script) != 0)
            return Variable::undefined();
        const int r = script.symbols().indexOf(QStringLiteral("r"));
        return r < 0 ? Variable::undefined() : script.symbols().at(r);
    }

    NativeTest::Outcome native(std::span<const NativeDefinition> family, const char *name,
                               const QList<Variable> &args = {})
    {
        return NativeTest::call(family, QString::fromLatin1(name), args);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(_home.isValid());
        qputenv("HOME", _home.path().toLocal8Bit());
        QCOMPARE(programDirectory(), _home.path() + QStringLiteral("/Numlyra/"));
        FunctionRegistry::instance().registerNatives();
        _context.setState(ERR_NATIVE_FUNCTION_REPLACED, WARNING_STATE);
        _context.setState(ERR_USER_FUNCTION_REPLACED, WARNING_STATE);
        _root = canonical(_home.path());
    }

    void init()
    {
        for (int i = 0; i < 3; ++i) {
            QDir(dir(i)).removeRecursively();
            QVERIFY(QDir().mkpath(dir(i)));
        }
        QFile::remove(programDirectory() + QStringLiteral("path"));
        usePath({});
    }

    void firstDirectoryWins()
    {
        write(dir(0) + QStringLiteral("/f.l"), "function f() { return 0; }\n");
        write(dir(2) + QStringLiteral("/f.l"), "function f() { return 2; }\n");
        usePath({dir(0), dir(1), dir(2)});
        const QList<ErrorReport> warnings = reports();
        QCOMPARE(warnings.size(), 1);
        QCOMPARE(warnings[0].code, quint32(ERR_USER_FUNCTION_REPLACED));
        QCOMPARE(warnings[0].name, QStringLiteral("f"));
        QCOMPARE(warnings[0].secondText, dir(2) + QStringLiteral("/f.l"));
        QCOMPARE(warnings[0].path, dir(0) + QStringLiteral("/f.l"));
        QCOMPARE(run("r = f()").getDouble(), 0.0);

        // fn_list(2) shows both candidates, the active one first.
        const Variable list = native(registryNatives(), "fn_list", {num(2)}).top;
        QCOMPARE(list.getVector().rowCount(), 2u);
        QCOMPARE(list.getVector().getString(1).toQString(), dir(0));
        QCOMPARE(list.getVector().getString(4).toQString(), dir(2));
        const int id = FunctionRegistry::instance().findId(QStringLiteral("f"));
        QCOMPARE(list.getVector().getString(2).toQString(), QString::number(id));

        // Swapping the directories swaps the winner.
        usePath({dir(2), dir(0)});
        QCOMPARE(run("r = f()").getDouble(), 2.0);
    }

    void changedFileAfterUpdate()
    {
        const QString file = dir(1) + QStringLiteral("/g.l");
        write(file, "function g(a, b) { return a + b; }\n", 60);
        usePath({dir(1)});
        QCOMPARE(run("r = g(1, 2)").getDouble(), 3.0);
        write(file, "function g(a, b) { return a * b; }\n");
        QCOMPARE(run("r = g(2, 5)").getDouble(), 7.0); // not rescanned yet
        QVERIFY(native(registryNatives(), "update_fn_list").ok);
        QCOMPARE(run("r = g(2, 5)").getDouble(), 10.0);

        // A change that no longer compiles withdraws the function and says why.
        write(file, "function g(a, b) { return a * ; }\n", 30);
        QVERIFY(native(registryNatives(), "update_fn_list").ok);
        QCOMPARE(reports().size(), 1);
        QCOMPARE(reports()[0].code, quint32(ERR_SYNTAX_ERROR));
        QCOMPARE(reports()[0].path, file);
        QVERIFY(!FunctionRegistry::instance().exists(QStringLiteral("g")));
    }

    void filesThatContributeNothing()
    {
        QVERIFY(QDir().mkpath(dir(0) + QStringLiteral("/x.l")));
        write(dir(0) + QStringLiteral("/other.l"), "function notother() { return 1; }\n");
        const QString locked = dir(0) + QStringLiteral("/locked.l");
        write(locked, "function locked() { return 1; }\n");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        usePath({dir(0)});
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(!FunctionRegistry::instance().exists(QStringLiteral("x")));
        QVERIFY(!FunctionRegistry::instance().exists(QStringLiteral("other")));
        QVERIFY(!FunctionRegistry::instance().exists(QStringLiteral("notother")));
        if (geteuid() == 0)
            QSKIP("root reads files without read permission");
        QCOMPARE(reports().size(), 1);
        QCOMPARE(reports()[0].code, quint32(ERR_CANT_OPEN_FILE_TO_READ));
        QCOMPARE(reports()[0].path, locked);
    }

    void pathFile()
    {
        PathWatcher &watcher = PathWatcher::instance();
        watcher.loadSearchPath(&_context);
        QCOMPARE(watcher.searchPath(), QStringList{QDir::cleanPath(programDirectory())});

        QVERIFY(QDir().mkpath(programDirectory()));
        write(programDirectory() + QStringLiteral("path"), ("  " + dir(1) + "  \n\n\t" + dir(0) + "\n").toLocal8Bit());
        write(dir(0) + QStringLiteral("/k.l"), "function k() { return 1; }\n");
        watcher.loadSearchPath(&_context);
        QCOMPARE(watcher.searchPath(), (QStringList{dir(1), dir(0)}));
        QCOMPARE(native(pathNatives(), "path").top.getVector().getString(1).toQString(), dir(0));
        QVERIFY(FunctionRegistry::instance().exists(QStringLiteral("k")));
    }

    void pathNativesChangeThePath()
    {
        QVERIFY(QDir().mkpath(dir(0) + QStringLiteral("/sub/deeper")));
        write(dir(0) + QStringLiteral("/sub/deeper/m.l"), "function m() { return 1; }\n");
        QVERIFY(native(pathNatives(), "set_path", {str(qPrintable(dir(1)))}).ok);
        QVERIFY(native(pathNatives(), "add_path", {str(qPrintable(dir(0))), num(0)}).ok);
        QCOMPARE(PathWatcher::instance().searchPath(), (QStringList{dir(1), dir(0)}));
        QVERIFY(!FunctionRegistry::instance().exists(QStringLiteral("m")));

        QVERIFY(native(pathNatives(), "add_path", {str(qPrintable(dir(0))), num(1)}).ok);
        QCOMPARE(PathWatcher::instance().searchPath(),
                 (QStringList{dir(1), dir(0), dir(0) + "/sub", dir(0) + "/sub/deeper"}));
        QVERIFY(FunctionRegistry::instance().exists(QStringLiteral("m")));

        QVERIFY(native(pathNatives(), "rm_path", {NativeTest::array<double>(DOUBLE_TYPE, 1, 2, {0, 3})}).ok);
        QCOMPARE(PathWatcher::instance().searchPath(), (QStringList{dir(0), dir(0) + "/sub"}));
        QVERIFY(!FunctionRegistry::instance().exists(QStringLiteral("m")));
    }

    void pathNativeErrors_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<Variable>>("args");
        QTest::addColumn<quint32>("code");
        QTest::newRow("set_path empty") << "set_path" << QList<Variable>{str("")} << quint32(ERR_EMPTY_STRING);
        QTest::newRow("set_path number") << "set_path" << QList<Variable>{num(1)} << quint32(ERR_BAD_ARGUMENT);
        QTest::newRow("set_path flag 2") << "set_path" << QList<Variable>{str("d"), num(2)}
                                         << quint32(ERR_BAD_SET_PATH_SECOND_PARAMETER);
        QTest::newRow("add_path flag text") << "add_path" << QList<Variable>{str("d"), str("1")}
                                            << quint32(ERR_BAD_SET_PATH_SECOND_PARAMETER);
        QTest::newRow("add_path empty") << "add_path" << QList<Variable>{str("")} << quint32(ERR_EMPTY_STRING);
        QTest::newRow("rm_path beyond") << "rm_path" << QList<Variable>{num(1)} << quint32(ERR_INDEX_OUT_OF_BOUNDS);
        QTest::newRow("rm_path negative") << "rm_path" << QList<Variable>{num(-0.5)} << quint32(ERR_WRONG_INDEX);
        QTest::newRow("rm_path none") << "rm_path" << QList<Variable>{NativeTest::empty()} << quint32(ERR_EMPTY_VECTOR);
        QTest::newRow("rm_path text") << "rm_path" << QList<Variable>{str("0")} << quint32(ERR_BAD_ARGUMENT);
        QTest::newRow("path with argument") << "path" << QList<Variable>{num(0)}
                                            << quint32(ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION);
    }

    void pathNativeErrors()
    {
        QFETCH(QString, name);
        QFETCH(QList<Variable>, args);
        QFETCH(quint32, code);
        usePath({dir(0)});
        const NativeTest::Outcome out = NativeTest::call(pathNatives(), name, args);
        QVERIFY(!out.ok);
        QCOMPARE(NativeTest::onlyError().code, code);
        QCOMPARE(PathWatcher::instance().searchPath(), QStringList{dir(0)}); // unchanged
    }

    // The registry's order with made-up candidates: the smaller directory
    // position first, then the smaller path; every neighbouring pair is
    // reported, the winner of each pair as the replacing file.
    void candidateOrder()
    {
        FunctionRegistry &registry = FunctionRegistry::instance();
        const int id = registry.idOf(QStringLiteral("ordered_fn"));
        FunctionInfo a, b, c;
        std::vector<UserCandidate> candidates{
            {id, &a, 1, "/b/ordered_fn.l", "/b"},
            {id, &b, 0, "/z/ordered_fn.l", "/z"},
            {id, &c, 1, "/a/ordered_fn.l", "/a"},
        };
        OutputList::instance().clear();
        registry.rebuild(candidates, &_context);
        QCOMPARE(registry.userFunction(id), &b);
        QVERIFY(!registry.nativeRoutine(id));
        const QList<ErrorReport> warnings = reports();
        QCOMPARE(warnings.size(), 2);
        QCOMPARE(warnings[0].path + "<" + warnings[0].secondText, QStringLiteral("/z/ordered_fn.l</a/ordered_fn.l"));
        QCOMPARE(warnings[1].path + "<" + warnings[1].secondText, QStringLiteral("/a/ordered_fn.l</b/ordered_fn.l"));

        registry.rebuild({}, &_context);
        QCOMPARE(registry.userFunction(id), nullptr);
        QVERIFY(!registry.exists(QStringLiteral("ordered_fn")));
    }
};

QTEST_GUILESS_MAIN(TestPathWatcher)
#include "test_path_watcher.moc"
