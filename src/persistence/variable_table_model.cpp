#include "persistence/variable_table_model.h"

#include "values/output_formatter.h"

#include <QStringList>

#include <climits>

VariableTableModel::VariableTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void VariableTableModel::setValue(const Variable &value, int precision)
{
    int rows = 1;
    int columns = 1;
    if (value.type() == VECTOR_TYPE) {
        rows = int(value.getVector().rowCount());
        columns = int(value.getVector().columnCount());
    }
    // The same shape keeps the view's selection and scroll position.
    if (rows == _rows && columns == _columns) {
        _value = value;
        _precision = precision;
        if (rows > 0)
            emit dataChanged(index(0, 0), index(rows - 1, columns - 1));
        return;
    }
    beginResetModel();
    _value = value;
    _precision = precision;
    _rows = rows;
    _columns = columns;
    endResetModel();
}

int VariableTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : _rows;
}

int VariableTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : _columns;
}

QString VariableTableModel::cellText(int row, int column) const
{
    if (row < 0 || row >= _rows || column < 0 || column >= _columns)
        return QString();
    if (_value.type() != VECTOR_TYPE) {
        switch (_value.type()) {
        case BOOLEAN_TYPE: return _value.getBoolean() ? QStringLiteral("true") : QStringLiteral("false");
        case DOUBLE_TYPE: return numberText(_value.getDouble(), _precision);
        case INTEGER_TYPE: return QString::number(_value.getInteger());
        case STRING_TYPE: return QStringLiteral("\"%1\"").arg(_value.getString().toQString());
        default: return QStringLiteral("undefined");
        }
    }
    const Vector &vector = _value.getVector();
    const uint32_t i = uint32_t(row) * vector.columnCount() + uint32_t(column);
    switch (vector.type()) {
    case BOOLEAN_TYPE: return vector.getBoolean(i) ? QStringLiteral("true") : QStringLiteral("false");
    case DOUBLE_TYPE: return numberText(vector.getDouble(i), _precision);
    case INTEGER_TYPE: return QString::number(vector.getInteger(i));
    case STRING_TYPE: return QStringLiteral("\"%1\"").arg(vector.getString(i).toQString());
    default: return QString();
    }
}

QVariant VariableTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool text = _value.type() == STRING_TYPE
                          || (_value.type() == VECTOR_TYPE && _value.getVector().type() == STRING_TYPE);
        return QVariant::fromValue(Qt::AlignVCenter | (text ? Qt::AlignLeft : Qt::AlignRight));
    }
    return QVariant();
}

QVariant VariableTableModel::headerData(int section, Qt::Orientation, int role) const
{
    if (role == Qt::DisplayRole)
        return section; // rows and columns are numbered from 0, as in the language
    return QVariant();
}

QString VariableTableModel::selectionText(const QItemSelection &selection) const
{
    int top = INT_MAX, left = INT_MAX, bottom = -1, right = -1;
    for (const QItemSelectionRange &range : selection) {
        top = std::min(top, range.top());
        left = std::min(left, range.left());
        bottom = std::max(bottom, range.bottom());
        right = std::max(right, range.right());
    }
    QString text;
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            if (column > left)
                text += QLatin1Char('\t');
            if (selection.size() == 1 || selection.contains(index(row, column)))
                text += cellText(row, column);
        }
        text += QLatin1Char('\n');
    }
    return text;
}
