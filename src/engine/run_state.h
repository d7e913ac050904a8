#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <vector>

class Graph;

// Variable ids touched by a run. Compiled code addresses 16-bit ids, so a
// bit per id makes marking O(1) inside the interpreter's hottest
// instructions; the rare larger id (a name a script file or a workspace load
// added beyond them) goes to a short list. Iteration yields the ids in
// ascending order.
class IdSet {
public:
    void insert(int id)
    {
        if (unsigned(id) <= 0xFFFF) [[likely]]
            _bits[size_t(id)] = true;
        else
            insertLarge(id);
    }
    bool contains(int id) const
    {
        if (unsigned(id) <= 0xFFFF)
            return _bits[size_t(id)];
        return std::find(_large.begin(), _large.end(), id) != _large.end();
    }
    bool empty() const { return _bits.none() && _large.empty(); }
    int size() const { return int(_bits.count() + _large.size()); }
    void clear()
    {
        _bits.reset();
        _large.clear();
    }
    std::vector<int> ids() const
    {
        std::vector<int> out;
        for (size_t i = _bits._Find_first(); i < _bits.size(); i = _bits._Find_next(i))
            out.push_back(int(i));
        out.insert(out.end(), _large.begin(), _large.end());
        return out;
    }

private:
    void insertLarge(int id)
    {
        const auto at = std::lower_bound(_large.begin(), _large.end(), id);
        if (at == _large.end() || *at != id)
            _large.insert(at, id);
    }

    std::bitset<65536> _bits;
    std::vector<int> _large; // sorted ids above 0xFFFF
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
