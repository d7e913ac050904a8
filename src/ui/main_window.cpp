#include "ui/main_window.h"

#include "app/constants.h"
#include "app/current_directory.h"
#include "app/message_hook.h"
#include "app/settings.h"
#include "engine/virtual_machine.h"
#include "graphs/graph.h"
#include "language/script.h"
#include "library/path_watcher.h"
#include "persistence/history.h"
#include "ui/history_tree.h"
#include "persistence/variable_model.h"
#include "ui/about_box.h"
#include "ui/console.h"
#include "ui/graph_widget.h"
#include "ui/preferences_dialog.h"
#include "ui/variable_printer.h"
#include "ui/icons.h"
#include "ui/variable_page.h"
#include "ui/variable_widget.h"
#include "ui/file_browser_widget.h"
#include "ui/main_tab_widget.h"
#include "ui/pager_adapter.h"
#include "ui/text_edit.h"
#include "ui/help_browser.h"
#include "values/assert.h"
#include "values/index_hash.h"
#include "values/output_formatter.h"
#include "values/output_list.h"
#include "values/pager.h"
#include "vm/interpreter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , _formatter(std::make_unique<OutputFormatter>(&_precisionStore))
{
    setWindowTitle(Numlyra::applicationName);
    setWindowIcon(Icons::get(QStringLiteral("numlyra")));
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
    _console->setFont(Settings::consoleFont());

    _vm = std::make_unique<VirtualMachine>(this);
    _workspace = std::make_unique<VariableModel>(&_vm->interactiveScript()->symbols());

    _tabWidget = new MainTabWidget(_console, this);
    setCentralWidget(_tabWidget);

    _variableWidget = new VariableWidget(_workspace.get(), this);
    _workspaceDock = new QDockWidget(tr("Workspace"), this);
    _workspaceDock->setObjectName(QStringLiteral("Workspace"));
    _workspaceDock->setWidget(_variableWidget);
    addDockWidget(Qt::RightDockWidgetArea, _workspaceDock);
    connect(_variableWidget, &VariableWidget::openRequested, this, &MainWindow::openVariablePage);
    connect(_workspace.get(), &VariableModel::modelUpdated, this, &MainWindow::refreshVariablePages);

    _fileBrowser = new FileBrowserWidget(this);
    _fileBrowserDock = new QDockWidget(tr("File Browser"), this);
    _fileBrowserDock->setObjectName(QStringLiteral("FileBrowser"));
    _fileBrowserDock->setWidget(_fileBrowser);
    addDockWidget(Qt::LeftDockWidgetArea, _fileBrowserDock);
    connect(_fileBrowser, &FileBrowserWidget::run, this, &MainWindow::run);
    connect(_fileBrowser, &FileBrowserWidget::edit, this, &MainWindow::edit);
    connect(_fileBrowser, &FileBrowserWidget::view, this, &MainWindow::view);
    connect(_fileBrowser, &FileBrowserWidget::loadCSV, this, &MainWindow::loadCSV);
    connect(_tabWidget, &MainTabWidget::loadCSV, this, &MainWindow::loadCSV);
    connect(_tabWidget, &MainTabWidget::viewTabClosed, this, &MainWindow::viewTabClosed);
    connect(_tabWidget, &MainTabWidget::editTabClosed, this, &MainWindow::editTabClosed);
    connect(_tabWidget, &MainTabWidget::run, this, &MainWindow::run);
    connect(_tabWidget, &MainTabWidget::tabSaved, this, &MainWindow::tabChanged);
    connect(_tabWidget, &MainTabWidget::graphRemoved, this, &MainWindow::graphRemoved);

    _historyTree = new HistoryTree(_console->history(), this);
    _historyDock = new QDockWidget(tr("History"), this);
    _historyDock->setObjectName(QStringLiteral("History"));
    _historyDock->setWidget(_historyTree);
    addDockWidget(Qt::RightDockWidgetArea, _historyDock);
    connect(_console->history(), &History::runSelected, _console, &Console::pasteText);

    connect(_console, &Console::inputCommand, _vm.get(), &VirtualMachine::executeCommand);
    connect(_console, &Console::inputCommand, this, &MainWindow::activateConsole);
    connect(_console, &Console::terminateProcess, _vm.get(), &VirtualMachine::terminateProcess);
    connect(_vm.get(), &VirtualMachine::processStarted, this, &MainWindow::processStarted);
    connect(_vm.get(), &VirtualMachine::processFinished, this, &MainWindow::processFinished);
    connect(_vm.get(), &VirtualMachine::printResults, _console, &Console::printResults);
    connect(_vm.get(), &VirtualMachine::startMultiline, _console, &Console::startMultiline);
    connect(_console, &Console::updateCopyPasteActionsState, this, &MainWindow::updateCopyPasteActionsState);
    // The tool bar follows the selection and the clipboard as they change.
    connect(_console, &QTextEdit::selectionChanged, this, &MainWindow::updateCopyPasteActionsState);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &MainWindow::updateCopyPasteActionsState);
    connect(_console, &Console::switchToNextTab, _tabWidget, &MainTabWidget::switchToNextTab);
    connect(_console, &Console::switchToPreviousTab, _tabWidget, &MainTabWidget::switchToPreviousTab);
    connect(_tabWidget, &QTabWidget::currentChanged, this, &MainWindow::tabChanged);
    connect(statusBar(), &QStatusBar::messageChanged, this, &MainWindow::statusBarMsgChanged);

    _graphFont = Settings::graphFont();
    createMenus();
    restoreSettings();
    updateStatusBarConsoleText();

    // Banner, startup errors and the startup file, shown as the output of a
    // first command. It waits for the event loop, so that the window has
    // been shown and laid out: the output is paged at the console's real size.
    QTimer::singleShot(0, this, [this] {
        _vm->startup();
        watcherStarted();
    });
}

