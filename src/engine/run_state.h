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
    // Unchecked: an id is below 65536 by its type.
    void insert(int id)
    {
        auto bit = _bits[size_t(uint16_t(id))];
        if (!bit) {
            bit = true;
            ++_count;
        }
    }
    bool contains(int id) const { return _bits[size_t(uint16_t(id))]; }
    bool empty() const { return _count == 0; }
    int size() const { return _count; }
    void clear() { _bits.reset(); _count = 0; }
    std::vector<int> ids() const
    {
        std::vector<int> out;
        for (size_t i = 0; i < _bits.size() && int(out.size()) < _count; ++i)
            if (_bits.test(i))
                out.push_back(int(i));
        return out;
    }

private:
    std::bitset<65536> _bits;
    int _count = 0;
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
