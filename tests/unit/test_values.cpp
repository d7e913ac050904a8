#include "values/allocation_limit.h"
#include "values/index_hash.h"
#include "values/list.h"
#include "values/variable.h"
#include "value_text.h"

#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using Action = std::function<void()>;
using Maker = std::function<Variable()>;
using Mutation = std::function<void(Variable &)>;
Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Maker)
Q_DECLARE_METATYPE(Mutation)
Q_DECLARE_METATYPE(VariableType)

namespace {

// Runs `action` in a child process and returns what it wrote to stderr,
// or a description of how it ended when it did not abort.
QString stderrOfAbort(const Action &action)
{
    int fds[2];
    if (pipe(fds) != 0)
        return QStringLiteral("pipe failed");
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        std::signal(SIGABRT, SIG_DFL); // the test library catches it to print a stack trace
        dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        action();
        _exit(0);
    }
    close(fds[1]);
    QByteArray out;
    char buffer[512];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGABRT)
        return QStringLiteral("did not abort (status %1)").arg(status);
    return QString::fromLatin1(out);
}

Vector doubles(std::initializer_list<double> items)
{
    Vector v(DOUBLE_TYPE);
    uint32_t i = 0;
    for (double d : items)
        v.set(i++, d);
    v.setSize(v.count() ? 1 : 0, v.count());
    return v;
}

} // namespace

class TestValues : public QObject {
    Q_OBJECT

private slots:
    // The four cases of an element write, on a double vector holding
    // 1, 2, ..., initial; "block" says whether the write must keep the
    // element block, must give a new one, or may do either (realloc).
    void vectorSet_data()
    {
        QTest::addColumn<uint32_t>("initial");
        QTest::addColumn<uint32_t>("reserved");
        QTest::addColumn<bool>("shared");
        QTest::addColumn<uint32_t>("index");
        QTest::addColumn<uint32_t>("count");
        QTest::addColumn<uint32_t>("capacity");
        QTest::addColumn<QString>("block");

        QTest::newRow("no block, index 10") << 0u << 0u << false << 10u << 11u << 11u << "any";
        QTest::newRow("grow by one") << 3u << 0u << false << 3u << 4u << 4u << "any";
        QTest::newRow("grow with gap") << 3u << 0u << false << 9u << 10u << 10u << "any";
        QTest::newRow("in place") << 5u << 0u << false << 2u << 5u << 5u << "same";
        QTest::newRow("in place in reserve") << 3u << 8u << false << 6u << 7u << 8u << "same";
        QTest::newRow("shared, inside") << 5u << 0u << true << 1u << 5u << 5u << "new";
        QTest::newRow("shared, past end") << 5u << 0u << true << 7u << 8u << 8u << "new";
        QTest::newRow("shared, in reserve") << 3u << 10u << true << 4u << 5u << 10u << "new";
    }
    void vectorSet()
    {
        QFETCH(uint32_t, initial);
        QFETCH(uint32_t, reserved);
        QFETCH(bool, shared);
        QFETCH(uint32_t, index);
        QFETCH(uint32_t, count);
        QFETCH(uint32_t, capacity);
        QFETCH(QString, block);

        Vector v(DOUBLE_TYPE);
        for (uint32_t i = 0; i < initial; ++i)
            v.set(i, double(i + 1));
        if (reserved)
            QVERIFY(v.reserve(reserved));
        Vector other;
        if (shared) {
            other = v;
            QCOMPARE(v.refCount(), 2);
        }
        const double *before = v.doubles();

        QVERIFY(v.set(index, 99.0));
        QCOMPARE(v.count(), count);
        QCOMPARE(v.capacity(), capacity);
        QCOMPARE(v.refCount(), 1);
        for (uint32_t i = 0; i < count; ++i)
            QCOMPARE(v.getDouble(i), i == index ? 99.0 : i < initial ? double(i + 1) : 0.0);
        if (block == QLatin1String("same"))
            QCOMPARE(v.doubles(), before);
        else if (block == QLatin1String("new"))
            QVERIFY(v.doubles() != before);
        if (shared) {
            QCOMPARE(other.refCount(), 1);
            QCOMPARE(other.count(), initial);
            QCOMPARE(other.doubles(), before);
            for (uint32_t i = 0; i < initial; ++i)
                QCOMPARE(other.getDouble(i), double(i + 1));
        }
    }

