#include "app/message_hook.h"
#include "value_text.h"
#include "persistence/variable_model.h"
#include "persistence/workspace_file.h"
#include "values/index_hash.h"
#include "values/output_list.h"
#include "values/vector.h"
#include "vm/execution_context.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A resolver that plays back a script of answers.
class ScriptedResolver : public ConflictResolver {
public:
    struct Answer {
        ConflictState state;
        QString newName;
    };
    ScriptedResolver(VariableModel &model, QList<Answer> answers) : _model(model), _answers(std::move(answers)) {}
    ConflictState resolve(const QString &name, const Variable &, const Variable &, QString &newName) override
    {
        asked << name;
        const Answer answer = _answers.takeFirst();
        if (answer.state == CONFLICT_STATE_RENAME) {
            refusals << _model.checkNewName(answer.newName);
            if (!refusals.last().isEmpty())
                return CONFLICT_STATE_IGNORE;
            _model.reserveName(answer.newName);
            newName = answer.newName;
        }
        return answer.state;
    }
    QStringList asked;
    QStringList refusals;

private:
    VariableModel &_model;
    QList<Answer> _answers;
};

QString describe(const IndexHash &ws)
{
    QStringList out;
    for (int i = 0; i < ws.size(); ++i) {
        const Variable &v = ws.at(i);
        if (v.isAbsent())
            continue;
        QString text;
        switch (v.type()) {
        case DOUBLE_TYPE: text = QString::number(v.getDouble()); break;
        case BOOLEAN_TYPE: text = v.getBoolean() ? "true" : "false"; break;
        case STRING_TYPE: text = '"' + v.getString().toQString() + '"'; break;
        case VECTOR_TYPE: text = QStringLiteral("<%1x%2>").arg(v.getVector().rowCount()).arg(v.getVector().columnCount()); break;
        default: text = "undefined"; break;
        }
        out << ws.name(i) + '=' + text;
    }
    return out.join(' ');
}

} // namespace

class TestWorkspaceFile : public QObject {
    Q_OBJECT
    QStringList _messages;
    QTemporaryDir _dir;

    QString path(const char *name) const { return _dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        setCriticalMessageHandler([this](const QString &t) { _messages << t; });
        setInformationMessageHandler([this](const QString &t) { _messages << "info: " + t; });
    }
    void init()
    {
        _messages.clear();
        OutputList::instance().clear();
    }

    void workedExample()
    {
        IndexHash ws;
        ws.at(ws.insert("a")) = Variable(1.5);
        VariableModel model(&ws);
        QVERIFY(model.saveWorkspace(path("a.ws")));
        QCOMPARE(fileBytes(path("a.ws")).toHex(' '),
                 QByteArray("4d 56 41 10 00 00 00 1c 00 00 00 01 00 00 00 02 61 00 03 3f f8 00 00 00 00 00 00 ff"));
    }

