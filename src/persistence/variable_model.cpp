#include "persistence/variable_model.h"

#include "app/message_hook.h"
#include "persistence/failure_reporter.h"
#include "values/error_codes.h"
#include "values/index_hash.h"
#include "values/vector.h"

#include <QRegularExpression>

#include <QStringList>

#include <algorithm>
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
    : QStandardItemModel(0, 2, parent)
    , _workspace(workspace)
{
    setHeaders();
}

void VariableModel::setHeaders()
{
    setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    emit headersChanged();
}

QString VariableModel::valueText(const Variable &value)
{
    switch (value.type()) {
    case UNDEFINED_TYPE: return QStringLiteral("undefined");
    case BOOLEAN_TYPE: return value.getBoolean() ? QStringLiteral("true") : QStringLiteral("false");
    case DOUBLE_TYPE: return QString::number(value.getDouble(), 'g', 6);
    case STRING_TYPE: return QStringLiteral("\"%1\"").arg(value.getString().toQString());
    case VECTOR_TYPE: {
        const Vector &vector = value.getVector();
        const char *word = nullptr;
        switch (vector.type()) {
        case UNDEFINED_TYPE: word = "undefined"; break;
        case BOOLEAN_TYPE: word = "bool"; break;
        case DOUBLE_TYPE: word = "double"; break;
        case STRING_TYPE: word = "string"; break;
        default: return QStringLiteral("ERROR");
        }
        return QStringLiteral("<%1x%2 %3>").arg(vector.rowCount()).arg(vector.columnCount()).arg(QLatin1String(word));
    }
    default: return QStringLiteral("ERROR");
    }
}

bool VariableModel::isIdentifier(const QString &name)
{
    static const QRegularExpression identifier(QStringLiteral("\\A[A-Za-z_][A-Za-z0-9_]*\\z"));
    return identifier.match(name).hasMatch();
}

bool VariableModel::isPresent(int slot) const
{
    if (slot < 0 || slot >= _workspace->size())
        return false;
    const Variable &value = _workspace->at(slot);
    return !value.isAbsent() && !value.isTemporary();
}

int VariableModel::presentSlot(const QString &name) const
{
    const int slot = _workspace->indexOf(name);
    return isPresent(slot) ? slot : -1;
}

int VariableModel::slotOfRow(int row) const
{
    const QStandardItem *nameItem = item(row, 0);
    return nameItem ? nameItem->data(SLOT_ROLE).toInt() : -1;
}

void VariableModel::updateRow(int slot)
{
    QStandardItem *nameItem = _nameItems.value(slot);
    if (!isPresent(slot)) {
        if (nameItem) {
            _nameItems.remove(slot);
            removeRow(nameItem->row());
        }
        return;
    }
    const QString text = valueText(_workspace->at(slot));
    if (nameItem) {
        nameItem->setText(_workspace->name(slot));
        QStandardItem *valueItem = item(nameItem->row(), 1);
        if (valueItem->text() != text)
            valueItem->setText(text);
        return;
    }
    QList<QStandardItem *> row{new QStandardItem(_workspace->name(slot)), new QStandardItem(text)};
    for (QStandardItem *cell : row) {
        cell->setData(slot, SLOT_ROLE);
        cell->setEditable(false);
    }
    _nameItems.insert(slot, row.first());
    appendRow(row);
}

void VariableModel::updateItem(int slot)
{
    updateRow(slot);
    emit itemUpdated(slot);
}

void VariableModel::updateItems(const std::vector<int> &updated, const std::vector<int> &removed)
{
    for (int slot : updated)
        updateItem(slot);
    for (int slot : removed)
        updateItem(slot);
    emit modelUpdated();
}

void VariableModel::refresh()
{
    removeRows(0, rowCount());
    _nameItems.clear();
    setHeaders();
    for (int slot = 0; slot < _workspace->size(); ++slot)
        updateRow(slot);
    emit modelUpdated();
}

QString VariableModel::cellsText(QModelIndexList cells) const
{
    std::sort(cells.begin(), cells.end(), [](const QModelIndex &a, const QModelIndex &b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    QStringList texts;
    for (const QModelIndex &cell : std::as_const(cells))
        texts.append(cell.data().toString());
    return texts.join(QLatin1Char(' '));
}

bool VariableModel::checkPresent(const QSet<int> &chosen) const
{
    for (int slot : chosen) {
        if (!isPresent(slot)) {
            const QString name = slot >= 0 && slot < _workspace->size() ? _workspace->name(slot) : QString();
            showCriticalMessage(QStringLiteral("Workspace doesn't contains variable \"%1\"").arg(name));
            return false;
        }
    }
    return true;
}

void VariableModel::markAbsent(int slot)
{
    Variable &value = _workspace->at(slot);
    value.setUndefined();
    value.setFree(true);
}

void VariableModel::removeVariables(const QSet<int> &chosen)
{
    for (int slot : chosen) {
        if (!isPresent(slot))
            continue;
        markAbsent(slot);
        updateItem(slot);
    }
    emit modelUpdated();
}

void VariableModel::assign(const QString &name, const Variable &value)
{
    const int slot = _workspace->lookupOrInsert(name);
    Variable &target = _workspace->at(slot);
    target = value;
    target.setFree(false);
    updateItem(slot);
    emit modelUpdated();
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
    for (int i = 0; i < _workspace->size(); ++i)
        markAbsent(i);
    removeRows(0, rowCount());
    _nameItems.clear();
    emit modelUpdated();
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
        updateItem(slot);
    }
    emit modelUpdated();
    return true;
}

QString VariableModel::checkNewName(const QString &name) const
{
    if (!isIdentifier(name))
        return QStringLiteral("\"%1\" is not valid identificator").arg(name);
    const int slot = _workspace->indexOf(name);
    // A name reserved by an earlier rename is undefined but not absent.
    const bool present = slot >= 0 && !_workspace->at(slot).isAbsent();
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
        updateItem(slot);
    }
    _reservedSlots.clear();
    _mergeNames.clear();
    emit modelUpdated();
    return true;
}
