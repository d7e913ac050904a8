#pragma once

#include "persistence/workspace_file.h"

#include <QHash>
#include <QModelIndexList>
#include <QSet>
#include <QStandardItemModel>
#include <QString>

#include <vector>

class ExecutionContext;
class IndexHash;

enum ConflictState {
    CONFLICT_STATE_REPLACE = 0,
    CONFLICT_STATE_IGNORE = 1,
    CONFLICT_STATE_RENAME = 2,
    CONFLICT_STATE_CANCEL = 3,
};

// Answers the merge's question for one name conflict. The desktop program
// asks with its conflict dialog; the terminal front end takes the dialog's
// default, replace.
class ConflictResolver {
public:
    virtual ~ConflictResolver() = default;
    // For CONFLICT_STATE_RENAME `newName` must be a name that
    // VariableModel::checkNewName accepted (the resolver reserves it with
    // VariableModel::reserveName before returning).
    virtual ConflictState resolve(const QString &name, const Variable &current, const Variable &incoming,
                                  QString &newName) = 0;
};

// The workspace: one row (name, value text) per present variable of the
// interactive symbol table, plus the file operations on it. A null context
// means interactive (message boxes), otherwise failures are error codes of
// the running command.
//
// Rows are built only on request (refresh, updateItem), so a model made on
// the worker thread for a `save` command never touches item storage.
class VariableModel : public QStandardItemModel {
    Q_OBJECT
public:
    // Each row's items carry their slot index under this role.
    static constexpr int SLOT_ROLE = Qt::UserRole + 1;

    explicit VariableModel(IndexHash *workspace, QObject *parent = nullptr);

    IndexHash *workspace() const { return _workspace; }

    // The "Value" column's text of a value ("<2x3 double>", "\"\"", "true").
    static QString valueText(const Variable &value);
    // True for a name the language accepts as a variable name.
    static bool isIdentifier(const QString &name);

    // A slot that holds a variable the user can see (absent slots and the
    // compiler's hidden temporaries hold none).
    bool isPresent(int slot) const;
    // The slot of a present variable of that name, else -1.
    int presentSlot(const QString &name) const;
    int slotOfRow(int row) const;

    // Rebuilds every row from the symbol table.
    void refresh();
    // Brings the row of one slot up to date: adds, changes or removes it.
    void updateItem(int slot);
    // The slots a successful run changed or removed, in one batch.
    void updateItems(const std::vector<int> &updated, const std::vector<int> &removed);

    // The display texts of the cells, in model order, joined by spaces.
    QString cellsText(QModelIndexList cells) const;
    // False (after the message) when one of the slots no longer holds a
    // variable: "Workspace doesn't contains variable \"%1\"".
    bool checkPresent(const QSet<int> &chosen) const;

    bool saveWorkspace(const QString &path, ExecutionContext *context = nullptr);
    bool saveVariables(const QString &path, const QSet<int> &positions, ExecutionContext *context = nullptr);
    bool loadWorkspace(const QString &path, ExecutionContext *context = nullptr);
    bool mergeWorkspace(const QString &path, ConflictResolver &resolver, ExecutionContext *context = nullptr);

    // Marks every variable absent (the workspace's "clear").
    void clear();
    // Marks these variables absent.
    void removeVariables(const QSet<int> &chosen);
    // Stores a value under a name, creating the variable when it is new.
    void assign(const QString &name, const Variable &value);

    // Rename checks of the conflict dialog: an empty string when `name` may
    // be taken, else the message to show.
    QString checkNewName(const QString &name) const;
    // Enters the name as an undefined slot without the free mark, so that a
    // later conflict of the same merge cannot pick it.
    void reserveName(const QString &name);

    // True when two values are equal for the merge (NaN never equals).
    static bool sameValue(const Variable &a, const Variable &b);

signals:
    void itemUpdated(int slot);
    void headersChanged();
    void modelUpdated();

private:
    bool save(const QString &path, const std::vector<int> &positions, ExecutionContext *context);
    void setHeaders();
    void updateRow(int slot);
    void markAbsent(int slot);

    IndexHash *_workspace;
    QHash<int, QStandardItem *> _nameItems; // slot -> its row's name item
    QSet<QString> _mergeNames;              // names read from the file being merged
    QList<int> _reservedSlots;              // slots reserved by renames of this merge
};