    void payloadSizes_data()
    {
        QTest::addColumn<QString>("value"); // value_text, or "int 3" / "stored undefined"
        QTest::addColumn<QByteArray>("payload"); // type tag, payload, end marker
        QTest::newRow("empty string") << "''" << QByteArray("04 00 00 00 01 00 ff");
        QTest::newRow("typeless vector") << "[]" << QByteArray("05 00 ff");
        QTest::newRow("boolean true") << "true" << QByteArray("01 01 ff");
        QTest::newRow("string array with empty element") << "['x' '']"
            << QByteArray("05 04 00 00 00 01 00 00 00 02 00 00 00 02 78 00 00 00 00 01 00 ff");
        QTest::newRow("boolean array") << "[true; false]" << QByteArray("05 01 00 00 00 02 00 00 00 01 01 00 ff");
        QTest::newRow("integer saved as double") << "int 3" << QByteArray("03 40 08 00 00 00 00 00 00 ff");
        QTest::newRow("reserved slot is type 0") << "stored undefined" << QByteArray("00 ff");
    }
    void payloadSizes()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, payload);
        IndexHash ws;
        Variable &v = ws.at(ws.insert("v"));
        if (value == "int 3")
            v = Variable(int32_t(3));
        else if (value == "stored undefined")
            v.setUndefined();
        else
            v = value_text::parse(value);
        VariableModel model(&ws);
        QVERIFY(model.saveWorkspace(path("p.ws")));
        const QByteArray bytes = fileBytes(path("p.ws"));
        // header (12) + name "v" (4 + 2)
        QCOMPARE(bytes.mid(18).toHex(' '), payload);
        QCOMPARE(quint32(qFromBigEndian<quint32>(bytes.constData() + 4)), quint32(bytes.size()));
    }

    void roundTrip()
    {
        IndexHash ws;
        ws.at(ws.insert("d")) = Variable(-0.1);
        ws.at(ws.insert("n")) = Variable(std::nan(""));
        ws.at(ws.insert("i")) = Variable(-std::numeric_limits<double>::infinity());
        ws.at(ws.insert("s")) = Variable(String("text"));
        ws.at(ws.insert("e")) = Variable(String(""));
        ws.at(ws.insert("m")) = value_text::parse("[1 2 3; 4 5 6]");
        ws.at(ws.insert("t")) = Variable(Vector());
        ws.insert("gone"); // absent: not saved
        VariableModel model(&ws);
        QVERIFY(model.saveWorkspace(path("r.ws")));
        WorkspaceRecords records;
        QVERIFY(readWorkspaceFile(path("r.ws"), records));
        QCOMPARE(int(records.size()), 7);
        IndexHash back;
        VariableModel other(&back);
        QVERIFY(other.loadWorkspace(path("r.ws")));
        QCOMPARE(describe(back), QStringLiteral("d=-0.1 n=nan i=-inf s=\"text\" e=\"\" m=<2x3> t=<0x0>"));
        for (int k = 0; k < 7; ++k) {
            const QString name = records[size_t(k)].name;
            const Variable &a = ws.at(ws.indexOf(name));
            const Variable &b = back.at(back.indexOf(name));
            QCOMPARE(a.type(), b.type());
            if (name != "n")
                QVERIFY2(VariableModel::sameValue(a, b), qPrintable(name));
        }
        QVERIFY(std::isnan(back.at(back.indexOf("n")).getDouble()));
    }

    void nothingToSave()
    {
        IndexHash ws;
        ws.insert("x"); // absent
        VariableModel model(&ws);
        QVERIFY(!model.saveWorkspace(path("none.ws")));
        QCOMPARE(_messages, QStringList{"info: Nothing to save"});
        QVERIFY(!QFile::exists(path("none.ws")));
        ExecutionContext context;
        QVERIFY(!model.saveWorkspace(path("none.ws"), &context));
        QCOMPARE(OutputList::instance().count(), 1);
        QCOMPARE(OutputList::instance().at(0).report.code, quint32(1542));
    }

    void corrupt_data()
    {
        // Starts from the worked example and breaks one rule per row.
        const QByteArray good = QByteArray::fromHex("4d564110 0000001c 00000001 00000002 6100 03 3ff8000000000000 ff");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::newRow("valid") << good << true;
        QByteArray v = good; v[3] = 0x22;
        QTest::newRow("other version byte accepted") << v << true;
        QTest::newRow("count zero") << QByteArray::fromHex("4d564110 0000000c 00000000") << true;
        QTest::newRow("short header") << good.left(10) << false;
        QByteArray m = good; m[0] = 'X';
        QTest::newRow("bad magic") << m << false;
        QByteArray len = good; len[7] = 0x1d;
        QTest::newRow("length field off by one") << len << false;
        QTest::newRow("trailing byte") << good + QByteArray(1, '\0') << false;
        QByteArray t = good; t[18] = 2;
        QTest::newRow("integer type") << t << false;
        QByteArray t6 = good; t6[18] = 6;
        QTest::newRow("type above 5") << t6 << false;
        QByteArray end = good; end[27] = char(0xfe);
        QTest::newRow("bad end marker") << end << false;
        QTest::newRow("empty name") << QByteArray::fromHex("4d564110 00000017 00000001 00000001 00 03 3ff8000000000000 ff") << false;
        QTest::newRow("null name") << QByteArray::fromHex("4d564110 00000016 00000001 00000000 03 3ff8000000000000 ff") << false;
        QTest::newRow("boolean byte 2") << QByteArray::fromHex("4d564110 00000015 00000001 00000002 6200 01 02 ff") << false;
        QTest::newRow("vector zero rows") << QByteArray::fromHex("4d564110 0000001e 00000001 00000002 6200 05 03 00000000 00000001 ff") << false;
        QTest::newRow("vector element type 9") << QByteArray::fromHex("4d564110 00000016 00000001 00000002 6200 05 09 ff") << false;
        QTest::newRow("boolean element 2") << QByteArray::fromHex("4d564110 00000020 00000001 00000002 6200 05 01 00000001 00000002 01 02 ff") << false;
        QTest::newRow("count larger than records") << QByteArray::fromHex("4d564110 0000001c 00000002 00000002 6100 03 3ff8000000000000 ff") << false;
        QTest::newRow("name without zero") << QByteArray::fromHex("4d564110 0000001c 00000001 00000002 6161 03 3ff8000000000000 ff") << false;
    }
    void corrupt()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        writeBytes(path("c.ws"), bytes);
        IndexHash ws;
        ws.at(ws.insert("keep")) = Variable(7.0);
        VariableModel model(&ws);
        QCOMPARE(model.loadWorkspace(path("c.ws")), ok);
        if (!ok) {
            QCOMPARE(_messages, QStringList{"Workspace file corrupted"});
            QCOMPARE(describe(ws), QStringLiteral("keep=7"));
            // Command mode: the code on the running command instead.
            ExecutionContext context;
            ScriptedResolver resolver(model, {});
            QVERIFY(!model.mergeWorkspace(path("c.ws"), resolver, &context));
            QCOMPARE(OutputList::instance().at(0).report.code, quint32(1543));
        } else if (bytes.size() == 12) {
            QCOMPARE(describe(ws), QStringLiteral("keep=7")); // count 0 changes nothing
        } else {
            QCOMPARE(describe(ws), QStringLiteral("a=1.5"));
        }
    }

    void missingFile()
    {
        IndexHash ws;
        VariableModel model(&ws);
        QVERIFY(!model.loadWorkspace(path("missing.ws")));
        QCOMPARE(_messages, QStringList{QStringLiteral("File \"%1\" doesn't exists").arg(path("missing.ws"))});
    }

    // A FIFO would block the open until a writer comes; it and a directory
    // are refused at once.
    void notRegularFiles()
    {
        QVERIFY(::mkfifo(QFile::encodeName(path("fifo.ws")).constData(), 0600) == 0);
        WorkspaceRecords records;
        QVERIFY(!readWorkspaceFile(path("fifo.ws"), records));
        QVERIFY(!readWorkspaceFile(_dir.path(), records));
        QCOMPARE(_messages, QStringList(2, QStringLiteral("Can't open file to read")));
    }

    void merge()
    {
        // The file: a=1 (equal), b=2 (conflict), c=3 (conflict), d=4 (new).
        IndexHash file;
        file.at(file.insert("a")) = Variable(1.0);
        file.at(file.insert("b")) = Variable(2.0);
        file.at(file.insert("c")) = Variable(3.0);
        file.at(file.insert("d")) = Variable(4.0);
        VariableModel fileModel(&file);
        QVERIFY(fileModel.saveWorkspace(path("m.ws")));

        auto workspace = [] {
            auto ws = std::make_unique<IndexHash>();
            ws->at(ws->insert("a")) = Variable(1.0);
            ws->at(ws->insert("b")) = Variable(20.0);
            ws->at(ws->insert("c")) = Variable(30.0);
            return ws;
        };
        {
            auto ws = workspace();
            VariableModel model(ws.get());
            ScriptedResolver resolver(model, {{CONFLICT_STATE_REPLACE, {}}, {CONFLICT_STATE_IGNORE, {}}});
            QVERIFY(model.mergeWorkspace(path("m.ws"), resolver));
            QCOMPARE(resolver.asked, (QStringList{"b", "c"})); // equal a asks nothing
            QCOMPARE(describe(*ws), QStringLiteral("a=1 b=2 c=30 d=4"));
        }
        {
            auto ws = workspace();
            VariableModel model(ws.get());
            ScriptedResolver resolver(model, {{CONFLICT_STATE_RENAME, "d"}, {CONFLICT_STATE_RENAME, "a"},});
            QVERIFY(model.mergeWorkspace(path("m.ws"), resolver));
            QCOMPARE(resolver.refusals, (QStringList{"Workspace already contains variable \"d\"",
                                                      "Workspace already contains variable \"a\""}));
        }
        {
            auto ws = workspace();
            VariableModel model(ws.get());
            ScriptedResolver resolver(model, {{CONFLICT_STATE_RENAME, "1x"}});
            QString newName;
            resolver.resolve("b", Variable(), Variable(), newName);
            QCOMPARE(resolver.refusals, QStringList{"\"1x\" is not valid identificator"});
        }
        {
            auto ws = workspace();
            VariableModel model(ws.get());
            ScriptedResolver resolver(model, {{CONFLICT_STATE_RENAME, "b2"}, {CONFLICT_STATE_IGNORE, {}}});
            QVERIFY(model.mergeWorkspace(path("m.ws"), resolver));
            QCOMPARE(describe(*ws), QStringLiteral("a=1 b=20 c=30 b2=2 d=4"));
        }
        {
            // Cancel in the second conflict: everything as before, the
            // name reserved by the first rename handed back.
            auto ws = workspace();
            VariableModel model(ws.get());
            ScriptedResolver resolver(model, {{CONFLICT_STATE_RENAME, "b2"}, {CONFLICT_STATE_CANCEL, {}}});
            QVERIFY(model.mergeWorkspace(path("m.ws"), resolver));
            QCOMPARE(describe(*ws), QStringLiteral("a=1 b=20 c=30"));
            QVERIFY(ws->at(ws->indexOf("b2")).isAbsent());
            QVERIFY(model.checkNewName("b2").isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestWorkspaceFile)
#include "test_workspace_file.moc"
