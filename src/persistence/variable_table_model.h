#pragma once

#include "values/variable.h"

#include <QAbstractTableModel>
#include <QItemSelection>

// One value as a read-only table for the variable page: an array cell by
// cell, a scalar as a single cell. The model keeps a copy of the value,
// which shares the array's storage, and reads the elements from it on
// demand, so a large array costs no more to show than a small one.
class VariableTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit VariableTableModel(QObject *parent = nullptr);

    // Numbers are shown with `precision` significant digits, as the
    // command window prints them.
    void setValue(const Variable &value, int precision);
    const Variable &value() const { return _value; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    QString cellText(int row, int column) const;
    // The selected cells' bounding rectangle as tab-separated lines, the
    // form spreadsheets paste; cells inside it that are not selected stay empty.
    QString selectionText(const QItemSelection &selection) const;

private:
    Variable _value;
    int _rows = 0;
    int _columns = 0;
    int _precision = 7;
};
