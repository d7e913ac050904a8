#include "ui/console.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

namespace {

const QString kQuestion = QStringLiteral("Press n or q or ^C to stop, or any other key to continue...");

class FakePager : public ConsolePager {
public:
    void setPageSize(int rows, int columns) override
    {
        this->rows = rows;
        this->columns = columns;
    }
    bool hasText() const override { return !pages.isEmpty(); }
    QString nextPage() override { return pages.takeFirst(); }
    void clear() override { pages.clear(); }

    QStringList pages;
    int rows = 0;
    int columns = 0;
};

// Stands in for the engine and the main window: a statement is incomplete
// while it has more "if" lines than "end" lines; anything else runs and, unless
// runs are held, finishes at once with the queued output pages.
class FakeEngine : public QObject {
public:
    FakeEngine(Console &console, FakePager &pager)
        : _console(console)
        , _pager(pager)
    {
        QObject::connect(&console, &Console::inputCommand, this, [this](const QString &c) { execute(c); });
    }

    void execute(const QString &command)
    {
        commands << command;
        const QStringList lines = command.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        int open = 0;
        for (const QString &line : lines) {
            if (line.startsWith(QLatin1String("if ")))
                ++open;
            else if (line.trimmed() == QLatin1String("end"))
                --open;
        }
        if (open > 0) {
            _console.startMultiline(IF_STATEMENT);
            _console.continuePendingLines();
            return;
        }
        _console.setBusy();
        if (!holdRuns)
            finish();
    }

    void finish()
    {
        _console.setReady();
        _console.statementFinished();
        _pager.pages = output;
        output.clear();
        _console.printResults();
        _console.continuePendingLines();
    }

    QStringList commands;
    QStringList output;
    bool holdRuns = false;

private:
    Console &_console;
    FakePager &_pager;
};

using KeyList = QList<QPair<int, int>>; // key, modifiers

QString lastBlock(const Console &console)
{
    return console.document()->lastBlock().text();
}

QStringList lastBlocks(const Console &console, int count)
{
    QStringList lines = console.toPlainText().split(QLatin1Char('\n'));
    return lines.mid(lines.size() - count);
}

} // namespace

class TestConsole : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void editingKeys_data();
    void editingKeys();
    void letterTypedInTranscriptGoesToInput();
    void pasteEntersLineByLine_data();
    void pasteEntersLineByLine();
    void busyConsoleRefusesInputButStops();
    void historyBrowsingRestoresInput();
    void multilineStatementIsOneHistoryEntry();
    void browsingDuringMultilineRestoresIt();
    void pagingKeys_data();
    void pagingKeys();
    void abandonMultiline_data();
    void abandonMultiline();
    void ctrlGTakesBackLines();
    void clearKeepsStatementInProgress();
    void doubleClickEntersLine();

private:
    void type(const QString &text) { QTest::keyClicks(_console, text); }
    void enter(const QString &line)
    {
        type(line);
        press(Qt::Key_Return);
    }
    void press(int key, int modifiers = 0)
    {
        QTest::keyClick(_console, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    }

    QTemporaryDir *_dir = nullptr;
    Console *_console = nullptr;
    FakePager *_pager = nullptr;
    FakeEngine *_engine = nullptr;
};

void TestConsole::init()
{
    _dir = new QTemporaryDir;
    _console = new Console(_dir->path());
    _pager = new FakePager;
    _console->setPager(_pager);
    _engine = new FakeEngine(*_console, *_pager);
    _console->resize(600, 400);
    _console->show();
    _console->printResults(); // the first prompt, as after start-up
}

void TestConsole::cleanup()
{
    delete _engine;
    delete _console;
    delete _pager;
    delete _dir;
}