    // Strings are elements with a count of their own: a clone shares each of
    // them, and every release path must drop exactly one reference.
    void vectorStringElements()
    {
        const String word("word");
        Vector v(STRING_TYPE);
        v.set(0, word);
        v.set(2, word);
        QCOMPARE(word.refCount(), 3);
        QVERIFY(v.getString(1).isNull());
        {
            Vector copy(v);
            copy.set(1, String("x"));
            QCOMPARE(word.refCount(), 5);
            QVERIFY(v.getString(1).isNull());
        }
        QCOMPARE(word.refCount(), 3);
        v.truncate(1);
        QCOMPARE(word.refCount(), 2);
        v.set(3, word); // growth after truncation: the dropped slots are empty again
        QVERIFY(v.getString(2).isNull());
        QCOMPARE(word.refCount(), 3);
        v.release();
        QCOMPARE(word.refCount(), 1);
    }

    // The stored value may live in the block that the write reallocates.
    void vectorSetFromOwnElement()
    {
        Vector v(STRING_TYPE);
        v.set(0, String("first"));
        for (uint32_t i = 1; i < 200; ++i)
            v.set(i, v.getString(i - 1));
        QCOMPARE(v.getString(199).toQString(), QStringLiteral("first"));
        QCOMPARE(v.getString(0).refCount(), 200);
    }

    void vectorTruncate_data()
    {
        QTest::addColumn<VariableType>("type");
        QTest::addColumn<bool>("shared");
        QTest::newRow("boolean") << BOOLEAN_TYPE << false;
        QTest::newRow("string") << STRING_TYPE << false;
        QTest::newRow("double, shared") << DOUBLE_TYPE << true;
        QTest::newRow("string, shared") << STRING_TYPE << true;
    }
    // Truncating to 2 of 6 non-zero elements, then writing element 5: the
    // elements 2..4 must read as zero, not as the truncated values.
    void vectorTruncate()
    {
        QFETCH(VariableType, type);
        QFETCH(bool, shared);
        Vector v(type);
        const auto put = [&](uint32_t i) {
            switch (type) {
            case BOOLEAN_TYPE: return v.set(i, true);
            case INTEGER_TYPE: return v.set(i, int32_t(i + 1));
            case DOUBLE_TYPE: return v.set(i, double(i + 1));
            default: return v.set(i, String("s"));
            }
        };
        const auto isZero = [&](const Vector &w, uint32_t i) {
            switch (type) {
            case BOOLEAN_TYPE: return !w.getBoolean(i);
            case INTEGER_TYPE: return w.getInteger(i) == 0;
            case DOUBLE_TYPE: return w.getDouble(i) == 0.0;
            default: return w.getString(i).isNull();
            }
        };
        for (uint32_t i = 0; i < 6; ++i)
            QVERIFY(put(i));
        Vector keep;
        if (shared)
            keep = v;
        QVERIFY(v.truncate(2));
        QCOMPARE(v.count(), 2u);
        QVERIFY(put(5));
        QCOMPARE(v.count(), 6u);
        for (uint32_t i = 2; i < 5; ++i)
            QVERIFY2(isZero(v, i), qPrintable(QString::number(i)));
        QVERIFY(!isZero(v, 5));
        if (shared) {
            QCOMPARE(keep.count(), 6u);
            QCOMPARE(keep.refCount(), 1);
            for (uint32_t i = 0; i < 6; ++i)
                QVERIFY(!isZero(keep, i));
        }
    }

    void vectorReserve()
    {
        Vector v = doubles({1, 2, 3});
        Vector keep(v);
        QVERIFY(v.reserve(16));
        QCOMPARE(keep.refCount(), 1); // reserving on a shared block detaches
        QCOMPARE(v.count(), 3u);
        QCOMPARE(v.capacity(), 16u);
        const double *block = v.doubles();
        for (uint32_t i = 3; i < 16; ++i)
            v.set(i, double(i));
        QCOMPARE(v.doubles(), block);
        QVERIFY(v.reserve(4)); // never shrinks
        QCOMPARE(v.capacity(), 16u);
        QCOMPARE(keep.count(), 3u);
    }

    void stringSharing()
    {
        String a("abc");
        QCOMPARE(a.refCount(), 1);
        {
            String b(a);
            String c;
            c = b;
            QCOMPARE(a.refCount(), 3);
            QCOMPARE(c.text(), a.text());
            c = c;
            QCOMPARE(a.refCount(), 3);
            String d(std::move(c));
            QCOMPARE(a.refCount(), 3);
            QVERIFY(c.isNull());
        }
        QCOMPARE(a.refCount(), 1);
        String joined;
        QVERIFY(String::concat(a, String(), joined));
        QCOMPARE(joined.text(), a.text()); // an empty side shares the other
        QVERIFY(String::concat(a, String("de"), joined));
        QCOMPARE(joined.toQString(), QStringLiteral("abcde"));
        QCOMPARE(a.refCount(), 1);
        QCOMPARE(String::fromQString(QStringLiteral("caf\u00e9")).toByteArray(), QByteArray("caf\xe9"));
    }