MainWindow::~MainWindow()
{
    // The workspace model reads the engine's symbol table; the console must
    // not page through a formatter that is about to go.
    _workspace.reset();
    _vm.reset();
    _console->setPager(nullptr);
    setCriticalMessageHandler(nullptr);
    setInformationMessageHandler(nullptr);
}

void MainWindow::createMenus()
{
    // One row per menu entry, in menu order; a row without text is a
    // separator. Tab-separated shortcut texts are labels: the console and
    // the pages handle those keys, only `key` binds a real shortcut.
    struct ActionRow {
        const char *menu;
        const char *text;
        const char *icon;
        QKeySequence key;
        std::function<void()> slot;
        QAction **store;
    };
    QAction *open = nullptr;
    QAction *newAction = nullptr;
    VariableWidget *workspace = _variableWidget;
    const ActionRow rows[] = {
        {"File", "New", "new", {}, [this] { newSlot(); }, &newAction},
        {"File", "Open\tCtrl+O", "open", QKeySequence(Qt::CTRL | Qt::Key_O), [this] { openSlot(); }, &open},
        {"File", "Save\tCtrl+S", nullptr, {}, nullptr, nullptr},
        {"File", nullptr, nullptr, {}, nullptr, nullptr},
        {"File", "Open Workspace", "open", {}, [workspace] { workspace->loadSlot(); }, nullptr},
        {"File", "Save Workspace As", "save", {}, [workspace] { workspace->saveAllSlot(); }, nullptr},
        {"File", nullptr, nullptr, {}, nullptr, nullptr},
        {"File", "Preferences", nullptr, {}, [this] { showPreferences(); }, nullptr},
        {"File", nullptr, nullptr, {}, nullptr, nullptr},
        {"File", "Print", "printer", {}, [this] { print(); }, &_printAction},
        {"File", nullptr, nullptr, {}, nullptr, nullptr},
        {"File", "Quit", nullptr, {}, [this] { quit(); }, nullptr},
        {"Edit", "Cut\tCtrl+X", "cut", {}, [this] { cutSlot(); }, &_cutAction},
        {"Edit", "Copy\tCtrl+C", "copy", {}, [this] { copySlot(); }, &_copyAction},
        {"Edit", "Paste\tCtrl+V", "paste", {}, [this] { pasteSlot(); }, &_pasteAction},
        {"Edit", nullptr, nullptr, {}, nullptr, nullptr},
        {"Edit", "Select All", nullptr, {}, [this] { selectAllSlot(); }, nullptr},
        {"Edit", nullptr, nullptr, {}, nullptr, nullptr},
        {"Edit", "Clear Console\tCtrl+L", nullptr, {}, [this] { _console->clear(); }, nullptr},
        {"Edit", "Clear History", nullptr, {}, [this] { _historyTree->clear(); }, nullptr},
        {"Edit", "Clear Workspace", nullptr, {}, [workspace] { workspace->clearSlot(); }, nullptr},
        {"View", "Workspace", nullptr, {}, [this] { showHideDockWidget(); }, &_workspaceViewAction},
        {"View", "File Browser", nullptr, {}, [this] { showHideDockWidget(); }, &_fileBrowserViewAction},
        {"View", "History", nullptr, {}, [this] { showHideDockWidget(); }, &_historyViewAction},
        {"Help", "Product Documentation\tF1", "help", QKeySequence(Qt::Key_F1), [this] { goToHelpWebPage(); }, nullptr},
        {"Help", "About", nullptr, {}, [this] { showAbout(); }, nullptr},
    };
    QHash<QString, QMenu *> menus;
    for (const ActionRow &row : rows) {
        QMenu *&menu = menus[QLatin1String(row.menu)];
        if (!menu)
            menu = menuBar()->addMenu(tr(row.menu));
        if (!row.text) {
            menu->addSeparator();
            continue;
        }
        if (!row.slot) { // the tab widget's own Save, shared with its page menu
            menu->addAction(_tabWidget->saveAction());
            continue;
        }
        const QString text = tr(row.text);
        QAction *action = menu->addAction(text);
        if (row.icon)
            action->setIcon(Icons::get(QLatin1String(row.icon)));
        if (!row.key.isEmpty())
            action->setShortcut(row.key);
        // Tool bar buttons show the text without the shortcut label.
        action->setIconText(text.section(QLatin1Char('\t'), 0, 0));
        connect(action, &QAction::triggered, this, row.slot);
        if (row.store)
            *row.store = action;
    }
    for (QAction *dockItem : {_workspaceViewAction, _fileBrowserViewAction, _historyViewAction})
        dockItem->setCheckable(true);
    connect(menus.value(QStringLiteral("View")), &QMenu::aboutToShow, this, &MainWindow::dockVisibilityChanged);

    QToolBar *toolBar = addToolBar(tr("ToolBar"));
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    for (QAction *action : {newAction, open, _tabWidget->saveAction(), _cutAction, _copyAction, _pasteAction, _printAction})
        toolBar->addAction(action);
    // Run follows the tab widget's Run, which knows the current page.
    QAction *runAction = toolBar->addAction(Icons::get(QStringLiteral("run")), tr("Run"), this, &MainWindow::runCurrent);
    runAction->setEnabled(_tabWidget->runAction()->isEnabled());
    connect(_tabWidget->runAction(), &QAction::enabledChanged, runAction, &QAction::setEnabled);
    _stopAction = toolBar->addAction(Icons::get(QStringLiteral("stop")), tr("Stop"), _vm.get(),
                                     &VirtualMachine::terminateProcess);
    _stopAction->setEnabled(false);
    updateCopyPasteActionsState();
}

