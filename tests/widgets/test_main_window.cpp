#include "app/current_directory.h"
#include "app/settings.h"
#include "engine/virtual_machine.h"
#include "graphs/graph.h"
#include "graphs/plot_graph.h"
#include "persistence/history.h"
#include "ui/history_tree.h"
#include "dialog_answers.h"
#include "ui/console.h"
#include "ui/file_browser_widget.h"
#include "ui/graph_widget.h"
#include "ui/main_tab_widget.h"
#include "ui/main_window.h"
#include "ui/text_edit.h"
#include "ui/variable_printer.h"
#include "ui/variable_widget.h"
#include "language/script.h"
#include "values/output_formatter.h"
#include "values/output_list.h"

#include "throwaway_home.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimer>
#include <QDialog>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QDockWidget>
#include <QPrinter>
#include <QMenuBar>
#include <QToolBar>

namespace {

QString lastBlock(const Console *console)
{
    return console->document()->lastBlock().text();
}

bool writeTextFile(const QString &path, const char *text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) >= 0;
}

QString barText(const MainWindow &window)
{
    return window.statusBar()->currentMessage();
}

// Types a line into the console, presses Return and waits until the engine
// has finished with it (pasted lines behind it included).
bool enter(MainWindow &window, const QString &line)
{
    Console *console = window.console();
    QTest::keyClicks(console, line);
    QTest::keyClick(console, Qt::Key_Return);
    return QTest::qWaitFor([&] { return !window.engine()->isRunning() && console->state() != Console::BUSY_STATE; },
                           10000);
}

// Shows the window at a fixed size and waits for the banner: the startup
// output is paged at the size the console has once it is laid out.
bool start(MainWindow &window)
{
    window.resize(900, 640);
    window.show();
    return QTest::qWaitFor([&] { return window.isStarted(); }, 10000);
}

// Stands for the desktop's handler of local files: nothing may reach it.
class OutsideOpener : public QObject {
    Q_OBJECT
public:
    int count = 0;
public slots:
    void open(const QUrl &) { ++count; }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusText_data();
    void statusText();
    void defaultConsoleFont();
    void missingPwdIgnored();
    void startupFileShownAfterBanner();
    void multilineIfThroughEngine();
    void ctrlCStopsARunningCommand();
    void closedWhileRunning();
    void deferredActions();
    void workspaceFileLoadedAfterRun();
    void viewOpensReadOnlyPage();
    void editOpensPageInside();
    void changedFileOfferedOnReturn();
    void preferencesChangePrecisionAndFont();
    void graphPagesNumberedAndRefreshed();
    void closeWritesSettings();
    void historyRunPastesIntoConsole();
    void longListingPagesAtConsoleSize();
    void programDirectoryRecreatedForHistory();
    void menus_data();
    void menus();
    void toolBarDocksAndShortcuts();
    void pagesAndRuns();
    void printVariablesToPdf();
};

void TestMainWindow::init()
{
    QSettings(QStringLiteral("Velmora"), QStringLiteral("Numlyra")).clear();
    QDir(programDirectory()).removeRecursively();
}

void TestMainWindow::cleanup()
{
    OutputList::instance().clear();
}

void TestMainWindow::statusText_data()
{
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("suspended");
    QTest::addColumn<QString>("expected");
    QTest::newRow("suspended") << true << true << "Busy  | Tee: suspened";
    QTest::newRow("tee file") << false << false << "Ready | Tee: out.txt";
}

void TestMainWindow::statusText()
{
    QFETCH(bool, busy);
    QFETCH(bool, suspended);
    QFETCH(QString, expected);

    MainWindow window;
    QVERIFY(start(window));
    window.engine()->tee(QStringLiteral("out.txt"));
    window.engine()->suspendTee(suspended);
    window.teeStateChanged();
    if (busy)
        window.processStarted();
    QCOMPARE(barText(window), expected);
    // A menu hint that goes away leaves the text in place.
    window.statusBar()->showMessage(QStringLiteral("hint"));
    window.statusBar()->clearMessage();
    QCOMPARE(barText(window), expected);
    window.processFinished();
}

// Without a stored font: "Consolas,9", else "Courier New,9", drawn with a
// fixed-width face even where neither family is installed.
void TestMainWindow::defaultConsoleFont()
{
    MainWindow window;
    QVERIFY(start(window));
    const QFont font = window.console()->font();
    QCOMPARE(font.pointSize(), 9);
    QCOMPARE(font.family(), QFontDatabase::hasFamily(QStringLiteral("Consolas")) ? QStringLiteral("Consolas")
                                                                               : QStringLiteral("Courier New"));
    QVERIFY(QFontInfo(font).fixedPitch());
}

