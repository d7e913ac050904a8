#pragma once

#include "app/settings.h"
#include "engine/engine_host.h"

#include <QMainWindow>

#include <memory>

class Console;
class HistoryTree;
class OutputFormatter;
class Pager;
class QAction;
class QDockWidget;
class QTabWidget;

// The top-level window: the command window page, the History dock, menus
// and the status bar. It is the engine's host: the engine hands it graph
// pages and the deferred actions of a command after each run.
class MainWindow : public QMainWindow, public EngineHost {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    Console *console() const { return _console; }
    QTabWidget *tabWidget() const { return _tabWidget; }
    HistoryTree *historyTree() const { return _historyTree; }
    OutputFormatter *formatter() const { return _formatter.get(); }
    bool isBusy() const { return _busy; }

    // "Ready | Tee: off", "Busy  | Tee: suspened", "Ready | Tee: out.txt".
    static QString consoleStatusText(bool busy, bool teeOn, bool teeSuspended, const QString &teePath);
    // The tee state shown in the status bar (the engine reports changes).
    void setTeeState(bool on, bool suspended, const QString &path);

    // EngineHost: deferred actions of a finished command.
    void quitRequested() override;
    void clearHistory() override;
    void commandDone() override;
    void teeStateChanged() override;
    void criticalMessage(const QString &text) override;

public slots:
    void clearConsole() override;
    void blockHistory();
    void processStarted();
    void processFinished();
    void quit();
    void activateConsole();
    void updateStatusBarConsoleText();
    void updateCopyPasteActionsState();
    void cutSlot();
    void copySlot();
    void pasteSlot();
    void selectAllSlot();
    void dockVisibilityChanged();
    void showHideDockWidget();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void restoreSettings();
    void saveSettings();

    SettingsPrecisionStore _precisionStore;
    std::unique_ptr<OutputFormatter> _formatter;
    std::unique_ptr<Pager> _pager;
    class PagerAdapter;
    std::unique_ptr<PagerAdapter> _pagerAdapter;
    Console *_console = nullptr;
    QTabWidget *_tabWidget = nullptr;
    HistoryTree *_historyTree = nullptr;
    QDockWidget *_historyDock = nullptr;
    QAction *_cutAction = nullptr;
    QAction *_copyAction = nullptr;
    QAction *_pasteAction = nullptr;
    QAction *_stopAction = nullptr;
    QAction *_historyViewAction = nullptr;
    bool _busy = false;
    bool _teeOn = false;
    bool _teeSuspended = false;
    QString _teePath;
};
