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
#include "ui/graph_page.h"
#include "ui/help_browser.h"
#include "ui/icons.h"
#include "values/assert.h"
#include "values/output_formatter.h"
#include "values/output_list.h"
#include "values/pager.h"
#include "vm/interpreter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

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

const char *const kFileNameProperty = "file_name";
const char *const kReadOnlyProperty = "read_only";
const char *const kLastModifiedProperty = "last_modified";

// A merge conflict asked of the user: keep the file's value, keep the
// workspace's, take the file's under a new name, or stop the merge.
class AskingResolver : public ConflictResolver {
public:
    AskingResolver(QWidget *parent, VariableModel &model)
        : _parent(parent)
        , _model(model)
    {
    }

    ConflictState resolve(const QString &name, const Variable &, const Variable &, QString &newName) override
    {
        QMessageBox box(QMessageBox::Question, Numlyra::applicationName,
                        QObject::tr("The workspace already has a variable \"%1\".").arg(name), QMessageBox::NoButton,
                        _parent);
        QPushButton *replace = box.addButton(QObject::tr("Replace"), QMessageBox::AcceptRole);
        QPushButton *ignore = box.addButton(QObject::tr("Ignore"), QMessageBox::RejectRole);
        QPushButton *rename = box.addButton(QObject::tr("Rename"), QMessageBox::ActionRole);
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(replace);
        box.exec();
        if (box.clickedButton() == replace)
            return CONFLICT_STATE_REPLACE;
        if (box.clickedButton() == ignore)
            return CONFLICT_STATE_IGNORE;
        if (box.clickedButton() != rename)
            return CONFLICT_STATE_CANCEL;
        QString candidate = name;
        for (;;) {
            bool ok = false;
            candidate = QInputDialog::getText(_parent, Numlyra::applicationName, QObject::tr("New name:"),
                                              QLineEdit::Normal, candidate, &ok);
            if (!ok)
                return CONFLICT_STATE_CANCEL;
            const QString problem = _model.checkNewName(candidate);
            if (problem.isEmpty())
                break;
            QMessageBox::critical(_parent, Numlyra::applicationName, problem);
        }
        _model.reserveName(candidate);
        newName = candidate;
        return CONFLICT_STATE_RENAME;
    }

private:
    QWidget *_parent;
    VariableModel &_model;
};

// The command window's font and the number of significant digits, the two
// settings a session changes most.
class DisplayPreferences : public QDialog {
public:
    DisplayPreferences(const QFont &font, int precision, QWidget *parent)
        : QDialog(parent)
    {
        setWindowTitle(tr("Preferences"));
        _family = new QFontComboBox(this);
        _family->setFontFilters(QFontComboBox::MonospacedFonts);
        _family->setCurrentFont(font);
        _size = new QSpinBox(this);
        _size->setRange(6, 72);
        _size->setValue(font.pointSize() > 0 ? font.pointSize() : 9);
        _precision = new QSpinBox(this);
        _precision->setRange(OutputFormatter::MINIMUM_PRECISION, OutputFormatter::MAXIMUM_PRECISION);
        _precision->setValue(precision);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto *layout = new QFormLayout(this);
        layout->addRow(tr("Command Window &Font"), _family);
        layout->addRow(tr("Font &size"), _size);
        layout->addRow(tr("Significant &digits"), _precision);
        layout->addRow(buttons);
    }

    QFont chosenFont() const
    {
        QFont font = _family->currentFont();
        font.setPointSize(_size->value());
        return font;
    }
    int chosenPrecision() const { return _precision->value(); }

private:
    QFontComboBox *_family;
    QSpinBox *_size;
    QSpinBox *_precision;
};