void TestMainWindow::missingPwdIgnored()
{
    const QString before = CurrentDirectory::path();
    QTemporaryDir gone;
    const QString path = gone.path();
    gone.remove();
    Settings::writeText(PWD_SETTING, path);
    MainWindow window;
    QVERIFY(start(window));
    QCOMPARE(CurrentDirectory::path(), before);
}

void TestMainWindow::startupFileShownAfterBanner()
{
    QVERIFY(QDir().mkpath(programDirectory()));
    QFile rc(programDirectory() + QStringLiteral(".rc"));
    QVERIFY(rc.open(QIODevice::WriteOnly));
    rc.write("started = 42\n");
    rc.close();
    MainWindow window;
    QVERIFY(start(window));
    const QString text = window.console()->toPlainText();
    QVERIFY(text.startsWith(QStringLiteral("    *** Numlyra v 1.0.3 ***")));
    const qsizetype header = text.indexOf(QStringLiteral("    *** Startup file ***"));
    QVERIFY(header > 0);
    QVERIFY(text.indexOf(QStringLiteral("started")) > header);
    QCOMPARE(lastBlock(window.console()), QStringLiteral(">> "));
    QCOMPARE(window.console()->state(), Console::INPUT_STATE);
}

// The engine's statement types and results reach the console; continuation.l
// pins which lines continue a statement.
void TestMainWindow::multilineIfThroughEngine()
{
    MainWindow window;
    QVERIFY(start(window));
    Console *console = window.console();
    QVERIFY(enter(window, QStringLiteral("if (1 > 0)")));
    QCOMPARE(console->state(), Console::MULTILINE_STATE);
    QCOMPARE(lastBlock(console), QStringLiteral("if > "));
    QVERIFY(enter(window, QStringLiteral("w = 5")));
    QCOMPARE(console->state(), Console::INPUT_STATE);
    QCOMPARE(lastBlock(console), QStringLiteral(">> "));
    QVERIFY(console->toPlainText().contains(QStringLiteral(" w = ")));
    QCOMPARE(console->history()->entries().last(), (HistoryEntry{{0, "if (1 > 0)"}, {6, "w = 5"}}));
    QCOMPARE(window.tabWidget()->currentWidget(), console);
    // Up brings the statement back with its prompts.
    QTest::keyClick(console, Qt::Key_Up);
    const QStringList shown = console->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(shown.mid(shown.size() - 2), (QStringList{">> if (1 > 0)", "if > w = 5"}));
}

void TestMainWindow::ctrlCStopsARunningCommand()
{
    MainWindow window;
    QVERIFY(start(window));
    Console *console = window.console();
    QTest::keyClicks(console, QStringLiteral("while (true) {}"));
    QTest::keyClick(console, Qt::Key_Return);
    QCOMPARE(console->state(), Console::BUSY_STATE);
    QCOMPARE(barText(window), QStringLiteral("Busy  | Tee: off"));
    QVERIFY(!window.tabWidget()->tabBar()->isEnabled());
    QVERIFY(console->isEnabled());
    QTest::qWait(50);
    QVERIFY(window.engine()->isRunning());
    // The file browser waits too, and its run requests are ignored.
    QVERIFY(!window.fileBrowser()->isEnabled());
    emit window.fileBrowser()->run(QStringLiteral("script.l"));
    QVERIFY(!console->toPlainText().contains(QStringLiteral("script.l")));
    QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(console->state(), Console::INPUT_STATE, 10000);
    QVERIFY(console->toPlainText().contains(QStringLiteral("Process terminated")));
    QCOMPARE(barText(window), QStringLiteral("Ready | Tee: off"));
    QVERIFY(window.tabWidget()->tabBar()->isEnabled());
}

// Closing the window in the middle of an endless loop stops the run and
// tears everything down without waiting for the loop.
void TestMainWindow::closedWhileRunning()
{
    auto *window = new MainWindow;
    QVERIFY(start(*window));
    QTest::keyClicks(window->console(), QStringLiteral("while (true) {}"));
    QTest::keyClick(window->console(), Qt::Key_Return);
    QVERIFY(window->engine()->isRunning());
    window->close();
    delete window;
    QVERIFY(!VirtualMachine::exists());
    QVERIFY(!Settings::readBytes(MAIN_WINDOW_GEOMETRY_SETTING).isEmpty());
}

