#include "ui/main_window.h"

#include "app/constants.h"
#include "app/current_directory.h"
#include "app/message_hook.h"
#include "app/settings.h"
#include "engine/virtual_machine.h"
#include "persistence/history.h"
#include "persistence/history_tree.h"
#include "ui/console.h"
#include "values/output_formatter.h"
#include "values/output_list.h"
#include "values/pager.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

// The console pages through the formatter's pager.
class MainWindow::PagerAdapter : public ConsolePager {
public:
    explicit PagerAdapter(Pager &pager)
        : _pager(pager)
    {
    }
    void setPageSize(int rows, int columns) override { _pager.setPageSize(rows, columns); }
    bool hasText() const override { return _pager.hasText(); }
    QString nextPage() override { return _pager.nextPage(); }
    void clear() override { _pager.clear(); }

private:
    Pager &_pager;
};

namespace {

// The stored font, else the preferred families, else whatever fixed-width
// font the machine has.
QFont startupConsoleFont()
{
    QFont font = Settings::consoleFont();
    if (Settings::readText(CONSOLE_FONT_SETTING).isEmpty() && !QFontDatabase::hasFamily(font.family())) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(9);
    }
    return font;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , _formatter(std::make_unique<OutputFormatter>(&_precisionStore))
{
    setWindowTitle(Numlyra::applicationName);
    OutputFormatter::setCurrent(_formatter.get());
    _pager = std::make_unique<Pager>(*_formatter);
    _pagerAdapter = std::make_unique<PagerAdapter>(*_pager);

    setCriticalMessageHandler([this](const QString &text) { QMessageBox::critical(this, Numlyra::applicationName, text); });
    setInformationMessageHandler(
        [this](const QString &text) { QMessageBox::information(this, Numlyra::applicationName, text); });

    // The history file lives in the program directory; without it the
    // history is kept for this run only.
    const QString directory = ensureProgramDirectory() ? programDirectory() : QString();
    _console = new Console(directory, this);
    _console->setPager(_pagerAdapter.get());
    _console->setFont(startupConsoleFont());

    _tabWidget = new QTabWidget(this);
    _tabWidget->addTab(_console, tr("Command Window"));
    setCentralWidget(_tabWidget);

    // The Workspace and File Browser docks come before this one.
    _historyTree = new HistoryTree(_console->history(), this);
    _historyDock = new QDockWidget(tr("History"), this);
    _historyDock->setObjectName(QStringLiteral("History"));
    _historyDock->setWidget(_historyTree);
    addDockWidget(Qt::RightDockWidgetArea, _historyDock);
    connect(_console->history(), &History::runSelected, _console, &Console::pasteText);

    connect(_console, &Console::inputCommand, this, &MainWindow::activateConsole);
    connect(_console, &Console::updateCopyPasteActionsState, this, &MainWindow::updateCopyPasteActionsState);
    connect(_console, &Console::switchToNextTab, this,
            [this] { _tabWidget->setCurrentIndex((_tabWidget->currentIndex() + 1) % _tabWidget->count()); });
    connect(_console, &Console::switchToPreviousTab, this, [this] {
        _tabWidget->setCurrentIndex((_tabWidget->currentIndex() + _tabWidget->count() - 1) % _tabWidget->count());
    });
    connect(_tabWidget, &QTabWidget::currentChanged, this, &MainWindow::updateStatusBarConsoleText);

    createMenus();
    restoreSettings();
    updateStatusBarConsoleText();
}

MainWindow::~MainWindow()
{
    setCriticalMessageHandler(nullptr);
    setInformationMessageHandler(nullptr);
    _console->setPager(nullptr);
}

void MainWindow::createMenus()
{
    // New, Open, Save, the workspace files and Preferences join Print and
    // Quit here with the editor and workspace pages.
    QMenu *file = menuBar()->addMenu(tr("File"));
    file->addAction(tr("Quit"), this, &MainWindow::quit);

    QMenu *edit = menuBar()->addMenu(tr("Edit"));
    _cutAction = edit->addAction(QIcon::fromTheme(QStringLiteral("edit-cut")), tr("Cut\tCtrl+X"), this, &MainWindow::cutSlot);
    _copyAction = edit->addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), tr("Copy\tCtrl+C"), this, &MainWindow::copySlot);
    _pasteAction = edit->addAction(QIcon::fromTheme(QStringLiteral("edit-paste")), tr("Paste\tCtrl+V"), this, &MainWindow::pasteSlot);
    edit->addSeparator();
    edit->addAction(tr("Select All"), this, &MainWindow::selectAllSlot);
    edit->addSeparator();
    edit->addAction(tr("Clear Console\tCtrl+L"), _console, &Console::clear);
    edit->addAction(tr("Clear History"), _historyTree, &HistoryTree::clear);

    QMenu *view = menuBar()->addMenu(tr("View"));
    _historyViewAction = view->addAction(tr("History"), this, &MainWindow::showHideDockWidget);
    _historyViewAction->setCheckable(true);
    connect(view, &QMenu::aboutToShow, this, &MainWindow::dockVisibilityChanged);

    // The tab-separated shortcut labels belong in the menu, not on the buttons.
    _cutAction->setIconText(tr("Cut"));
    _copyAction->setIconText(tr("Copy"));
    _pasteAction->setIconText(tr("Paste"));
    QToolBar *toolBar = addToolBar(tr("ToolBar"));
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->addAction(_cutAction);
    toolBar->addAction(_copyAction);
    toolBar->addAction(_pasteAction);
    _stopAction = toolBar->addAction(QIcon::fromTheme(QStringLiteral("process-stop")), tr("Stop"), _console,
                                     &Console::terminateProcess);
    _stopAction->setEnabled(false);
    updateCopyPasteActionsState();
}

