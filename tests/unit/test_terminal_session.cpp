// numlyra-cli on a pseudo-terminal: what only an interactive session does
// (banner, prompts, paging to the window size, Ctrl+C).

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char kQuestion40[] = "Press n or q or ^C to stop, or any o...";

// One numlyra-cli process on the slave side of a pseudo-terminal.
class PtyCli {
public:
    ~PtyCli()
    {
        if (_pid > 0) {
            kill(_pid, SIGKILL);
            waitpid(_pid, nullptr, 0);
        }
        if (_fd >= 0)
            close(_fd);
    }

    bool start(const QString &home, int rows, int columns, bool startupFile = false)
    {
        const QByteArray cli = QFile::encodeName(QCoreApplication::applicationDirPath() + "/numlyra-cli");
        const QByteArray homeVariable = "HOME=" + QFile::encodeName(home);
        winsize size{};
        size.ws_row = ushort(rows);
        size.ws_col = ushort(columns);
        _pid = forkpty(&_fd, nullptr, nullptr, &size);
        if (_pid < 0)
            return false;
        if (_pid == 0) {
            putenv(const_cast<char *>(homeVariable.constData()));
            putenv(const_cast<char *>("QT_QPA_PLATFORM=offscreen"));
            if (startupFile)
                execl(cli.constData(), cli.constData(), static_cast<char *>(nullptr));
            else
                execl(cli.constData(), cli.constData(), "--norc", static_cast<char *>(nullptr));
            _exit(127);
        }
        fcntl(_fd, F_SETFL, fcntl(_fd, F_GETFL) | O_NONBLOCK);
        return true;
    }

    void send(const QByteArray &bytes) { QVERIFY(write(_fd, bytes.constData(), size_t(bytes.size())) == bytes.size()); }

    // Reads until `needle` appears after what earlier waits consumed.
    bool waitFor(const QByteArray &needle, int milliseconds = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            const qsizetype at = _output.indexOf(needle, _consumed);
            if (at >= 0) {
                _consumed = at + needle.size();
                return true;
            }
            const qint64 left = milliseconds - timer.elapsed();
            if (left <= 0 || !readSome(int(left)))
                return false;
        }
    }

    // Output that arrives within a short while, for checks of what must not come.
    QByteArray settle(int milliseconds = 300)
    {
        while (readSome(milliseconds)) {
        }
        return _output.mid(_consumed);
    }

    // The exit status, or -1 when the process is still running afterwards.
    int waitExit(int milliseconds = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < milliseconds) {
            int status = 0;
            if (waitpid(_pid, &status, WNOHANG) == _pid) {
                _pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            readSome(20); // keep the pty drained
        }
        return -1;
    }

    bool running() { return waitExit(200) == -1; }
    const QByteArray &output() const { return _output; }

private:
    bool readSome(int milliseconds)
    {
        pollfd p{_fd, POLLIN, 0};
        if (poll(&p, 1, milliseconds) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = read(_fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        _output.append(buffer, n);
        return true;
    }

    pid_t _pid = -1;
    int _fd = -1;
    QByteArray _output;
    qsizetype _consumed = 0;
};

void writeStartupFile(const QString &home, const QByteArray &text)
{
    QVERIFY(QDir(home).mkpath("Numlyra"));
    QFile rc(home + "/Numlyra/.rc");
    QVERIFY(rc.open(QIODevice::WriteOnly));
    rc.write(text);
}

} // namespace

