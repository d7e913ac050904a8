#include "engine/engine_host.h"
#include "engine/virtual_machine.h"
#include "language/script.h"
#include "values/index_hash.h"
#include "values/output_list.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class QuietHost : public EngineHost {};

// Runs one command to its end; its output stays in OutputList.
void submit(VirtualMachine &vm, const QString &command)
{
    OutputList::instance().clear();
    QSignalSpy finished(&vm, &VirtualMachine::processFinished);
    vm.executeCommand(command);
    if (finished.isEmpty())
        QVERIFY(finished.wait(10000));
}

QString errorCodes()
{
    QStringList codes;
    const OutputList &out = OutputList::instance();
    for (int i = 0; i < out.count(); ++i)
        if (out.at(i).kind == OutputList::ERROR_ENTRY)
            codes << QString::number(out.at(i).report.code, 16);
    return codes.join(QLatin1Char(' '));
}

} // namespace

// The engine under hostile timing and a full workspace.
class TestVirtualMachine : public QObject {
    Q_OBJECT

private slots:
    void init() { OutputList::instance().clear(); }

    // A stop requested after Return but before the worker's first
    // instruction ends the run.
    void stopBeforeTheThreadStarts()
    {
        QuietHost host;
        VirtualMachine vm(&host);
        connect(&vm, &VirtualMachine::processStarted, &vm, [&vm] { vm.terminateProcess(); }, Qt::DirectConnection);
        QSignalSpy finished(&vm, &VirtualMachine::processFinished);
        vm.executeCommand(QStringLiteral("while (true) { }"));
        QVERIFY(finished.wait(10000));
        QCOMPARE(errorCodes(), QStringLiteral("d00"));
    }

    // Slots are never freed: once a session has used up its names, what
    // names nothing new still runs (the last slot is kept for ans), and a
    // new name says why it cannot be had.
    void fullNameTable()
    {
        QuietHost host;
        VirtualMachine vm(&host);
        IndexHash &symbols = vm.interactiveScript()->symbols();
        symbols.at(symbols.lookupOrInsert(QStringLiteral("kept"))) = Variable(2.0);
        while (symbols.size() < 65534)
            symbols.insert(QStringLiteral("n%1").arg(symbols.size()));

        for (const char *command : {"who", "3 + 4", "sin(kept);", "function g(p) { }", "clear kept", "clear"}) {
            submit(vm, QString::fromLatin1(command));
            QCOMPARE(command + errorCodes(), QString::fromLatin1(command));
        }
        QVERIFY(symbols.at(symbols.indexOf(QStringLiteral("kept"))).isAbsent());
        for (const char *command : {"fresh = 1", "[1, 2][0];"}) {
            submit(vm, QString::fromLatin1(command));
            QCOMPARE(command + errorCodes(), command + QStringLiteral("312"));
            QVERIFY(OutputList::instance().at(0).report.name.contains(QLatin1String("clear does not free names")));
        }
        QCOMPARE(symbols.size(), 65535);
    }

    // A script file may leave names beyond the ids compiled code can
    // address; the workspace view is told about them like any other.
    void namesBeyondCompiledIds()
    {
        struct Host : EngineHost {
            std::vector<int> updated;
            void updateWorkspace(const std::vector<int> &ids, const std::vector<int> &) override { updated = ids; }
        } host;
        VirtualMachine vm(&host);
        IndexHash &symbols = vm.interactiveScript()->symbols();
        while (symbols.size() < 65540)
            symbols.insert(QStringLiteral("n%1").arg(symbols.size()));
        QTemporaryDir dir;
        QFile script(dir.filePath(QStringLiteral("late.l")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("late = 7;\n");
        script.close();
        submit(vm, QStringLiteral("run \"%1\"").arg(script.fileName()));
        QCOMPARE(errorCodes(), QString());
        const int late = symbols.indexOf(QStringLiteral("late"));
        QCOMPARE(late, 65540);
        QVERIFY(std::find(host.updated.begin(), host.updated.end(), late) != host.updated.end());
        QVERIFY(std::find(host.updated.begin(), host.updated.end(), late - 65536) == host.updated.end());
    }
};

QTEST_GUILESS_MAIN(TestVirtualMachine)
#include "test_virtual_machine.moc"