void TestConsole::editingKeys_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<KeyList>("keys");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("column");

    const int ctrl = Qt::ControlModifier;
    const int shift = Qt::ShiftModifier;
    QTest::newRow("backspace") << "abc" << KeyList{{Qt::Key_Backspace, 0}} << ">> ab" << 5;
    QTest::newRow("backspace at prompt") << "ab" << KeyList{{Qt::Key_Home, 0}, {Qt::Key_Backspace, 0}} << ">> ab" << 3;
    QTest::newRow("ctrl+h at prompt") << "" << KeyList{{Qt::Key_H, ctrl}, {Qt::Key_H, ctrl}} << ">> " << 3;
    QTest::newRow("ctrl+w word") << "foo bar" << KeyList{{Qt::Key_W, ctrl}} << ">> foo " << 7;
    QTest::newRow("ctrl+w twice never into prompt")
        << "foo bar" << KeyList{{Qt::Key_W, ctrl}, {Qt::Key_W, ctrl}, {Qt::Key_W, ctrl}} << ">> " << 3;
    QTest::newRow("left then delete") << "abc" << KeyList{{Qt::Key_Left, 0}, {Qt::Key_Delete, 0}} << ">> ab" << 5;
    QTest::newRow("ctrl+b stops at prompt")
        << "a" << KeyList{{Qt::Key_B, ctrl}, {Qt::Key_B, ctrl}, {Qt::Key_B, ctrl}, {Qt::Key_X, 0}} << ">> xa" << 4;
    QTest::newRow("ctrl+a then ctrl+d") << "foo bar" << KeyList{{Qt::Key_A, ctrl}, {Qt::Key_D, ctrl}} << ">> bar" << 3;
    QTest::newRow("ctrl+k from middle")
        << "abcd" << KeyList{{Qt::Key_Left, 0}, {Qt::Key_Left, 0}, {Qt::Key_K, ctrl}} << ">> ab" << 5;
    QTest::newRow("ctrl+j from middle")
        << "abcd" << KeyList{{Qt::Key_Left, 0}, {Qt::Key_Left, 0}, {Qt::Key_J, ctrl}} << ">> cd" << 3;
    QTest::newRow("ctrl+u") << "abcd" << KeyList{{Qt::Key_U, ctrl}} << ">> " << 3;
    QTest::newRow("escape clears input") << "abcd" << KeyList{{Qt::Key_Escape, 0}} << ">> " << 3;
    QTest::newRow("ctrl+g clears input") << "abcd" << KeyList{{Qt::Key_G, ctrl}} << ">> " << 3;
    QTest::newRow("shift+home selection replaced") << "abcd" << KeyList{{Qt::Key_Home, shift}, {Qt::Key_Z, 0}} << ">> z" << 4;
    QTest::newRow("shift+left stops at prompt")
        << "a" << KeyList{{Qt::Key_Left, shift}, {Qt::Key_Left, shift}, {Qt::Key_Backspace, 0}} << ">> " << 3;
    QTest::newRow("ctrl+shift+left selects word")
        << "foo bar" << KeyList{{Qt::Key_Left, ctrl | shift}, {Qt::Key_Delete, 0}} << ">> foo " << 7;
    QTest::newRow("ctrl+left stops at input start")
        << "foo" << KeyList{{Qt::Key_Left, ctrl}, {Qt::Key_Left, ctrl}, {Qt::Key_Y, 0}} << ">> yfoo" << 4;
    QTest::newRow("shift+up is inert") << "ab" << KeyList{{Qt::Key_Up, shift}, {Qt::Key_Return, shift}} << ">> ab" << 5;
    QTest::newRow("unbound ctrl key") << "ab" << KeyList{{Qt::Key_T, ctrl}, {Qt::Key_O, ctrl}} << ">> ab" << 5;
    QTest::newRow("tab inserts a tab") << "a" << KeyList{{Qt::Key_Tab, 0}} << ">> a\t" << 5;
}

