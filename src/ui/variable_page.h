#pragma once

#include <QWidget>

class IndexHash;
class QTableView;
class VariableTableModel;

// A read-only page of the central tab widget showing one workspace
// variable as a table. The main window refreshes it after each run and
// closes it once the variable is gone.
class VariablePage : public QWidget {
    Q_OBJECT
public:
    VariablePage(const IndexHash *workspace, const QString &name, QWidget *parent = nullptr);

    const QString &name() const { return _name; }
    QTableView *view() const { return _view; }
    VariableTableModel *model() const { return _model; }

    // Reads the variable again; false when it no longer exists.
    bool refresh();

public slots:
    // The selected cells as tab-separated text on the clipboard.
    void copySlot();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const IndexHash *_workspace;
    QString _name;
    VariableTableModel *_model;
    QTableView *_view;
};
