#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class Graph;

// What the engine asks of its front end after a run. The desktop window and
// the terminal front end implement it; every action has a harmless default
// so that a host implements only what it can show.
class EngineHost {
public:
    virtual ~EngineHost() = default;

    // Graph pages: a new graph (the host becomes its owner) and a graph
    // whose page must be redrawn.
    virtual void addGraphPage(Graph *graph) { (void)graph; }
    virtual void refreshGraphPage(Graph *graph) { (void)graph; }
    // Workspace view: ids of the interactive script's symbol table.
    virtual void updateWorkspace(const std::vector<int> &updated, const std::vector<int> &removed)
    {
        (void)updated;
        (void)removed;
    }
    virtual void openEditor(const QString &path, bool readOnly)
    {
        (void)path;
        (void)readOnly;
    }
    virtual void printVariables(const QStringList &names) { (void)names; }

    // Deferred actions, in the order the engine performs them.
    virtual void clearConsole() {}
    virtual void quitRequested() {}
    virtual void clearWorkspace() {}
    virtual void clearHistory() {}
    virtual void loadWorkspace(const QString &path, bool merge)
    {
        (void)path;
        (void)merge;
    }
    virtual void commandDone() {}
    virtual void openPreferences() {}
    // The printer selection of the `printer` command.
    virtual void choosePrinter() {}
    // Rescans the search path; true when the rescan produced output.
    virtual bool rescanSearchPath() { return false; }

    virtual void teeStateChanged() {}
    // A failure that is not the outcome of a command (the tee file).
    virtual void criticalMessage(const QString &text) { (void)text; }
};
