#pragma once

#include <QTabWidget>

class Graph;
class QAction;
class QMenu;
class QToolButton;
class TextEdit;

// The central tab widget. Its first page is the command window and is never
// closed; the others are editor and viewer pages (TextEdit), graph pages and
// any other view a command opens. The widget saves, runs, deletes, imports
// and closes pages; the main window opens them.
class MainTabWidget : public QTabWidget {
    Q_OBJECT
public:
    MainTabWidget(QWidget *console, QWidget *parent);

    // False while a command runs: Run is refused and the other pages wait.
    bool tabsEnabled() const { return _enabled; }
    void setTabsEnabled(bool enabled);

    // The open page for `path` in that mode, or null.
    TextEdit *findPage(const QString &path, bool readOnly) const;
    // Adds an editor or viewer page, makes it current and focuses it.
    int addEditorPage(TextEdit *page);
    // The title of a page: its file's name or "New file", with " *" while
    // an editor page is modified.
    void refreshTitle(QWidget *page);
    // Asks whether to read a page's file again when it changed on disk.
    void offerReload(int index);

    QAction *runAction() const { return _actions[RUN_ACTION]; }
    QAction *saveAction() const { return _actions[SAVE_ACTION]; }
    // Run, Save, Delete, Load as text and Close, as the context menu lists them.
    QList<QAction *> pageActions() const;

signals:
    void viewTabClosed(const QString &path);
    void editTabClosed(const QString &path);
    void loadCSV(const QString &path);
    void tabSaved(int index);
    void run(const QString &path);
    void graphRemoved(Graph *graph);

public slots:
    void closePage(int index);
    void saveSlot();
    bool savePage(int index);
    void runSlot();
    void removeSlot();
    void loadCSVSlot();
    void closeSlot();
    void switchToNextTab();
    void switchToPreviousTab();
    void onCurrentChanged(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void tabInserted(int index) override;

private:
    enum PageAction { RUN_ACTION, SAVE_ACTION, DELETE_ACTION, LOAD_ACTION, CLOSE_ACTION, ACTION_COUNT };
    void updateActions();
    void removePage(int index);

    QWidget *_console;
    bool _enabled = true;
    QAction *_actions[ACTION_COUNT] = {};
    QMenu *_menu = nullptr;
    QToolButton *_closeButton = nullptr;
};