void TestMainWindow::deferredActions()
{
    MainWindow window;
    QVERIFY(start(window));
    Console *console = window.console();
    QVERIFY(enter(window, QStringLiteral("k=1")));
    QVERIFY(enter(window, QStringLiteral("clc")));
    QCOMPARE(console->toPlainText(), QStringLiteral(">> "));

    QVERIFY(enter(window, QStringLiteral("clear history")));
    // The command was recorded when it finished, before the deferred clear:
    // only the run's separator is left.
    const QList<HistoryEntry> entries = console->history()->entries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().first().first, History::SEPARATOR_TYPE);

    QVERIFY(enter(window, QStringLiteral("clear")));
    QVERIFY(enter(window, QStringLiteral("k")));
    QVERIFY(console->toPlainText().contains(QStringLiteral("k")));
    QVERIFY(!console->toPlainText().contains(QStringLiteral("k = ")));

    QVERIFY(enter(window, QStringLiteral("quit")));
    QVERIFY(!window.isVisible());
    QVERIFY(!Settings::readBytes(MAIN_WINDOW_GEOMETRY_SETTING).isEmpty());
}

void TestMainWindow::workspaceFileLoadedAfterRun()
{
    QTemporaryDir dir;
    MainWindow window;
    QVERIFY(start(window));
    const QString file = dir.filePath(QStringLiteral("w.ws"));
    QVERIFY(enter(window, QStringLiteral("kept = 17")));
    QVERIFY(enter(window, QStringLiteral("save %1").arg(file)));
    QVERIFY(QFileInfo::exists(file));
    QVERIFY(enter(window, QStringLiteral("clear")));
    QVERIFY(enter(window, QStringLiteral("load %1").arg(file)));
    window.console()->clear();
    QVERIFY(enter(window, QStringLiteral("kept")));
    QVERIFY2(window.console()->toPlainText().contains(QStringLiteral("17.")), qPrintable(window.console()->toPlainText()));
}

void TestMainWindow::viewOpensReadOnlyPage()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.txt"));
    QVERIFY(writeTextFile(path, "first line\nsecond line\n"));

    MainWindow window;
    QVERIFY(start(window));
    QTabWidget *tabs = window.tabWidget();
    for (int round = 0; round < 2; ++round) {
        window.activateConsole();
        QVERIFY(enter(window, QStringLiteral("view %1").arg(path)));
        QCOMPARE(tabs->count(), 2); // the second view finds the open page
        QCOMPARE(tabs->tabText(1), QStringLiteral("notes.txt"));
        auto *page = qobject_cast<QPlainTextEdit *>(tabs->currentWidget());
        QVERIFY(page);
        QVERIFY(page->isReadOnly());
        QCOMPARE(page->toPlainText(), QStringLiteral("first line\nsecond line\n"));
        QCOMPARE(barText(window), path);
    }
    window.tabWidget()->closePage(1);
    QCOMPARE(tabs->count(), 1);
}

