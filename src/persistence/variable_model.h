#pragma once

#include "persistence/workspace_file.h"

#include <QObject>
#include <QSet>
#include <QString>

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

// The workspace's file operations over the interactive symbol table. A null
// context means interactive (message boxes), otherwise failures are error
// codes of the running command.
class VariableModel : public QObject {
    Q_OBJECT
public:
    explicit VariableModel(IndexHash *workspace, QObject *parent = nullptr);

    IndexHash *workspace() const { return _workspace; }

    bool saveWorkspace(const QString &path, ExecutionContext *context = nullptr);
    bool saveVariables(const QString &path, const QSet<int> &positions, ExecutionContext *context = nullptr);
    bool loadWorkspace(const QString &path, ExecutionContext *context = nullptr);
    bool mergeWorkspace(const QString &path, ConflictResolver &resolver, ExecutionContext *context = nullptr);

    // Marks every variable absent (the workspace's "clear").
    void clear();

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
    void cleared();

private:
    bool save(const QString &path, const std::vector<int> &positions, ExecutionContext *context);

    IndexHash *_workspace;
    QSet<QString> _mergeNames;     // names read from the file being merged
    QList<int> _reservedSlots;     // slots reserved by renames of this merge
};