// ---------------------------------------------------------------------------
// Status bar, start and end of a command

QString MainWindow::consoleStatusText(bool busy, bool teeOn, bool teeSuspended, const QString &teePath)
{
    const QString state = busy ? QStringLiteral("Busy ") : QStringLiteral("Ready");
    const QString tee = VirtualMachine::teeStatusText(teeOn, teeSuspended, teePath);
    return QStringLiteral("%1 | Tee: %2").arg(state, tee);
}

void MainWindow::updateStatusBarConsoleText()
{
    QWidget *page = _tabWidget->currentWidget();
    if (page == _console)
        statusBar()->showMessage(consoleStatusText(_busy, _vm->teeOn(), _vm->teeSuspended(), _vm->teePath()));
    else if (const auto *editor = qobject_cast<const TextEdit *>(page))
        statusBar()->showMessage(editor->fileName().isEmpty() ? tr("New file") : editor->fileName());
    else
        updateStatusBarGraphText();
}

// Graph pages and the other pages without a file show nothing.
void MainWindow::updateStatusBarGraphText()
{
    statusBar()->clearMessage();
}

// Menu hints and tool tips replace the message for a moment; when they
// clear it, the page's own text comes back.
void MainWindow::statusBarMsgChanged(const QString &message)
{
    QWidget *page = _tabWidget->currentWidget();
    if (message.isEmpty() && (page == _console || qobject_cast<TextEdit *>(page)))
        updateStatusBarConsoleText();
}