bool readTextFile(const QString &path, QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    text = QString::fromLocal8Bit(file.readAll());
    return true;
}

} // namespace

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

    _tabWidget = new QTabWidget(this);
    _tabWidget->setTabsClosable(true);
    _tabWidget->setDocumentMode(true);
    _tabWidget->addTab(_console, tr("Command Window"));
    // The command window is the one page that cannot be closed.
    _tabWidget->tabBar()->setTabButton(0, QTabBar::RightSide, nullptr);
    _tabWidget->tabBar()->setTabButton(0, QTabBar::LeftSide, nullptr);
    setCentralWidget(_tabWidget);

    // The Workspace and File Browser docks come before this one.
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
    connect(_console, &Console::switchToNextTab, this,
            [this] { _tabWidget->setCurrentIndex((_tabWidget->currentIndex() + 1) % _tabWidget->count()); });
    connect(_console, &Console::switchToPreviousTab, this, [this] {
        _tabWidget->setCurrentIndex((_tabWidget->currentIndex() + _tabWidget->count() - 1) % _tabWidget->count());
    });
    connect(_tabWidget, &QTabWidget::currentChanged, this, &MainWindow::tabChanged);
    connect(statusBar(), &QStatusBar::messageChanged, this, &MainWindow::statusBarMsgChanged);
    connect(_tabWidget, &QTabWidget::tabCloseRequested, this, &MainWindow::closePage);

    _graphFont = Settings::graphFont();
    createMenus();
    restoreSettings();
    updateStatusBarConsoleText();

    // Banner, startup errors and the startup file, shown as the output of a
    // first command. It waits for the event loop, so that the window has
    // been shown and laid out: the output is paged at the console's real size.
    QTimer::singleShot(0, this, [this] {
        _vm->startup();
        _started = true;
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
    // New, Open, Save, the workspace files and Print join these with the
    // editor and workspace pages.
    QMenu *file = menuBar()->addMenu(tr("File"));
    file->addAction(tr("Preferences"), this, &MainWindow::showPreferences);
    file->addSeparator();
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

    QMenu *help = menuBar()->addMenu(tr("Help"));
    help->addAction(Icons::get(QStringLiteral("help")), tr("Product Documentation\tF1"), QKeySequence(Qt::Key_F1), this,
                    &MainWindow::goToHelpWebPage);
    help->addAction(tr("About"), this, &MainWindow::showAbout);

    // The tab-separated shortcut labels belong in the menu, not on the buttons.
    _cutAction->setIconText(tr("Cut"));
    _copyAction->setIconText(tr("Copy"));
    _pasteAction->setIconText(tr("Paste"));
    QToolBar *toolBar = addToolBar(tr("ToolBar"));
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->addAction(_cutAction);
    toolBar->addAction(_copyAction);
    toolBar->addAction(_pasteAction);
    _stopAction = toolBar->addAction(QIcon::fromTheme(QStringLiteral("process-stop")), tr("Stop"), _vm.get(),
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
    else if (page && page->property(kFileNameProperty).isValid())
        statusBar()->showMessage(page->property(kFileNameProperty).toString());
    else
        statusBar()->clearMessage();
}

// Menu hints and tool tips replace the message for a moment; when they
// clear it, the page's own text comes back.
void MainWindow::statusBarMsgChanged(const QString &message)
{
    QWidget *page = _tabWidget->currentWidget();
    if (message.isEmpty() && (page == _console || (page && page->property(kFileNameProperty).isValid())))
        updateStatusBarConsoleText();
}

// The console itself stays enabled during a run so that Ctrl+C reaches it;
// the tab bar and the other pages are what the run must not race with.
void MainWindow::setViewsEnabled(bool enabled)
{
    _historyDock->setEnabled(enabled);
    _tabWidget->tabBar()->setEnabled(enabled);
    for (int i = 0; i < _tabWidget->count(); ++i)
        if (_tabWidget->widget(i) != _console)
            _tabWidget->widget(i)->setEnabled(enabled);
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
    updateStatusBarConsoleText();
}

void MainWindow::teeStateChanged()
{
    updateStatusBarConsoleText();
}

void MainWindow::tabChanged(int index)
{
    QWidget *page = _tabWidget->widget(index);
    auto *viewer = qobject_cast<QPlainTextEdit *>(page);
    if (viewer) {
        // A file changed behind the page's back is offered again.
        const QString path = viewer->property(kFileNameProperty).toString();
        const QDateTime read = viewer->property(kLastModifiedProperty).toDateTime();
        const QFileInfo info(path);
        if (info.exists() && info.lastModified() > read) {
            viewer->setProperty(kLastModifiedProperty, info.lastModified());
            const auto answer = QMessageBox::question(
                this, Numlyra::applicationName,
                tr("File \"%1\" has been changed since reading. Do you want to update it?").arg(path),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
            if (answer == QMessageBox::Yes) {
                QString text;
                if (readTextFile(path, text))
                    viewer->setPlainText(text);
                else
                    criticalMessage(tr("Can't open file \"%1\".").arg(path));
            }
        }
    }
    updateStatusBarConsoleText();
    updateCopyPasteActionsState();
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
    if (!merge) {
        _workspace->loadWorkspace(path);
        return;
    }
    AskingResolver resolver(this, *_workspace);
    _workspace->mergeWorkspace(path, resolver);
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

// The workspace view listens to the model; until it exists nobody else does.
void MainWindow::updateWorkspace(const std::vector<int> &updated, const std::vector<int> &removed)
{
    for (int id : updated)
        emit _workspace->itemUpdated(id);
    for (int id : removed)
        emit _workspace->itemUpdated(id);
}

void MainWindow::openEditor(const QString &path, bool readOnly)
{
    if (readOnly)
        view(path);
    else
        edit(path);
}

// Scripts are edited in the desktop's own editor for the file type; a name
// that does not exist yet is created empty so that the editor can open it.
void MainWindow::edit(const QString &path)
{
    QString target = path;
    if (target.isEmpty()) {
        target = QFileDialog::getSaveFileName(this, tr("New file"), CurrentDirectory::path(),
                                              tr("Scripts (%1)").arg(Numlyra::scriptFilter));
        if (target.isEmpty())
            return;
    }
    if (!QFileInfo::exists(target)) {
        QFile file(target);
        if (!file.open(QIODevice::WriteOnly)) {
            criticalMessage(tr("Can't open file \"%1\".").arg(target));
            return;
        }
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(target)))
        criticalMessage(tr("Can't open file \"%1\".").arg(target));
}

QWidget *MainWindow::viewerPage(const QString &path) const
{
    for (int i = 0; i < _tabWidget->count(); ++i) {
        QWidget *page = _tabWidget->widget(i);
        if (page->property(kReadOnlyProperty).toBool() && page->property(kFileNameProperty).toString() == path)
            return page;
    }
    return nullptr;
}

void MainWindow::view(const QString &path)
{
    if (QWidget *open = viewerPage(path)) {
        _tabWidget->setCurrentWidget(open);
        return;
    }
    QString text;
    if (!readTextFile(path, text)) {
        criticalMessage(tr("Can't open file \"%1\".").arg(path));
        return;
    }
    auto *viewer = new QPlainTextEdit(this);
    viewer->setReadOnly(true);
    viewer->setLineWrapMode(QPlainTextEdit::NoWrap);
    viewer->setFont(_console->font());
    viewer->setTabStopDistance(_console->tabStopDistance());
    viewer->setPlainText(text);
    viewer->setProperty(kFileNameProperty, path);
    viewer->setProperty(kReadOnlyProperty, true);
    viewer->setProperty(kLastModifiedProperty, QFileInfo(path).lastModified());
    connect(viewer, &QPlainTextEdit::selectionChanged, this, &MainWindow::updateCopyPasteActionsState);
    const int index = _tabWidget->addTab(viewer, QFileInfo(path).fileName());
    _tabWidget->setTabToolTip(index, path);
    _tabWidget->setCurrentIndex(index);
}

void MainWindow::run(const QString &path)
{
    if (_busy)
        return;
    activateConsole();
    _console->pasteText(QStringLiteral("run \"%1\";\n").arg(path));
}

// Printed with the console's font, as many rows and columns as the page
// takes; the text is what the command window would show, without paging.
void MainWindow::printVariables(const QStringList &names)
{
    if (names.isEmpty())
        return;
    QPrintDialog dialog(&_printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QRect page = _printer.pageLayout().paintRectPixels(_printer.resolution());
    const QFontMetrics metrics(_console->font(), &_printer);
    const int columns = page.width() / std::max(1, metrics.averageCharWidth());
    OutputList list;
    const IndexHash &symbols = _vm->interactiveScript()->symbols();
    for (const QString &name : names) {
        const int position = symbols.indexOf(name);
        if (position >= 0 && !symbols.at(position).isAbsent())
            list.appendVariable(name, symbols.at(position));
    }
    QTextDocument document;
    document.setDefaultFont(_console->font());
    document.setPlainText(_formatter->renderAll(list, columns));
    document.print(&_printer);
}

// ---------------------------------------------------------------------------
// Graph pages

void MainWindow::addGraphPage(Graph *graph)
{
    auto *page = new GraphPage(graph, _graphFont, this);
    const int index = _tabWidget->addTab(page, tr("Graph: #%1").arg(_graphCounter++));
    _tabWidget->setCurrentIndex(index);
    page->setFocus();
    page->update();
    _graphHash.insert(graph, page);
}

void MainWindow::refreshGraphPage(Graph *graph)
{
    if (GraphPage *page = _graphHash.value(graph))
        page->update();
}

void MainWindow::graphWidgetFontChanged(const QFont &font)
{
    _graphFont = font;
    Settings::setGraphFont(font);
    for (GraphPage *page : std::as_const(_graphHash))
        page->setGraphFont(font);
}

void MainWindow::graphRemoved(Graph *graph)
{
    NUMLYRA_ASSERT(_graphHash.contains(graph));
    _graphHash.remove(graph);
}

void MainWindow::closePage(int index)
{
    QWidget *page = _tabWidget->widget(index);
    if (!page || page == _console || _busy)
        return;
    if (auto *graphPage = qobject_cast<GraphPage *>(page))
        graphRemoved(graphPage->graph());
    _tabWidget->removeTab(index);
    delete page;
}

// ---------------------------------------------------------------------------
// Preferences

void MainWindow::showPreferences()
{
    DisplayPreferences dialog(_console->font(), _formatter->precision(), this);
    const QByteArray geometry = Settings::readBytes(PREFERENCES_GEOMETRY_SETTING);
    if (!geometry.isEmpty())
        dialog.restoreGeometry(geometry);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    Settings::writeBytes(PREFERENCES_GEOMETRY_SETTING, dialog.saveGeometry());
    if (!accepted)
        return;
    _formatter->setPrecision(dialog.chosenPrecision());
    _console->setFont(dialog.chosenFont());
    for (int i = 0; i < _tabWidget->count(); ++i) {
        if (auto *viewer = qobject_cast<QPlainTextEdit *>(_tabWidget->widget(i))) {
            viewer->setFont(_console->font());
            viewer->setTabStopDistance(_console->tabStopDistance());
        }
    }
    // Output still waiting behind the paging question is laid out anew.
    if (_console->state() == Console::PAGING_STATE)
        _console->printResults();
}

// ---------------------------------------------------------------------------
// Window, menus and settings

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
    } else if (auto *viewer = qobject_cast<QPlainTextEdit *>(page)) {
        selection = viewer->textCursor().hasSelection();
    }
    _copyAction->setEnabled(selection);
    _cutAction->setEnabled(selection && editable);
    _pasteAction->setEnabled(editable && !QApplication::clipboard()->text().isEmpty());
}

void MainWindow::cutSlot()
{
    if (_tabWidget->currentWidget() == _console)
        _console->cut();
}

void MainWindow::copySlot()
{
    QWidget *page = _tabWidget->currentWidget();
    if (page == _console)
        _console->copy();
    else if (auto *viewer = qobject_cast<QPlainTextEdit *>(page))
        viewer->copy();
}

void MainWindow::pasteSlot()
{
    if (_tabWidget->currentWidget() == _console)
        _console->paste();
}

void MainWindow::selectAllSlot()
{
    QWidget *page = _tabWidget->currentWidget();
    if (page == _console)
        _console->selectAll();
    else if (auto *viewer = qobject_cast<QPlainTextEdit *>(page))
        viewer->selectAll();
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
    const QString pwd = Settings::existingDirectory(PWD_SETTING);
    if (!pwd.isEmpty())
        CurrentDirectory::setPath(QDir(pwd).canonicalPath());
}

void MainWindow::saveSettings()
{
    Settings::writeBytes(MAIN_WINDOW_GEOMETRY_SETTING, saveGeometry());
    Settings::writeBytes(MAIN_WINDOW_STATE_SETTING, saveState());
    Settings::writeText(PWD_SETTING, QDir(CurrentDirectory::path()).canonicalPath());
    Settings::setConsoleFont(_console->font());
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
    // A worker that has not yet begun its run clears the stop request as it
    // begins: the request is repeated until the run has ended.
    QTimer repeat;
    connect(&repeat, &QTimer::timeout, _vm.get(), &VirtualMachine::terminateProcess);
    repeat.start(20);
    _vm->terminateProcess();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    stopRunAndWait();
    saveSettings();
    event->accept();
}
