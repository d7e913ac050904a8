#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <bitset>
#include <cstdint>
#include <vector>

class Graph;

// Variable ids touched by a run. Ids are 16-bit, so a bit per id makes
// marking O(1) inside the interpreter's hottest instructions; iteration
// yields the ids in ascending order.
class IdSet {
public:
    // Unchecked and branch-free, since stores mark on every step: an id is
    // below 65536 by its type.
    void insert(int id) { _bits[size_t(uint16_t(id))] = true; }
    bool contains(int id) const { return _bits[size_t(uint16_t(id))]; }
    bool empty() const { return _bits.none(); }
    int size() const { return int(_bits.count()); }
    void clear() { _bits.reset(); }
    std::vector<int> ids() const
    {
        std::vector<int> out;
        for (size_t i = _bits._Find_first(); i < _bits.size(); i = _bits._Find_next(i))
            out.push_back(int(i));
        return out;
    }

private:
    std::bitset<65536> _bits;
};

// What a run leaves for the user-interface thread. Written only by the
// worker during a run, read only after it has finished.
struct RunState {
    IdSet updateItemSet;
    IdSet removeItemSet;
    std::vector<int> invokeIdStack;
    QList<Graph *> graphList;
    QList<Graph *> updateGraphList;
    QStringList editList;
    QStringList viewList;
    QStringList printList;
    QString pendingLoadPath;
    QString pendingMergePath;
    bool quitRequest = false;
    bool clearConsole = false;
    bool clearWorkspace = false;
    bool clearHistory = false;
    bool openPreferences = false;
    bool choosePrinter = false;
    bool rescanPath = false;
    bool _interactive = true;

    static RunState &instance();
};