// The console itself stays enabled during a run so that Ctrl+C reaches it;
// the tab bar and the other pages are what the run must not race with.
void MainWindow::setViewsEnabled(bool enabled)
{
    _historyDock->setEnabled(enabled);
    _variableWidget->setEnabled(enabled);
    _fileBrowser->setEnabled(enabled);
    _tabWidget->setTabsEnabled(enabled);
}

void MainWindow::processStarted()
{
    setViewsEnabled(false);
    _console->setBusy();
    _stopAction->setEnabled(true);
    updateCopyPasteActionsState();
    _busy = true;
    updateStatusBarConsoleText();
}

void MainWindow::processFinished()
{
    setViewsEnabled(true);
    _console->setReady();
    _stopAction->setEnabled(false);
    updateCopyPasteActionsState();
    _console->statementFinished();
    _busy = false;
    if (_searchPathStale) {
        _searchPathStale = false;
        PathWatcher::instance().loadSearchPath(_vm->interpreter());
    }
    updateStatusBarConsoleText();
}

void MainWindow::teeStateChanged()
{
    updateStatusBarConsoleText();
}

// A page's file changed behind its back is offered again.
void MainWindow::tabChanged(int index)
{
    _tabWidget->offerReload(index);
    updateStatusBarConsoleText();
    updateCopyPasteActionsState();
}

void MainWindow::setModified()
{
    _tabWidget->refreshTitle(qobject_cast<QWidget *>(sender()));
}

void MainWindow::viewTabClosed(const QString &)
{
    updateStatusBarConsoleText();
}

void MainWindow::editTabClosed(const QString &)
{
    updateStatusBarConsoleText();
}

void MainWindow::runCurrent()
{
    _tabWidget->runSlot();
}

// ---------------------------------------------------------------------------
// Deferred actions and the other requests of a finished command

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

void MainWindow::clearWorkspace()
{
    _workspace->clear();
}

// `clear history` has asked already: no question here.
void MainWindow::clearHistory()
{
    _console->history()->clear();
}

void MainWindow::loadWorkspace(const QString &path, bool merge)
{
    if (merge)
        _variableWidget->mergeWorkspace(path);
    else
        _variableWidget->loadWorkspace(path);
}

void MainWindow::loadCSV(const QString &path)
{
    _variableWidget->loadCSV(path);
}

// The next pasted line waits for the event loop, so that a long paste does
// not nest one command inside the end of the previous one.
void MainWindow::commandDone()
{
    QTimer::singleShot(0, _console, &Console::continuePendingLines);
}

void MainWindow::openPreferences()
{
    showPreferences();
}

void MainWindow::choosePrinter()
{
    QPrintDialog dialog(&_printer, this);
    dialog.setWindowTitle(tr("Printer"));
    dialog.exec();
}

bool MainWindow::rescanSearchPath()
{
    OutputList &output = OutputList::instance();
    const int before = output.count();
    PathWatcher::instance().scan(_vm->interpreter());
    // Output still waiting behind a paging question takes the news along.
    return output.count() > before && _console->state() != Console::PAGING_STATE;
}