void TestConsole::editingKeys()
{
    QFETCH(QString, typed);
    QFETCH(KeyList, keys);
    QFETCH(QString, expected);
    QFETCH(int, column);

    type(typed);
    for (const auto &key : keys)
        press(key.first, key.second);
    QCOMPARE(lastBlock(*_console), expected);
    QCOMPARE(_console->textCursor().positionInBlock(), column);
    QVERIFY(_engine->commands.isEmpty());
}

void TestConsole::letterTypedInTranscriptGoesToInput()
{
    enter(QStringLiteral("x=1"));
    QCOMPARE(_engine->commands, QStringList{QStringLiteral("x=1")});
    type(QStringLiteral("ab"));

    QTextCursor first(_console->document()->firstBlock());
    first.setPosition(1);
    QTest::mouseClick(_console->viewport(), Qt::LeftButton, {}, _console->cursorRect(first).center());
    QVERIFY(_console->textCursor().block() != _console->document()->lastBlock());
    type(QStringLiteral("c"));
    QCOMPARE(_console->document()->firstBlock().text(), QStringLiteral(">> x=1"));
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> abc"));
}

void TestConsole::pasteEntersLineByLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("entered");
    QTest::addColumn<QString>("left");

    QTest::addColumn<int>("beforeFinish"); // entered while the first run is held

    QTest::newRow("last line stays") << "a=1\nb=2\nc" << QStringList{"a=1", "b=2"} << ">> c" << 1;
    QTest::newRow("final line feed") << "a=1\nb=2\n" << QStringList{"a=1", "b=2"} << ">> " << 1;
    QTest::newRow("blank lines skipped") << "a=1\n\n\nb=2" << QStringList{"a=1"} << ">> b=2" << 1;
    QTest::newRow("carriage returns") << "a=1\r\nb" << QStringList{"a=1"} << ">> b" << 1;
    QTest::newRow("multi-line statement")
        << "if a\nb=1\nend\n" << QStringList{"if a", "if a\nb=1\n", "if a\nb=1\nend\n"} << ">> " << 3;
}

