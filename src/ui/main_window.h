#pragma once

#include "app/settings.h"
#include "engine/engine_host.h"

#include <QFont>
#include <QHash>
#include <QMainWindow>
#include <QPrinter>

#include <memory>

class Console;
class FileBrowserWidget;
class Graph;
class GraphWidget;
class HistoryTree;
class MainTabWidget;
class OutputFormatter;
class Pager;
class PagerAdapter;
class QAction;
class QDockWidget;
class VariableModel;
class VariableWidget;
class VirtualMachine;

// The top-level window. It owns the engine, the command window page with its
// history, the History dock and the tab widget, and is the engine's host:
// after each run the engine hands it graph pages, files to open, variables
// to print and the deferred actions of the command.
class MainWindow : public QMainWindow, public EngineHost {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    VirtualMachine *engine() const { return _vm.get(); }
    VariableModel *workspace() const { return _workspace.get(); }
    Console *console() const { return _console; }
    MainTabWidget *tabWidget() const { return _tabWidget; }
    FileBrowserWidget *fileBrowser() const { return _fileBrowser; }
    HistoryTree *historyTree() const { return _historyTree; }
    VariableWidget *variableWidget() const { return _variableWidget; }
    OutputFormatter *formatter() const { return _formatter.get(); }
    bool isBusy() const { return _busy; }
    // The engine's startup (banner and startup file) has been shown.
    bool isStarted() const { return _started; }
    // The page showing `graph`, or null.
    GraphWidget *graphPage(Graph *graph) const { return _graphHash.value(graph); }
    const QFont &graphFont() const { return _graphFont; }

    // "Ready | Tee: off", "Busy  | Tee: suspened", "Ready | Tee: out.txt".
    static QString consoleStatusText(bool busy, bool teeOn, bool teeSuspended, const QString &teePath);

    // EngineHost
    void addGraphPage(Graph *graph) override;
    void refreshGraphPage(Graph *graph) override;
    void updateWorkspace(const std::vector<int> &updated, const std::vector<int> &removed) override;
    void openEditor(const QString &path, bool readOnly) override;
    void printVariables(const QStringList &names) override;
    void quitRequested() override;
    void clearWorkspace() override;
    void clearHistory() override;
    void loadWorkspace(const QString &path, bool merge) override;
    void commandDone() override;
    void openPreferences() override;
    void choosePrinter() override;
    bool rescanSearchPath() override;
    void teeStateChanged() override;
    void criticalMessage(const QString &text) override;

public slots:
    void view(const QString &path);
    void edit(const QString &path);
    void loadCSV(const QString &path);
    void run(const QString &path);
    // Prints the current page: the transcript, a file's text or a graph.
    void print();
    void clearConsole() override;
    void blockHistory();
    void processStarted();
    void processFinished();
    // The engine's start-up (banner, search path scan, startup file) is done.
    void watcherStarted();
    void quit();
    void graphWidgetFontChanged(const QFont &font);
    void activateConsole();
    void showPreferences();
    void updateStatusBarConsoleText();
    void updateStatusBarGraphText();
    // The tee file's page size, kept in the settings for the tee commands.
    int tee_rc();
    void set_tee_rc(int rows);
    int tee_cc();
    void set_tee_cc(int columns);
    void updateCopyPasteActionsState();
    void setModified();
    void viewTabClosed(const QString &path);
    void editTabClosed(const QString &path);
    void tabChanged(int index);
    void runCurrent();
    void graphRemoved(Graph *graph);
    void showAbout();
    void dockVisibilityChanged();
    void showHideDockWidget();
    void goToHelpWebPage();
    void cutSlot();
    void copySlot();
    void pasteSlot();
    void selectAllSlot();
    void newSlot();
    void openSlot();
    void statusBarMsgChanged(const QString &message);
    // The variable page of a workspace slot, opened or made current.
    void openVariablePage(int slot);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void restoreSettings();
    void stopRunAndWait();
    void saveSettings();
    void setViewsEnabled(bool enabled);
    void applyEditorFont(const QFont &font);
    void reloadSearchPath();
    void refreshVariablePages();
    void openPage(const QString &path, bool readOnly);

    SettingsPrecisionStore _precisionStore;
    std::unique_ptr<OutputFormatter> _formatter;
    std::unique_ptr<Pager> _pager;
    std::unique_ptr<PagerAdapter> _pagerAdapter;
    Console *_console = nullptr;
    std::unique_ptr<VirtualMachine> _vm;
    std::unique_ptr<VariableModel> _workspace;
    MainTabWidget *_tabWidget = nullptr;
    FileBrowserWidget *_fileBrowser = nullptr;
    QDockWidget *_fileBrowserDock = nullptr;
    QAction *_fileBrowserViewAction = nullptr;
    HistoryTree *_historyTree = nullptr;
    QDockWidget *_historyDock = nullptr;
    VariableWidget *_variableWidget = nullptr;
    QDockWidget *_workspaceDock = nullptr;
    QAction *_workspaceViewAction = nullptr;
    QAction *_printAction = nullptr;
    QAction *_cutAction = nullptr;
    QAction *_copyAction = nullptr;
    QAction *_pasteAction = nullptr;
    QAction *_stopAction = nullptr;
    QAction *_historyViewAction = nullptr;
    bool _busy = false;
    bool _started = false;
    // The path file changed during a run; read it when the run is over.
    bool _searchPathStale = false;
    int _graphCounter = 1;
    QHash<Graph *, GraphWidget *> _graphHash;
    QFont _graphFont;
    // The printer chosen with the `printer` command, used by `print`.
    QPrinter _printer;
};
