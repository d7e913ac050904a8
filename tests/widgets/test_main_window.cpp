#include "app/current_directory.h"
#include "app/settings.h"
#include "persistence/history.h"
#include "persistence/history_tree.h"
#include "ui/console.h"
#include "ui/main_window.h"
#include "values/output_formatter.h"
#include "values/output_list.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init();

    void statusText_data();
    void statusText();
    void defaultsWithoutSettings();
    void precisionOutOfRange_data();
    void precisionOutOfRange();
    void missingPwdIgnored();
    void runMakesConsoleBusyAndBack();
    void closeWritesSettings();
    void historyRunPastesIntoConsole();
    void longListingPagesAtConsoleSize();
    void programDirectoryRecreatedForHistory();
};

void TestMainWindow::init()
{
    QSettings(QStringLiteral("Velmora"), QStringLiteral("Numlyra")).clear();
}

void TestMainWindow::statusText_data()
{
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("teeOn");
    QTest::addColumn<bool>("suspended");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ready") << false << false << false << "Ready | Tee: off";
    QTest::newRow("busy, two blanks before the bar") << true << false << false << "Busy  | Tee: off";
    QTest::newRow("suspended") << true << true << true << "Busy  | Tee: suspened";
    QTest::newRow("tee file") << false << true << false << "Ready | Tee: out.txt";
    QTest::newRow("suspended flag without tee") << false << false << true << "Ready | Tee: off";
}

void TestMainWindow::statusText()
{
    QFETCH(bool, busy);
    QFETCH(bool, teeOn);
    QFETCH(bool, suspended);
    QFETCH(QString, expected);
    QCOMPARE(MainWindow::consoleStatusText(busy, teeOn, suspended, QStringLiteral("out.txt")), expected);

    MainWindow window;
    window.setTeeState(teeOn, suspended, QStringLiteral("out.txt"));
    if (busy)
        window.processStarted();
    QCOMPARE(window.statusBar()->currentMessage(), expected);
}

void TestMainWindow::defaultsWithoutSettings()
{
    MainWindow window;
    QCOMPARE(window.formatter()->precision(), 7);
    QCOMPARE(Settings::teeRowCount(), 62);
    QCOMPARE(Settings::teeColumnCount(), 76);
    const QFont font = window.console()->font();
    QCOMPARE(font.pointSize(), 9);
    if (QFontDatabase::hasFamily(QStringLiteral("Consolas")))
        QCOMPARE(font.family(), QStringLiteral("Consolas"));
    else if (QFontDatabase::hasFamily(QStringLiteral("Courier New")))
        QCOMPARE(font.family(), QStringLiteral("Courier New"));
    else
        QCOMPARE(font.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    QCOMPARE(window.tabWidget()->tabText(0), QStringLiteral("Command Window"));
}

void TestMainWindow::precisionOutOfRange_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("3") << "3" << 7;
    QTest::newRow("16") << "16" << 7;
    QTest::newRow("not a number") << "x" << 7;
    QTest::newRow("15") << "15" << 15;
}

void TestMainWindow::precisionOutOfRange()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    QSettings(QStringLiteral("Velmora"), QStringLiteral("Numlyra")).setValue(QStringLiteral("prec"), stored);
    MainWindow window;
    QCOMPARE(window.formatter()->precision(), expected);
}

void TestMainWindow::missingPwdIgnored()
{
    const QString before = CurrentDirectory::path();
    QTemporaryDir gone;
    const QString path = gone.path();
    gone.remove();
    Settings::writeText(PWD_SETTING, path);
    {
        MainWindow window;
        QCOMPARE(CurrentDirectory::path(), before);
    }
    QTemporaryDir there;
    Settings::writeText(PWD_SETTING, there.path());
    {
        MainWindow window;
        QCOMPARE(QDir(CurrentDirectory::path()).canonicalPath(), QDir(there.path()).canonicalPath());
        // The interpreter's directory moved, the process's did not.
        QCOMPARE(QDir::currentPath(), QDir(before).absolutePath());
    }
    CurrentDirectory::setPath(before);
}