void TestConsole::pasteEntersLineByLine()
{
    QFETCH(QString, text);
    QFETCH(QStringList, entered);
    QFETCH(QString, left);
    QFETCH(int, beforeFinish);

    // Each line must wait for the previous command: hold every run and
    // release it by hand.
    _engine->holdRuns = true;
    QApplication::clipboard()->setText(text);
    press(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(_engine->commands.size(), beforeFinish);
    for (int guard = 0; _console->state() == Console::BUSY_STATE && guard < 10; ++guard)
        _engine->finish();
    QCOMPARE(_engine->commands, entered);
    QCOMPARE(lastBlock(*_console), left);
    QVERIFY(_console->pendingLines().isEmpty());
}

void TestConsole::busyConsoleRefusesInputButStops()
{
    _engine->holdRuns = true;
    QSignalSpy terminate(_console, &Console::terminateProcess);
    _console->pasteText(QStringLiteral("loop\nnext\nlast"));
    QCOMPARE(_console->state(), Console::BUSY_STATE);
    QCOMPARE(_console->pendingLines(), (QStringList{"next", "last"}));
    const QString before = _console->toPlainText();
    enter(QStringLiteral("zz"));
    _console->pasteText(QStringLiteral("more"));
    QCOMPARE(_console->toPlainText(), before);
    QCOMPARE(terminate.count(), 0);

    press(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(terminate.count(), 1);
    QVERIFY(_console->pendingLines().isEmpty());
    _engine->finish();
    QCOMPARE(_engine->commands, QStringList{QStringLiteral("loop")});
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> "));
}

void TestConsole::historyBrowsingRestoresInput()
{
    type(QStringLiteral("typed"));
    press(Qt::Key_Up);
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> typed"));
    press(Qt::Key_Escape);

    for (const QString &command : {QStringLiteral("a=1"), QStringLiteral("b=2"), QStringLiteral("b=2")})
        enter(command);
    type(QStringLiteral("par"));
    press(Qt::Key_Up);
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> b=2"));
    press(Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> a=1"));
    press(Qt::Key_Up); // nothing older
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> a=1"));
    press(Qt::Key_Down);
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> b=2"));
    press(Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> par"));
    press(Qt::Key_Up);
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> b=2"));
}

void TestConsole::multilineStatementIsOneHistoryEntry()
{
    enter(QStringLiteral("if a"));
    QCOMPARE(_console->state(), Console::MULTILINE_STATE);
    QCOMPARE(lastBlock(*_console), QStringLiteral("if > "));
    enter(QStringLiteral("b=1"));
    type(QStringLiteral("end"));
    press(Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(_engine->commands.last(), QStringLiteral("if a\nb=1\nend\n"));
    QCOMPARE(_console->state(), Console::INPUT_STATE);

    const HistoryEntry expected{{0, "if a"}, {6, "b=1"}, {6, "end"}};
    QCOMPARE(_console->history()->entries().last(), expected);

    press(Qt::Key_Up);
    QCOMPARE(lastBlocks(*_console, 3), (QStringList{">> if a", "if > b=1", "if > end"}));
    QCOMPARE(_console->state(), Console::MULTILINE_STATE);
    QCOMPARE(_console->multilineList(), expected.mid(0, 2));
    press(Qt::Key_Return);
    QCOMPARE(_engine->commands.last(), QStringLiteral("if a\nb=1\nend\n"));
    QCOMPARE(_console->history()->entries().size(), 2); // separator plus one entry: duplicates dropped
}

void TestConsole::browsingDuringMultilineRestoresIt()
{
    enter(QStringLiteral("x=5"));
    enter(QStringLiteral("if c"));
    type(QStringLiteral("d"));
    press(Qt::Key_Up);
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> x=5"));
    QCOMPARE(_console->state(), Console::INPUT_STATE);
    QVERIFY(!_console->toPlainText().contains(QLatin1String("if c")));
    press(Qt::Key_Down);
    QCOMPARE(lastBlocks(*_console, 2), (QStringList{">> if c", "if > d"}));
    QCOMPARE(_console->state(), Console::MULTILINE_STATE);
    QCOMPARE(_console->currentStatement(), IF_STATEMENT);
    enter(QStringLiteral("=1"));
    QCOMPARE(_engine->commands.last(), QStringLiteral("if c\nd=1\n"));
}

void TestConsole::pagingKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("stillPaging");
    QTest::addColumn<bool>("cleared");

    QTest::newRow("n") << int(Qt::Key_N) << 0 << "" << false << false;
    QTest::newRow("q") << int(Qt::Key_Q) << 0 << "" << false << false;
    QTest::newRow("other key") << int(Qt::Key_Space) << 0 << "page 2" << true << false;
    QTest::newRow("shift+n is another key") << int(Qt::Key_N) << int(Qt::ShiftModifier) << "page 2" << true << false;
    QTest::newRow("ctrl+c") << int(Qt::Key_C) << int(Qt::ControlModifier) << "" << false << true;
}

void TestConsole::pagingKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, shown);
    QFETCH(bool, stillPaging);
    QFETCH(bool, cleared);

    _engine->output = QStringList{"page 1\n" + kQuestion, "page 2\n" + kQuestion, "page 3\n"};
    _console->pasteText(QStringLiteral("list\nnext"));
    QCOMPARE(_console->state(), Console::PAGING_STATE);
    QCOMPARE(lastBlocks(*_console, 3), (QStringList{">> list", "page 1", kQuestion}));
    QVERIFY(_pager->rows > 0 && _pager->columns > 0);
    QCOMPARE(_pager->rows, _console->visibleRows());

    press(Qt::Key_Shift); // a lone modifier is not an answer
    QCOMPARE(_console->state(), Console::PAGING_STATE);
    press(key, modifiers);
    QCOMPARE(_console->state() == Console::PAGING_STATE, stillPaging);
    QCOMPARE(_console->toPlainText().contains(QLatin1String("page 2")), !shown.isEmpty());
    QVERIFY(!_console->toPlainText().contains(QLatin1String("page 3")));
    if (stillPaging) {
        QCOMPARE(_console->toPlainText().count(kQuestion), 1);
        press(Qt::Key_A);
        QVERIFY(_console->toPlainText().contains(QLatin1String("page 3")));
        QVERIFY(!_console->toPlainText().contains(kQuestion));
    }
    QCOMPARE(_console->state(), Console::INPUT_STATE);
    if (cleared) {
        QCOMPARE(_console->toPlainText(), QStringLiteral(">> "));
        QVERIFY(_console->pendingLines().isEmpty());
    } else {
        // The pasted line that waited behind the listing comes back.
        QCOMPARE(lastBlock(*_console), QStringLiteral(">> next"));
    }
}

void TestConsole::abandonMultiline_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("escape") << int(Qt::Key_Escape) << 0;
    QTest::newRow("ctrl+c") << int(Qt::Key_C) << int(Qt::ControlModifier);
}

void TestConsole::abandonMultiline()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);

    enter(QStringLiteral("if a"));
    enter(QStringLiteral("b=1"));
    type(QStringLiteral("c"));
    press(key, modifiers);
    QCOMPARE(_console->state(), Console::INPUT_STATE);
    QCOMPARE(_console->currentStatement(), NO_STATEMENT);
    QVERIFY(_console->multilineList().isEmpty());
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> "));
    QVERIFY(_console->toPlainText().contains(QLatin1String("if > c")));
    enter(QStringLiteral("z=2"));
    QCOMPARE(_engine->commands.last(), QStringLiteral("z=2"));
    QCOMPARE(_console->history()->entries().last(), (HistoryEntry{{0, "z=2"}}));
}