// `edit` opens its page in the window: no other program, no stray file.
void TestMainWindow::editOpensPageInside()
{
    const QString before = CurrentDirectory::path();
    OutsideOpener outside;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &outside, "open");
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).canonicalPath() + QStringLiteral("/x.l");
    MainWindow window;
    QVERIFY(start(window));
    MainTabWidget *tabs = window.tabWidget();
    QVERIFY(enter(window, QStringLiteral("cd %1").arg(dir.path())));
    QVERIFY(enter(window, QStringLiteral("edit x.l")));
    QCOMPARE(tabs->count(), 2);
    auto *page = qobject_cast<TextEdit *>(tabs->currentWidget());
    QVERIFY(page);
    QCOMPARE(page->fileName(), path);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(tabs->tabText(1), QStringLiteral("x.l"));
    QTest::keyClicks(page, QStringLiteral("z = 3"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("x.l *"));
    QCOMPARE(barText(window), path);
    QTest::keyClick(page, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(tabs->tabText(1), QStringLiteral("x.l"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("z = 3"));

    window.activateConsole();
    QVERIFY(enter(window, QStringLiteral("edit")));
    QCOMPARE(tabs->count(), 3);
    QTest::keyClicks(tabs->currentWidget(), QStringLiteral("w"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("New file *"));
    QCOMPARE(barText(window), QStringLiteral("New file"));
    QCOMPARE(outside.count, 0);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    CurrentDirectory::setPath(before);
}

void TestMainWindow::changedFileOfferedOnReturn()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.l"));
    QVERIFY(writeTextFile(path, "a = 1\n"));
    MainWindow window;
    QVERIFY(start(window));
    window.edit(path);
    MainTabWidget *tabs = window.tabWidget();
    QCOMPARE(tabs->count(), 2);
    window.activateConsole();
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("a = 2\n");
    file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    file.close();
    QString question;
    answerNextMessage(QMessageBox::Yes, &question);
    tabs->setCurrentIndex(1);
    QCOMPARE(question, QStringLiteral("File \"%1\" has been changed since reading. Do you want to update it?").arg(path));
    QCOMPARE(qobject_cast<TextEdit *>(tabs->widget(1))->toPlainText(), QStringLiteral("a = 2\n"));
}

void TestMainWindow::preferencesChangePrecisionAndFont()
{
    QSettings(QStringLiteral("Velmora"), QStringLiteral("Numlyra")).setValue(QStringLiteral("prec"), 5);
    MainWindow window;
    QVERIFY(start(window));
    QCOMPARE(window.formatter()->precision(), 5);
    bool answered = false;
    // The dialog opens after the run, as a deferred action: answer it once
    // it is there.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        poll.stop();
        for (QSpinBox *box : dialog->findChildren<QSpinBox *>()) {
            if (box->maximum() == 15)
                box->setValue(9);
            else
                box->setValue(14);
        }
        static_cast<QDialog *>(dialog)->accept();
        answered = true;
    });
    poll.start(20);
    QVERIFY(enter(window, QStringLiteral("prefs")));
    QVERIFY(answered);
    QCOMPARE(window.formatter()->precision(), 9);
    QCOMPARE(Settings::precision(), 9);
    QCOMPARE(window.console()->font().pointSize(), 14);
    QVERIFY(!Settings::readBytes(PREFERENCES_GEOMETRY_SETTING).isEmpty());
    QVERIFY(enter(window, QStringLiteral("t=1/3")));
    QVERIFY(window.console()->toPlainText().contains(QStringLiteral("0.333333333")));
}

void TestMainWindow::graphPagesNumberedAndRefreshed()
{
    MainWindow window;
    QVERIFY(start(window));
    QTabWidget *tabs = window.tabWidget();
    QVERIFY(enter(window, QStringLiteral("plot([0, 1, 2], [0, 1, 4])")));
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), QStringLiteral("Graph: #1"));
    Graph *first = Graph::activeGraph();
    QVERIFY(first);
    QCOMPARE(tabs->currentWidget(), window.graphPage(first));
    QCOMPARE(barText(window), QString());

    // A changed graph is painted anew on its page.
    const QImage before = tabs->widget(1)->grab().toImage();
    window.activateConsole();
    QVERIFY(enter(window, QStringLiteral("title(\"Squares\")")));
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(first->title(), QStringLiteral("Squares"));
    QVERIFY(tabs->widget(1)->grab().toImage() != before);

    window.tabWidget()->closePage(1);
    QCOMPARE(tabs->count(), 1);
    QTRY_VERIFY(!Graph::graphList().contains(first)); // the page took its graph along
    window.tabWidget()->closePage(0); // the command window stays
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(barText(window), QStringLiteral("Ready | Tee: off"));

    // Numbers go on after a closed page, and a failed run still shows its graph.
    QVERIFY(enter(window, QStringLiteral("bar([3, 1, 2]); nosuchname")));
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), QStringLiteral("Graph: #2"));
    QVERIFY(window.console()->toPlainText().contains(QStringLiteral("nosuchname")));

    // Graphs handed over by hand take the same road.
    auto *third = new PlotGraph;
    QVERIFY(third->setXData({0, 1}) && third->setYData({1, 0}));
    window.addGraphPage(third);
    QCOMPARE(tabs->tabText(2), QStringLiteral("Graph: #3"));
    QCOMPARE(tabs->currentWidget(), window.graphPage(third));
}

