#pragma once

#include "values/variable.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

// The symbol table: (name, Variable) pairs in insertion order, addressed by
// position (the 16-bit id compiled code uses), with a hash from name to
// position. Positions never change and slots never move while the table
// lives: entries are kept in chunks.
class IndexHash {
public:
    IndexHash() = default;
    IndexHash(const IndexHash &other);
    IndexHash &operator=(const IndexHash &other);

    // Position of an existing name, or -1.
    int indexOf(const QString &name) const;
    // Appends a new entry (the name must be absent) and returns its position.
    int insert(const QString &name, const Variable &value = Variable::undefined());
    // Position of the name, inserted with an absent value when missing.
    int lookupOrInsert(const QString &name);

    Variable &at(int position)
    {
        if (unsigned(position) >= unsigned(_size)) [[unlikely]]
            positionFailed();
        return pair(position).value;
    }
    const Variable &at(int position) const
    {
        if (unsigned(position) >= unsigned(_size)) [[unlikely]]
            positionFailed();
        return pair(position).value;
    }
    const QString &name(int position) const;
    // Every value back to the one at the same position of `other`, which
    // has as many entries (a recycled function activation).
    void resetValues(const IndexHash &other);
    int size() const { return _size; }

private:
    static constexpr int CHUNK = 64;
    struct Pair {
        QString name;
        Variable value;
    };
    Pair &pair(int position) { return _chunks[unsigned(position) / CHUNK][unsigned(position) % CHUNK]; }
    const Pair &pair(int position) const { return _chunks[unsigned(position) / CHUNK][unsigned(position) % CHUNK]; }
    [[noreturn]] static void positionFailed();

    std::vector<std::unique_ptr<Pair[]>> _chunks; // m_PairList
    QHash<QString, int> _index;
    int _size = 0;
};