void TestMainWindow::runMakesConsoleBusyAndBack()
{
    MainWindow window;
    Console *console = window.console();
    console->printResults();
    QTest::keyClicks(console, QStringLiteral("x=1"));
    QTest::keyClick(console, Qt::Key_Return);
    window.processStarted();
    QCOMPARE(console->state(), Console::BUSY_STATE);
    QVERIFY(!window.tabWidget()->isEnabled());
    window.clearConsole(); // the clc deferred action
    window.processFinished();
    QCOMPARE(console->state(), Console::INPUT_STATE);
    QVERIFY(window.tabWidget()->isEnabled());
    QCOMPARE(console->history()->entries().last(), (HistoryEntry{{0, "x=1"}}));
    console->printResults();
    QCOMPARE(console->toPlainText(), QStringLiteral(">> "));
}

void TestMainWindow::closeWritesSettings()
{
    {
        MainWindow window;
        window.show();
        window.close();
    }
    QVERIFY(!Settings::readBytes(MAIN_WINDOW_GEOMETRY_SETTING).isEmpty());
    QVERIFY(!Settings::readBytes(MAIN_WINDOW_STATE_SETTING).isEmpty());
    QCOMPARE(Settings::readText(PWD_SETTING), QDir(CurrentDirectory::path()).canonicalPath());
    QVERIFY(!Settings::readText(CONSOLE_FONT_SETTING).isEmpty());
}

void TestMainWindow::historyRunPastesIntoConsole()
{
    MainWindow window;
    Console *console = window.console();
    console->printResults();
    QStringList entered;
    connect(console, &Console::inputCommand, this, [&](const QString &c) { entered << c; });
    for (const QString &line : {QStringLiteral("a=1"), QStringLiteral("b=2")}) {
        QTest::keyClicks(console, line);
        QTest::keyClick(console, Qt::Key_Return);
        window.processFinished();
        console->printResults();
    }
    entered.clear();
    HistoryTree *tree = window.historyTree();
    const QModelIndex run = tree->model()->index(tree->model()->rowCount() - 1, 0); // this run
    QCOMPARE(tree->model()->rowCount(run), 2);
    tree->selectionModel()->select(tree->model()->index(1, 0, run), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    tree->selectionModel()->select(tree->model()->index(0, 0, run), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    tree->run();
    // Lines in history order, each entered in turn; the final line feed
    // leaves an empty input once the second one is done.
    QCOMPARE(entered, QStringList{QStringLiteral("a=1")});
    window.processFinished();
    console->printResults();
    console->continuePendingLines();
    QCOMPARE(entered, (QStringList{"a=1", "b=2"}));
}

void TestMainWindow::longListingPagesAtConsoleSize()
{
    MainWindow window;
    window.resize(500, 300);
    window.show();
    Console *console = window.console();
    const int rows = console->visibleRows();
    QVERIFY(rows > 2);
    for (int i = 0; i < 3 * rows; ++i)
        OutputList::instance().appendTextLine(QStringLiteral("line %1").arg(i));
    console->printResults();
    QCOMPARE(console->state(), Console::PAGING_STATE);
    const QStringList shown = console->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(shown.size(), rows);
    QVERIFY(shown.last().startsWith(QLatin1String("Press n or q or ^C")));
    QTest::keyClick(console, Qt::Key_Space);
    QVERIFY(console->toPlainText().contains(QStringLiteral("line %1").arg(rows - 1)));
    QTest::keyClick(console, Qt::Key_Q);
    QCOMPARE(console->state(), Console::INPUT_STATE);
    QVERIFY(!console->toPlainText().contains(QStringLiteral("line %1").arg(3 * rows - 1)));
    QVERIFY(OutputList::instance().isEmpty());
}

void TestMainWindow::programDirectoryRecreatedForHistory()
{
    QDir(programDirectory()).removeRecursively();
    MainWindow window;
    QVERIFY(QFileInfo::exists(programDirectory() + QStringLiteral("history")));
}

int main(int argc, char **argv)
{
    // Settings and the program directory go to a throw-away home.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_main_window.moc"