void TestMainWindow::closeWritesSettings()
{
    const QString before = QDir::currentPath();
    QTemporaryDir there;
    Settings::writeText(PWD_SETTING, there.path());
    {
        MainWindow window;
        QVERIFY(start(window));
        QCOMPARE(CurrentDirectory::path(), QDir(there.path()).canonicalPath());
        // The interpreter's directory moved, the process's did not.
        QCOMPARE(QDir::currentPath(), before);
        window.close();
    }
    QVERIFY(!Settings::readBytes(MAIN_WINDOW_GEOMETRY_SETTING).isEmpty());
    QVERIFY(!Settings::readBytes(MAIN_WINDOW_STATE_SETTING).isEmpty());
    QCOMPARE(Settings::readText(PWD_SETTING), QDir(there.path()).canonicalPath());
    QVERIFY(!Settings::readText(CONSOLE_FONT_SETTING).isEmpty());
    CurrentDirectory::setPath(before);
}

void TestMainWindow::historyRunPastesIntoConsole()
{
    MainWindow window;
    QVERIFY(start(window));
    Console *console = window.console();
    QVERIFY(enter(window, QStringLiteral("a=1")));
    QVERIFY(enter(window, QStringLiteral("b=2")));
    QStringList entered;
    connect(console, &Console::inputCommand, this, [&](const QString &c) { entered << c; });
    HistoryTree *tree = window.historyTree();
    const QModelIndex run = tree->model()->index(tree->model()->rowCount() - 1, 0); // this run
    QCOMPARE(tree->model()->rowCount(run), 2);
    tree->selectionModel()->select(tree->model()->index(1, 0, run), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    tree->selectionModel()->select(tree->model()->index(0, 0, run), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    tree->run();
    // Lines in history order, each entered in turn; the final line feed
    // leaves an empty input once the second one is done.
    QCOMPARE(entered, QStringList{QStringLiteral("a=1")});
    QTRY_COMPARE_WITH_TIMEOUT(entered, (QStringList{"a=1", "b=2"}), 10000);
    QTRY_COMPARE(console->state(), Console::INPUT_STATE);
    QCOMPARE(lastBlock(console), QStringLiteral(">> "));
}

// The real pager behind the console: a listing three pages long. Ctrl+C
// and the other answers are the console's own business (test_console).
void TestMainWindow::longListingPagesAtConsoleSize()
{
    MainWindow window;
    QVERIFY(start(window));
    Console *console = window.console();
    console->clear();
    const int rows = console->visibleRows();
    QVERIFY(rows > 2);
    QVERIFY(enter(window, QStringLiteral("big = ones(%1, 1)").arg(3 * rows)));
    QCOMPARE(console->state(), Console::PAGING_STATE);
    QStringList shown = console->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(shown.size(), rows + 1); // the command line, then one page
    QVERIFY(shown.last().startsWith(QLatin1String("Press n or q or ^C")));

    // The question makes way for the next page.
    QTest::keyClick(console, Qt::Key_Space);
    QCOMPARE(console->state(), Console::PAGING_STATE);
    shown = console->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(shown.size(), 2 * rows);
    QCOMPARE(console->toPlainText().count(QStringLiteral("Press n or q")), 1);

    QTest::keyClick(console, Qt::Key_N);
    QCOMPARE(console->state(), Console::INPUT_STATE);
    shown = console->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(shown.size(), 2 * rows + 2); // a line feed and the prompt
    QCOMPARE(shown.last(), QStringLiteral(">> "));
    QVERIFY(OutputList::instance().isEmpty());
}

void TestMainWindow::programDirectoryRecreatedForHistory()
{
    MainWindow window;
    QVERIFY(start(window));
    const QString history = programDirectory() + QStringLiteral("history");
    QVERIFY(QFileInfo::exists(history));
    QVERIFY(QDir(programDirectory()).removeRecursively());
    QVERIFY(enter(window, QStringLiteral("h=1")));
    QVERIFY(QFileInfo::exists(history));
    QFile file(history);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("11;\n0;h=1\n12;\n"));
}

// Items as "text" or "text*" (with an icon), "-" for a separator.
void TestMainWindow::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("File") << "File"
                          << QStringList{"New*", "Open\tCtrl+O*", "Save\tCtrl+S*", "-", "Open Workspace*",
                                         "Save Workspace As*", "-", "Preferences", "-", "Print*", "-", "Quit"};
    QTest::newRow("Edit") << "Edit"
                          << QStringList{"Cut\tCtrl+X*", "Copy\tCtrl+C*", "Paste\tCtrl+V*", "-", "Select All", "-",
                                         "Clear Console\tCtrl+L", "Clear History", "Clear Workspace"};
    QTest::newRow("View") << "View" << QStringList{"Workspace", "File Browser", "History"};
    QTest::newRow("Help") << "Help" << QStringList{"Product Documentation\tF1*", "About"};
}