void TestConsole::ctrlGTakesBackLines()
{
    enter(QStringLiteral("if a"));
    enter(QStringLiteral("b=1"));
    type(QStringLiteral("junk"));
    press(Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(lastBlocks(*_console, 2), (QStringList{">> if a", "if > "}));
    QCOMPARE(_console->multilineList(), (HistoryEntry{{0, "if a"}}));
    QCOMPARE(_console->state(), Console::MULTILINE_STATE);
    press(Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> "));
    QCOMPARE(_console->state(), Console::INPUT_STATE);
    QVERIFY(_console->multilineList().isEmpty());
    QVERIFY(!_console->toPlainText().contains(QLatin1String("if a")));
}

void TestConsole::clearKeepsStatementInProgress()
{
    type(QStringLiteral("old"));
    press(Qt::Key_C, Qt::ControlModifier); // leaves the line in the transcript
    QCOMPARE(lastBlocks(*_console, 2), (QStringList{">> old", ">> "}));
    enter(QStringLiteral("if a"));
    type(QStringLiteral("bc"));
    press(Qt::Key_Left);
    press(Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(_console->toPlainText(), QStringLiteral(">> if a\nif > bc"));
    QCOMPARE(_console->state(), Console::MULTILINE_STATE);
    press(Qt::Key_G, Qt::ControlModifier);
    press(Qt::Key_G, Qt::ControlModifier);
    type(QStringLiteral("xyz"));
    press(Qt::Key_Left);
    press(Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(_console->toPlainText(), QStringLiteral(">> xyz"));
    QCOMPARE(_console->textCursor().positionInBlock(), 5);
}

void TestConsole::doubleClickEntersLine()
{
    type(QStringLiteral("dc=1"));
    QTest::mouseDClick(_console->viewport(), Qt::LeftButton, {}, _console->cursorRect().center());
    QCOMPARE(_engine->commands, QStringList{QStringLiteral("dc=1")});
    QCOMPARE(lastBlock(*_console), QStringLiteral(">> "));
}

int main(int argc, char **argv)
{
    // The history writes into the program directory: never the real home.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    TestConsole test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_console.moc"