    // Growing a text in place obeys the allocation limit like a new block.
    void stringAppendLimit()
    {
        String s("x");
        const String piece(QByteArray(4096, 'y').constData());
        AllocationLimit::setUserLimit(uint64_t(1) << 20);
        int appended = 0;
        while (appended < 1000 && s.append(piece))
            ++appended;
        AllocationLimit::setUserLimit(0);
        QVERIFY(appended > 0 && appended < 1000);
        QVERIFY(s.length() <= 1 << 20);
        QVERIFY(s.append(piece)); // the limit lifted, it grows again
    }

    void stringCompare_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("8-bit above ascii") << QByteArray("\xe9") << QByteArray("z") << 1;
        QTest::newRow("after zero byte") << QByteArray("a\0b", 3) << QByteArray("a\0c", 3) << -1;
        QTest::newRow("zero byte vs end") << QByteArray("a\0", 2) << QByteArray("a") << 1;
    }
    void stringCompare()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, sign);
        const String x(a), y(b);
        const auto sgn = [](int v) { return (v > 0) - (v < 0); };
        QCOMPARE(sgn(x.compare(y)), sign);
        QCOMPARE(sgn(y.compare(x)), -sign);
        QCOMPARE(x == y, sign == 0);
    }

    // Copies keep type, value and the free mark of undefined values; every
    // other new block has the free mark; the temporary mark never travels.
    void variableCopy_data()
    {
        QTest::addColumn<Maker>("make");
        QTest::addColumn<bool>("free");
        QTest::newRow("null") << Maker([] { return Variable(); }) << false;
        QTest::newRow("absent") << Maker([] { return Variable::undefined(); }) << true;
        QTest::newRow("stored undefined") << Maker([] { Variable v; v.setUndefined(); return v; }) << false;
        QTest::newRow("boolean") << Maker([] { return Variable(true); }) << true;
        QTest::newRow("integer") << Maker([] { return Variable(int32_t(-7)); }) << true;
        QTest::newRow("double") << Maker([] { return Variable(2.5); }) << true;
        QTest::newRow("double, mark cleared") << Maker([] { Variable v(2.5); v.setFree(false); return v; }) << true;
        QTest::newRow("string") << Maker([] { return Variable(String("s")); }) << true;
        QTest::newRow("vector") << Maker([] { return Variable(doubles({1, 2})); }) << true;
    }
    void variableCopy()
    {
        QFETCH(Maker, make);
        QFETCH(bool, free);
        Variable source = make();
        source.setTemporary(true);
        const QString text = value_text::show(source);

        Variable copy(source);
        QCOMPARE(value_text::show(copy), text);
        QCOMPARE(copy.isNull(), source.isNull());
        QCOMPARE(copy.isFree(), free);
        QVERIFY(!copy.isTemporary());

        for (Variable target : {Variable(String("old")), Variable(1.0), Variable(doubles({9}))}) {
            target.setTemporary(true);
            target = source;
            QCOMPARE(value_text::show(target), text);
            QCOMPARE(target.isFree(), free);
            QVERIFY(target.isTemporary()); // the mark belongs to the slot
        }

        Variable moved(std::move(source));
        QCOMPARE(value_text::show(moved), text);
        QVERIFY(source.isNull());
        Variable movedAgain;
        movedAgain = std::move(moved);
        QCOMPARE(value_text::show(movedAgain), text);
        QVERIFY(moved.isNull());
    }

    // Every way of replacing or ending a value drops its payload reference.
    void variableRelease_data()
    {
        QTest::addColumn<Mutation>("mutate");
        QTest::newRow("copy string") << Mutation([](Variable &v) { const Variable t(String("other")); v = t; });
        QTest::newRow("copy null") << Mutation([](Variable &v) { const Variable n; v = n; });
        QTest::newRow("move assign") << Mutation([](Variable &v) { v = Variable(true); });
        QTest::newRow("take") << Mutation([](Variable &v) { Variable w(std::move(v)); });
        QTest::newRow("setDouble") << Mutation([](Variable &v) { v.setDouble(0.5); });
        QTest::newRow("setString") << Mutation([](Variable &v) { v.setString(String("t")); });
        QTest::newRow("setVector") << Mutation([](Variable &v) { v.setVector(doubles({4})); });
        QTest::newRow("setUndefined") << Mutation([](Variable &v) { v.setUndefined(); });
        QTest::newRow("clear") << Mutation([](Variable &v) { v.clear(); });
    }
    void variableRelease()
    {
        QFETCH(Mutation, mutate);
        const String s("payload");
        const Vector m = doubles({1, 2});
        {
            Variable a(s), b(m);
            mutate(a);
            mutate(b);
            QCOMPARE(s.refCount(), 1);
            QCOMPARE(m.refCount(), 1);
        }
        QCOMPARE(s.refCount(), 1);
        QCOMPARE(m.refCount(), 1);
    }

    void listChunks_data()
    {
        QTest::addColumn<int>("pushes");
        QTest::addColumn<int>("capacity");
        QTest::newRow("one") << 1 << 256;
        QTest::newRow("full chunk") << 256 << 256;
        QTest::newRow("one more") << 257 << 512;
        QTest::newRow("three chunks") << 513 << 768;
    }
    // After the deepest point, popping and pushing again allocates no slot
    // and reuses the same ones; slots never move while the stack grows.
    void listChunks()
    {
        QFETCH(int, pushes);
        QFETCH(int, capacity);
        List list;
        for (int i = 0; i < pushes; ++i)
            list.push(Variable(double(i)));
        QCOMPARE(list.capacity(), capacity);
        QCOMPARE(list.size(), pushes);
        QCOMPARE(list.top().getDouble(), double(pushes - 1));
        QCOMPARE(list.at(0).getDouble(), 0.0);
        QCOMPARE(list.fromTop(pushes - 1).getDouble(), 0.0);
        const Variable *bottom = &list.at(0);
        const Variable *last = &list.top();
        for (int round = 0; round < 3; ++round) {
            list.pop(pushes);
            QVERIFY(list.isEmpty());
            for (int i = 0; i < pushes; ++i)
                list.push(Variable(double(-i)));
            QCOMPARE(list.capacity(), capacity);
            QCOMPARE(&list.at(0), bottom);
            QCOMPARE(&list.top(), last);
            QCOMPARE(list.top().getDouble(), double(1 - pushes));
        }
        list.push(Variable(1.0));
        QCOMPARE(&list.at(0), bottom);
    }

    void indexHashPositions()
    {
        IndexHash table;
        QCOMPARE(table.indexOf(QStringLiteral("a")), -1);
        QCOMPARE(table.insert(QStringLiteral("a")), 0);
        QCOMPARE(table.insert(QStringLiteral("b"), Variable(2.0)), 1);
        QVERIFY(table.at(0).isAbsent());
        Variable *slotB = &table.at(1);
        for (int i = 0; i < 300; ++i)
            QCOMPARE(table.lookupOrInsert(QStringLiteral("v%1").arg(i)), i + 2);
        QCOMPARE(table.lookupOrInsert(QStringLiteral("b")), 1);
        QCOMPARE(table.size(), 302);
        QCOMPARE(&table.at(1), slotB);
        QCOMPARE(table.at(1).getDouble(), 2.0);
        QCOMPARE(table.name(301), QStringLiteral("v299"));
        QCOMPARE(table.indexOf(QStringLiteral("v150")), 152);
    }

    // Broken invariants end the program with the assertion report.
    void assertions_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expression");
        QTest::newRow("shape") << Action([] { doubles({1, 2, 3, 4, 5, 6}).setSize(4, 2); }) << "vector.cpp"
                               << "rowCount * columnCount == count()";
        QTest::newRow("accessor type") << Action([] { Variable(1.0).getBoolean(); }) << "variable.cpp"
                                       << "data->type == BOOLEAN_TYPE";
        QTest::newRow("empty stack") << Action([] { List().top(); }) << "list.cpp" << "current != 0";
    }
    void assertions()
    {
        QFETCH(Action, action);
        QFETCH(QString, file);
        QFETCH(QString, expression);
        const QString out = stderrOfAbort(action);
        static const QRegularExpression format(
            QStringLiteral("^\nASSERTION FAILED: File: (.*); Line: (\\d+); Expression: \\((.*)\\)\n$"));
        const QRegularExpressionMatch m = format.match(out);
        QVERIFY2(m.hasMatch(), qPrintable(out));
        QVERIFY2(m.captured(1).endsWith(QLatin1String("values/") + file), qPrintable(m.captured(1)));
        QCOMPARE(m.captured(3), expression);
    }
};

QTEST_APPLESS_MAIN(TestValues)
#include "test_values.moc"
