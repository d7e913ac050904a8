#include "persistence/variable_model.h"

#include "persistence/failure_reporter.h"
#include "values/error_codes.h"
#include "values/index_hash.h"
#include "values/vector.h"

#include <QRegularExpression>

#include <cmath>

namespace {

// Integers have no workspace encoding; they are saved as doubles.
Variable storable(const Variable &value)
{
    if (value.type() == INTEGER_TYPE)
        return Variable(double(value.getInteger()));
    if (value.type() == VECTOR_TYPE && value.getVector().type() == INTEGER_TYPE) {
        const Vector &source = value.getVector();
        Vector converted;
        if (!Vector::create(DOUBLE_TYPE, source.rowCount(), source.columnCount(), converted))
            return Variable();
        for (uint32_t i = 0; i < source.count(); ++i)
            converted.set(i, double(source.getInteger(i)));
        return Variable(std::move(converted));
    }
    return value;
}

bool sameElement(const Vector &a, const Vector &b, uint32_t i)
{
    switch (a.type()) {
    case BOOLEAN_TYPE: return a.getBoolean(i) == b.getBoolean(i);
    case INTEGER_TYPE: return a.getInteger(i) == b.getInteger(i);
    case DOUBLE_TYPE: return a.getDouble(i) == b.getDouble(i);
    case STRING_TYPE: return a.getString(i) == b.getString(i);
    default: return true;
    }
}

} // namespace

VariableModel::VariableModel(IndexHash *workspace, QObject *parent)
    : QObject(parent)
    , _workspace(workspace)
{
}

bool VariableModel::sameValue(const Variable &a, const Variable &b)
{
    if (a.type() != b.type())
        return false;
    switch (a.type()) {
    case UNDEFINED_TYPE: return true;
    case BOOLEAN_TYPE: return a.getBoolean() == b.getBoolean();
    case INTEGER_TYPE: return a.getInteger() == b.getInteger();
    case DOUBLE_TYPE: return a.getDouble() == b.getDouble();
    case STRING_TYPE: return a.getString() == b.getString();
    case VECTOR_TYPE: {
        const Vector &x = a.getVector();
        const Vector &y = b.getVector();
        if (x.type() != y.type() || x.rowCount() != y.rowCount() || x.columnCount() != y.columnCount()
            || x.count() != y.count())
            return false;
        for (uint32_t i = 0; i < x.count(); ++i)
            if (!sameElement(x, y, i))
                return false;
        return true;
    }
    }
    return false;
}

bool VariableModel::save(const QString &path, const std::vector<int> &positions, ExecutionContext *context)
{
    WorkspaceRecords records;
    for (int slot : positions) {
        const Variable &value = _workspace->at(slot);
        // Absent positions and the compiler's hidden temporaries are no variables.
        if ((value.isFree() && value.isUndefined()) || value.isTemporary())
            continue;
        records.push_back({_workspace->name(slot), storable(value)});
    }
    if (records.empty()) {
        const FailureReporter reporter(context);
        return reporter.inform(QStringLiteral("Nothing to save"), ERR_EMPTY_WORKSPACE);
    }
    return writeWorkspaceFile(path, records, context);
}

bool VariableModel::saveWorkspace(const QString &path, ExecutionContext *context)
{
    std::vector<int> positions;
    for (int i = 0; i < _workspace->size(); ++i)
        positions.push_back(i);
    return save(path, positions, context);
}

bool VariableModel::saveVariables(const QString &path, const QSet<int> &positionSet, ExecutionContext *context)
{
    std::vector<int> positions;
    for (int slot : positionSet)
        if (slot >= 0 && slot < _workspace->size())
            positions.push_back(slot);
    return save(path, positions, context);
}

void VariableModel::clear()
{
    for (int i = 0; i < _workspace->size(); ++i) {
        Variable &slot = _workspace->at(i);
        slot.setUndefined();
        slot.setFree(true);
    }
    emit cleared();
}

bool VariableModel::loadWorkspace(const QString &path, ExecutionContext *context)
{
    WorkspaceRecords records;
    if (!readWorkspaceFile(path, records, context))
        return false;
    if (records.empty())
        return true;
    clear();
    for (WorkspaceRecord &record : records) {
        const int slot = _workspace->lookupOrInsert(record.name);
        _workspace->at(slot) = std::move(record.value);
        emit itemUpdated(slot);
    }
    return true;
}

QString VariableModel::checkNewName(const QString &name) const
{
    static const QRegularExpression identifier(QStringLiteral("\\A[A-Za-z_][A-Za-z0-9_]*\\z"));
    if (!identifier.match(name).hasMatch())
        return QStringLiteral("\"%1\" is not valid identificator").arg(name);
    const int slot = _workspace->indexOf(name);
    const bool present = slot >= 0 && !(_workspace->at(slot).isFree() && _workspace->at(slot).isUndefined());
    if (present || _mergeNames.contains(name))
        return QStringLiteral("Workspace already contains variable \"%1\"").arg(name);
    return QString();
}

void VariableModel::reserveName(const QString &name)
{
    const int slot = _workspace->lookupOrInsert(name);
    Variable &value = _workspace->at(slot);
    value.setUndefined();
    value.setFree(false);
    _reservedSlots.append(slot);
}

bool VariableModel::mergeWorkspace(const QString &path, ConflictResolver &resolver, ExecutionContext *context)
{
    WorkspaceRecords records;
    if (!readWorkspaceFile(path, records, context))
        return false;
    _mergeNames.clear();
    _reservedSlots.clear();
    for (const WorkspaceRecord &record : records)
        _mergeNames.insert(record.name);

    std::vector<ConflictState> states(records.size(), CONFLICT_STATE_REPLACE);
    for (size_t r = 0; r < records.size(); ++r) {
        WorkspaceRecord &record = records[r];
        const int slot = _workspace->indexOf(record.name);
        if (slot < 0)
            continue;
        const Variable &current = _workspace->at(slot);
        if (current.isNull() || (current.isFree() && current.isUndefined()) || sameValue(current, record.value))
            continue;
        QString newName;
        const ConflictState state = resolver.resolve(record.name, current, record.value, newName);
        if (state == CONFLICT_STATE_CANCEL) {
            // Names reserved by earlier renames go back to being absent.
            for (int reserved : std::as_const(_reservedSlots))
                _workspace->at(reserved).setFree(true);
            _reservedSlots.clear();
            _mergeNames.clear();
            return true;
        }
        if (state == CONFLICT_STATE_RENAME)
            record.name = newName;
        states[r] = state;
    }
    for (size_t r = 0; r < records.size(); ++r) {
        WorkspaceRecord &record = records[r];
        if (states[r] == CONFLICT_STATE_IGNORE)
            continue;
        const int slot = _workspace->lookupOrInsert(record.name);
        Variable &target = _workspace->at(slot);
        target = std::move(record.value);
        target.setFree(false);
        emit itemUpdated(slot);
    }
    _reservedSlots.clear();
    _mergeNames.clear();
    return true;
}