QString MainWindow::consoleStatusText(bool busy, bool teeOn, bool teeSuspended, const QString &teePath)
{
    const QString state = busy ? QStringLiteral("Busy ") : QStringLiteral("Ready");
    const QString tee = VirtualMachine::teeStatusText(teeOn, teeSuspended, teePath);
    return QStringLiteral("%1 | Tee: %2").arg(state, tee);
}

void MainWindow::setTeeState(bool on, bool suspended, const QString &path)
{
    _teeOn = on;
    _teeSuspended = suspended;
    _teePath = path;
    updateStatusBarConsoleText();
}

void MainWindow::updateStatusBarConsoleText()
{
    if (_tabWidget->currentWidget() == _console)
        statusBar()->showMessage(consoleStatusText(_busy, _teeOn, _teeSuspended, _teePath));
    else
        statusBar()->clearMessage();
}

void MainWindow::processStarted()
{
    _historyDock->setEnabled(false);
    _tabWidget->setEnabled(false);
    _console->setBusy();
    _stopAction->setEnabled(true);
    _busy = true;
    updateStatusBarConsoleText();
}

void MainWindow::processFinished()
{
    _historyDock->setEnabled(true);
    _tabWidget->setEnabled(true);
    _console->setReady();
    _stopAction->setEnabled(false);
    _console->statementFinished();
    _busy = false;
    updateStatusBarConsoleText();
    _console->setFocus();
}

void MainWindow::clearConsole()
{
    _console->clearWhenFinished();
}

void MainWindow::blockHistory()
{
    _console->blockHistory();
}

void MainWindow::quitRequested()
{
    quit();
}

void MainWindow::clearHistory()
{
    _console->history()->clear();
}

// The next pasted line waits for the event loop, so that a long paste does
// not nest one command inside the end of the previous one.
void MainWindow::commandDone()
{
    QTimer::singleShot(0, _console, &Console::continuePendingLines);
}

void MainWindow::teeStateChanged()
{
    updateStatusBarConsoleText();
}

void MainWindow::criticalMessage(const QString &text)
{
    QMessageBox::critical(this, Numlyra::applicationName, text);
}

void MainWindow::quit()
{
    close();
}

void MainWindow::activateConsole()
{
    _tabWidget->setCurrentWidget(_console);
    _console->setFocus();
}

void MainWindow::updateCopyPasteActionsState()
{
    const bool consolePage = _tabWidget->currentWidget() == _console;
    const bool selection = consolePage && _console->textCursor().hasSelection();
    _copyAction->setEnabled(selection);
    _cutAction->setEnabled(selection);
    _pasteAction->setEnabled(consolePage && !QApplication::clipboard()->text().isEmpty());
}

void MainWindow::cutSlot()
{
    if (_tabWidget->currentWidget() == _console)
        _console->cut();
}

void MainWindow::copySlot()
{
    if (_tabWidget->currentWidget() == _console)
        _console->copy();
}

void MainWindow::pasteSlot()
{
    if (_tabWidget->currentWidget() == _console)
        _console->paste();
}

void MainWindow::selectAllSlot()
{
    if (_tabWidget->currentWidget() == _console)
        _console->selectAll();
}

void MainWindow::dockVisibilityChanged()
{
    _historyViewAction->setChecked(_historyDock->isVisible());
}

void MainWindow::showHideDockWidget()
{
    _historyDock->setVisible(_historyViewAction->isChecked());
}

void MainWindow::restoreSettings()
{
    const QByteArray geometry = Settings::readBytes(MAIN_WINDOW_GEOMETRY_SETTING);
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    const QByteArray state = Settings::readBytes(MAIN_WINDOW_STATE_SETTING);
    if (!state.isEmpty())
        restoreState(state);
    const QString pwd = Settings::existingDirectory(PWD_SETTING);
    if (!pwd.isEmpty())
        CurrentDirectory::setPath(pwd);
}

void MainWindow::saveSettings()
{
    Settings::writeBytes(MAIN_WINDOW_GEOMETRY_SETTING, saveGeometry());
    Settings::writeBytes(MAIN_WINDOW_STATE_SETTING, saveState());
    Settings::writeText(PWD_SETTING, QDir(CurrentDirectory::path()).canonicalPath());
    Settings::setConsoleFont(_console->font());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveSettings();
    event->accept();
}