void MainWindow::criticalMessage(const QString &text)
{
    QMessageBox::critical(this, Numlyra::applicationName, text);
}

void MainWindow::updateWorkspace(const std::vector<int> &updated, const std::vector<int> &removed)
{
    _workspace->updateItems(updated, removed);
}

void MainWindow::openVariablePage(int slot)
{
    const IndexHash &symbols = _vm->interactiveScript()->symbols();
    if (!_workspace->isPresent(slot))
        return;
    const QString name = symbols.name(slot);
    for (int i = 0; i < _tabWidget->count(); ++i) {
        auto *page = qobject_cast<VariablePage *>(_tabWidget->widget(i));
        if (page && page->name() == name) {
            _tabWidget->setCurrentIndex(i);
            return;
        }
    }
    auto *page = new VariablePage(&symbols, name, this);
    _tabWidget->setCurrentIndex(_tabWidget->addTab(page, name));
    page->view()->setFocus();
}

// Pages follow their variables; a page whose variable is gone closes.
void MainWindow::refreshVariablePages()
{
    for (int i = _tabWidget->count() - 1; i >= 0; --i) {
        auto *page = qobject_cast<VariablePage *>(_tabWidget->widget(i));
        if (page && !page->refresh()) {
            _tabWidget->removeTab(i);
            delete page;
        }
    }
}

void MainWindow::openEditor(const QString &path, bool readOnly)
{
    if (readOnly)
        view(path);
    else
        edit(path);
}

void MainWindow::edit(const QString &path)
{
    openPage(path, false);
}

void MainWindow::view(const QString &path)
{
    openPage(path, true);
}

void MainWindow::newSlot()
{
    openPage(QString(), false);
}

void MainWindow::openSlot()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Open File"), CurrentDirectory::path(),
                                                      tr("Scripts (%1);;All Files (*)").arg(Numlyra::scriptFilter));
    if (!path.isEmpty())
        edit(path);
}

// A page already open for the file in that mode is shown again; an empty
// path is a new page.
void MainWindow::openPage(const QString &path, bool readOnly)
{
    if (TextEdit *open = _tabWidget->findPage(path, readOnly)) {
        if (_tabWidget->currentWidget() == open)
            _tabWidget->offerReload(_tabWidget->currentIndex());
        else
            _tabWidget->setCurrentWidget(open);
        open->setFocus();
        return;
    }
    auto *page = new TextEdit(readOnly, _tabWidget);
    page->setEditorFont(_console->font());
    if (!path.isEmpty() && !page->openFile(path)) {
        delete page;
        return;
    }
    if (!readOnly)
        connect(page, &QPlainTextEdit::modificationChanged, this, &MainWindow::setModified);
    connect(page, &QPlainTextEdit::selectionChanged, this, &MainWindow::updateCopyPasteActionsState);
    _tabWidget->addEditorPage(page);
}

void MainWindow::run(const QString &path)
{
    if (_busy)
        return;
    activateConsole();
    _console->pasteText(QStringLiteral("run \"%1\";\n").arg(path));
}

void MainWindow::printVariables(const QStringList &names)
{
    VariablePrinter(*_formatter, _vm->interactiveScript()->symbols(), _console->font()).print(names, _printer, this);
}

// ---------------------------------------------------------------------------
// Graph pages

void MainWindow::addGraphPage(Graph *graph)
{
    auto *page = new GraphWidget(graph, _graphFont, this);
    connect(page, &GraphWidget::fontChanged, this, &MainWindow::graphWidgetFontChanged);
    // The tab keeps its number; the graph's title shows as its tool tip.
    connect(page, &QWidget::windowTitleChanged, this,
            [this, page](const QString &title) { _tabWidget->setTabToolTip(_tabWidget->indexOf(page), title); });
    const int index = _tabWidget->addTab(page, tr("Graph: #%1").arg(_graphCounter++));
    _tabWidget->setTabToolTip(index, page->windowTitle());
    _tabWidget->setCurrentIndex(index);
    page->setFocus();
    page->update();
    _graphHash.insert(graph, page);
}