class TestTerminalSession : public QObject {
    Q_OBJECT
    QTemporaryDir _home;

private slots:
    void startupFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("header");
        QTest::newRow("printing") << QByteArray("r = 42\n") << true;
        QTest::newRow("silent") << QByteArray("r = 42;\n") << false;
    }

    // Ctrl+C ends an endless startup file like any running command.
    void ctrlCEndsTheStartupFile()
    {
        QTemporaryDir home;
        writeStartupFile(home.path(), "r = 1; while (1) r += 1;\n");
        PtyCli cli;
        QVERIFY(cli.start(home.path(), 24, 80, true));
        // Nothing is printed while the startup file runs.
        QVERIFY(!cli.waitFor("    *** Numlyra v 1.0.3 ***", 1500));
        cli.send("\x03");
        QVERIFY(cli.waitFor("Process terminated"));
        QVERIFY(cli.waitFor(">> "));
        // A failed startup file hands none of its variables to the session.
        cli.send("r\n");
        QVERIFY(cli.waitFor("Undefined variable: \"r\""));
        cli.send("\x04");
        QCOMPARE(cli.waitExit(), 1);
    }

    // The startup file runs into the session's workspace; its header is shown
    // only when it printed something.
    void startupFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, header);
        QTemporaryDir home;
        writeStartupFile(home.path(), text);
        PtyCli cli;
        QVERIFY(cli.start(home.path(), 24, 80, true));
        QVERIFY(cli.waitFor("    *** Numlyra v 1.0.3 ***"));
        QVERIFY(cli.waitFor(">> "));
        QCOMPARE(cli.output().contains("    *** Startup file ***\r\n\r\n r = "), header);
        cli.send("r\n");
        QVERIFY(cli.waitFor("42."));
        cli.send("\x04");
        QCOMPARE(cli.waitExit(), 0);
    }

    void pagingFollowsTheWindow_data()
    {
        QTest::addColumn<QByteArray>("stopKey");
        QTest::newRow("q") << QByteArray("q");
        QTest::newRow("N") << QByteArray("N");
        QTest::newRow("Ctrl+C") << QByteArray("\x03");
    }

    // A 12 x 40 window: 11 lines and the question per page. The 35 lines of a
    // 30-row column are the blank, the name, a blank, the column header, the
    // rule and rows 0..29, so the first page ends at row 5 and the second at 16.
    void pagingFollowsTheWindow()
    {
        QFETCH(QByteArray, stopKey);
        PtyCli cli;
        QVERIFY(cli.start(_home.path(), 12, 40));
        QVERIFY(cli.waitFor(">> "));
        cli.send("v = (1:30)'\n");
        QVERIFY(cli.waitFor("  5 |"));
        QVERIFY(cli.waitFor(kQuestion40));
        QVERIFY(!cli.settle().contains("  6 |"));
        // One key, no Return: the answer is read raw.
        cli.send(" ");
        QVERIFY(cli.waitFor(" 16 |"));
        QVERIFY(cli.waitFor(kQuestion40));
        QVERIFY(!cli.settle().contains(" 17 |"));
        cli.send(stopKey);
        QVERIFY(cli.waitFor(">> "));
        QVERIFY(!cli.settle().contains(" 17 |"));
        QVERIFY(cli.running());
        cli.send("v[29]\n");
        QVERIFY(cli.waitFor("30."));
        cli.send("\x04");
        QCOMPARE(cli.waitExit(), 0);
    }

    void ctrlCEndsTheRunningCommand()
    {
        PtyCli cli;
        QVERIFY(cli.start(_home.path(), 24, 80));
        QVERIFY(cli.waitFor(">> "));
        cli.send("n = 0; while (1) n += 1;\n");
        QTest::qWait(300);
        cli.send("\x03");
        QVERIFY(cli.waitFor("Process terminated"));
        QVERIFY(cli.waitFor(">> "));
        // The loop ran and what it assigned stays.
        cli.send("n > 0\n");
        QVERIFY(cli.waitFor("true"));
        QVERIFY(cli.waitFor(">> "));
        cli.send("\x04");
        QCOMPARE(cli.waitExit(), 1); // the terminated command failed
    }

    void ctrlCAtThePrompt()
    {
        PtyCli cli;
        QVERIFY(cli.start(_home.path(), 24, 80));
        QVERIFY(cli.waitFor(">> "));
        cli.send("if (0)\n");
        QVERIFY(cli.waitFor("if > "));
        // The first Ctrl+C abandons the pending statement: the next line runs
        // on its own instead of becoming the body of the if.
        cli.send("\x03");
        QVERIFY(cli.waitFor(">> "));
        cli.send("z = 3\n");
        QVERIFY(cli.waitFor("\r\n z = \r\n"));
        QVERIFY(cli.waitFor(">> "));
        cli.send("\x03");
        QVERIFY(cli.waitFor(">> "));
        QVERIFY(cli.running());
        cli.send("\x03");
        QCOMPARE(cli.waitExit(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTerminalSession)
#include "test_terminal_session.moc"