void TestMainWindow::menus()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    MainWindow window;
    QStringList titles;
    QMenu *found = nullptr;
    for (QAction *action : window.menuBar()->actions()) {
        titles << action->text();
        if (action->text() == menu)
            found = action->menu();
    }
    QCOMPARE(titles, (QStringList{"File", "Edit", "View", "Help"}));
    QVERIFY(found);
    QStringList shown;
    for (QAction *action : found->actions()) {
        if (action->isSeparator())
            shown << QStringLiteral("-");
        else
            shown << action->text() + (action->icon().isNull() ? QString() : QStringLiteral("*"));
    }
    QCOMPARE(shown, items);
    if (menu == QLatin1String("View")) {
        for (QAction *action : found->actions())
            QVERIFY(action->isCheckable());
    }
}

// The tool bar's buttons, the docks in their order, and the only two keys
// the menus bind themselves: the others are labels for keys the console and
// the pages handle.
void TestMainWindow::toolBarDocksAndShortcuts()
{
    MainWindow window;
    auto *toolBar = window.findChild<QToolBar *>(QStringLiteral("ToolBar"));
    QVERIFY(toolBar);
    QStringList buttons;
    for (QAction *action : toolBar->actions()) {
        buttons << action->iconText();
        QVERIFY2(!action->icon().isNull(), qPrintable(action->iconText()));
    }
    QCOMPARE(buttons, (QStringList{"New", "Open", "Save", "Cut", "Copy", "Paste", "Print", "Run", "Stop"}));

    QStringList docks;
    for (QDockWidget *dock : window.findChildren<QDockWidget *>(Qt::FindDirectChildrenOnly))
        docks << dock->windowTitle();
    QCOMPARE(docks, (QStringList{"Workspace", "File Browser", "History"}));

    QStringList bound;
    for (QAction *menu : window.menuBar()->actions())
        for (QAction *action : menu->menu()->actions())
            if (!action->shortcut().isEmpty())
                bound << action->shortcut().toString();
    QCOMPARE(bound, (QStringList{"Ctrl+O", "F1"}));
}

// The status bar on each kind of page, and what a running command disables:
// the docks' widgets and the tab widget, never the console.
void TestMainWindow::pagesAndRuns()
{
    MainWindow window;
    QVERIFY(start(window));
    QCOMPARE(barText(window), QStringLiteral("Ready | Tee: off"));
    window.newSlot();
    QCOMPARE(barText(window), QStringLiteral("New file"));
    window.addGraphPage(new PlotGraph);
    QCOMPARE(barText(window), QString());
    window.activateConsole();

    QWidget *guarded[] = {window.findChild<QDockWidget *>(QStringLiteral("History"))->widget(),
                          window.variableWidget(), window.fileBrowser(), window.tabWidget()->tabBar(),
                          window.tabWidget()->widget(1), window.tabWidget()->widget(2)};
    window.processStarted();
    for (QWidget *widget : guarded)
        QVERIFY(!widget->isEnabled());
    QVERIFY(window.console()->isEnabled());
    QCOMPARE(barText(window), QStringLiteral("Busy  | Tee: off"));
    window.processFinished();
    for (QWidget *widget : guarded)
        QVERIFY(widget->isEnabled());
}

// The print command's path: the variables formatted for the page of the
// printer chosen in the print dialog, here a PDF file.
void TestMainWindow::printVariablesToPdf()
{
    MainWindow window;
    QVERIFY(start(window));
    QVERIFY(enter(window, QStringLiteral("a = [1, 2, 3]; s = \"text\";")));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("vars.pdf"));
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    const VariablePrinter variables(*window.formatter(), window.engine()->interactiveScript()->symbols(),
                                    window.console()->font());
    QVERIFY(variables.pageText({"a", "s", "gone"}, 80).contains(QLatin1String("text")));
    answerNextModal([](QWidget *dialog) { static_cast<QDialog *>(dialog)->accept(); });
    QVERIFY(variables.print({"a", "s"}, printer, &window));
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(4) == "%PDF");
}

NUMLYRA_WIDGET_TEST_MAIN(TestMainWindow)

#include "test_main_window.moc"