void MainWindow::refreshGraphPage(Graph *graph)
{
    if (GraphWidget *page = _graphHash.value(graph))
        page->refresh();
}

void MainWindow::graphWidgetFontChanged(const QFont &font)
{
    _graphFont = font;
    Settings::setGraphFont(font);
    for (GraphWidget *page : std::as_const(_graphHash))
        page->setGraphFont(font);
}

void MainWindow::graphRemoved(Graph *graph)
{
    NUMLYRA_ASSERT(_graphHash.contains(graph));
    _graphHash.remove(graph);
}

// ---------------------------------------------------------------------------
// Preferences

void MainWindow::showPreferences()
{
    PreferencesDialog dialog(_formatter->precision(), _console->font(), this);
    const QByteArray geometry = Settings::readBytes(PREFERENCES_GEOMETRY_SETTING);
    if (!geometry.isEmpty())
        dialog.restoreGeometry(geometry);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    Settings::writeBytes(PREFERENCES_GEOMETRY_SETTING, dialog.saveGeometry());
    if (!accepted)
        return;
    _formatter->setPrecision(dialog.precision());
    applyEditorFont(dialog.consoleFont());
    if (dialog.isPathSaved())
        reloadSearchPath();
    // The paging question makes way for the rest of the output, laid out
    // with the new font and precision.
    if (_console->state() == Console::PAGING_STATE) {
        QTextCursor question(_console->document()->lastBlock());
        question.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        question.removeSelectedText();
        _console->printResults();
    }
}

// The command window's font is also the font of every page showing text.
void MainWindow::applyEditorFont(const QFont &font)
{
    _console->setFont(font);
    for (int i = 0; i < _tabWidget->count(); ++i) {
        if (auto *page = qobject_cast<TextEdit *>(_tabWidget->widget(i)))
            page->setEditorFont(_console->font());
    }
}

// The registry must not change under a running command: during a run the
// reload waits for its end, and the engine prints what it reports.
void MainWindow::reloadSearchPath()
{
    if (_busy) {
        _searchPathStale = true;
        return;
    }
    OutputList &output = OutputList::instance();
    const int before = output.count();
    PathWatcher::instance().loadSearchPath(_vm->interpreter());
    if (output.count() > before && _console->state() == Console::INPUT_STATE)
        _console->printResults();
}

// ---------------------------------------------------------------------------
// Window, menus and settings

void MainWindow::watcherStarted()
{
    _started = true;
}

void MainWindow::print()
{
    QWidget *page = _tabWidget->currentWidget();
    if (auto *graph = qobject_cast<GraphWidget *>(page)) {
        graph->printSlot();
        return;
    }
    auto *text = page == _console ? static_cast<QTextEdit *>(_console) : nullptr;
    auto *editor = qobject_cast<TextEdit *>(page);
    if (!text && !editor)
        return;
    QPrintDialog dialog(&_printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (editor)
        editor->print(&_printer);
    else
        text->print(&_printer);
}

int MainWindow::tee_rc()
{
    return Settings::teeRowCount();
}

void MainWindow::set_tee_rc(int rows)
{
    Settings::setTeeRowCount(rows);
}

int MainWindow::tee_cc()
{
    return Settings::teeColumnCount();
}

void MainWindow::set_tee_cc(int columns)
{
    Settings::setTeeColumnCount(columns);
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
    QWidget *page = _tabWidget->currentWidget();
    bool selection = false;
    bool editable = false;
    if (page == _console) {
        selection = _console->textCursor().hasSelection();
        editable = !_busy;
    } else if (auto *editor = qobject_cast<TextEdit *>(page)) {
        selection = editor->textCursor().hasSelection();
        editable = !editor->isViewer();
    }
    _copyAction->setEnabled(selection);
    _cutAction->setEnabled(selection && editable);
    _pasteAction->setEnabled(editable && !QApplication::clipboard()->text().isEmpty());
    _printAction->setEnabled(page == _console || qobject_cast<TextEdit *>(page) || qobject_cast<GraphWidget *>(page));
}

void MainWindow::cutSlot()
{
    QWidget *page = _tabWidget->currentWidget();
    if (page == _console)
        _console->cut();
    else if (auto *editor = qobject_cast<TextEdit *>(page); editor && !editor->isViewer())
        editor->cut();
}

void MainWindow::copySlot()
{
    QWidget *page = _tabWidget->currentWidget();
    if (page == _console)
        _console->copy();
    else if (auto *editor = qobject_cast<TextEdit *>(page))
        editor->copy();
}

void MainWindow::pasteSlot()
{
    QWidget *page = _tabWidget->currentWidget();
    if (page == _console)
        _console->paste();
    else if (auto *editor = qobject_cast<TextEdit *>(page); editor && !editor->isViewer())
        editor->paste();
}

void MainWindow::selectAllSlot()
{
    QWidget *page = _tabWidget->currentWidget();
    if (page == _console)
        _console->selectAll();
    else if (auto *editor = qobject_cast<TextEdit *>(page))
        editor->selectAll();
}

void MainWindow::dockVisibilityChanged()
{
    _workspaceViewAction->setChecked(_workspaceDock->isVisible());
    _fileBrowserViewAction->setChecked(_fileBrowserDock->isVisible());
    _historyViewAction->setChecked(_historyDock->isVisible());
}

void MainWindow::showHideDockWidget()
{
    _workspaceDock->setVisible(_workspaceViewAction->isChecked());
    _fileBrowserDock->setVisible(_fileBrowserViewAction->isChecked());
    _historyDock->setVisible(_historyViewAction->isChecked());
}

void MainWindow::restoreSettings()
{
    const QByteArray geometry = Settings::readBytes(MAIN_WINDOW_GEOMETRY_SETTING);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if ((geometry.isEmpty() || !restoreGeometry(geometry)) && screen) {
        // The first window fits the screen whatever its scale factor.
        const QRect available = screen->availableGeometry();
        const QSize size = QSize(1000, 700).boundedTo(available.size() * 9 / 10);
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
    }
    const QByteArray state = Settings::readBytes(MAIN_WINDOW_STATE_SETTING);
    if (!state.isEmpty())
        restoreState(state);
    else // the command window keeps most of the width at first
        resizeDocks({_fileBrowserDock, _workspaceDock}, {width() / 5, width() / 4}, Qt::Horizontal);
    _variableWidget->restoreGeometry();
    const QString pwd = Settings::existingDirectory(PWD_SETTING);
    if (!pwd.isEmpty())
        CurrentDirectory::setPath(QDir(pwd).canonicalPath());
    _fileBrowser->restoreSettings();
}

void MainWindow::saveSettings()
{
    Settings::writeBytes(MAIN_WINDOW_GEOMETRY_SETTING, saveGeometry());
    Settings::writeBytes(MAIN_WINDOW_STATE_SETTING, saveState());
    Settings::writeText(PWD_SETTING, QDir(CurrentDirectory::path()).canonicalPath());
    Settings::setConsoleFont(_console->font());
    _variableWidget->saveGeometry();
    _fileBrowser->saveSettings();
}

void MainWindow::showAbout()
{
    AboutBox::show(this);
}

void MainWindow::goToHelpWebPage()
{
    HelpBrowser::openManual();
}

// The run is stopped after its current instruction and its end handled as
// usual (results, tee file), so that the window never goes with a run
// half-way through writing a file; pasted lines behind it are not started.
void MainWindow::stopRunAndWait()
{
    _console->dropPendingLines();
    if (!_vm->isRunning())
        return;
    QEventLoop loop;
    connect(_vm.get(), &VirtualMachine::processFinished, &loop, &QEventLoop::quit);
    // The stop request holds from submission on, also before the worker
    // has begun the run.
    _vm->terminateProcess();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    stopRunAndWait();
    saveSettings();
    event->accept();
}
