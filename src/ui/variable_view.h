#pragma once

#include <QSet>
#include <QTableView>

class QAction;
class VariableModel;

// The workspace table: one row per variable with its name and value text.
// It saves, copies and removes the selected variables; while its widget is
// disabled (a command runs) nothing it does changes the workspace.
class VariableView : public QTableView {
    Q_OBJECT
public:
    explicit VariableView(VariableModel *model, QWidget *parent = nullptr);

    QAction *copyAction() const { return _copyAction; }
    QAction *removeAction() const { return _removeAction; }
    QAction *saveAction() const { return _saveAction; }
    QAction *saveAsCSVAction() const { return _saveAsCSVAction; }

    // The slots of the selected rows.
    QSet<int> selectedSlots() const;
    // A save-file dialog for a workspace file; the name gets the "ws"
    // suffix. Empty when cancelled or when an existing file is not to be
    // replaced.
    QString askSaveFileName(const QString &caption);

signals:
    // A row was double-clicked or Return pressed on it.
    void openRequested(int slot);

public slots:
    void copySlot();
    void removeSlot();
    void saveSlot();
    void saveAsCSVSlot();
    void updateActions();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    VariableModel *_model;
    QAction *_copyAction;
    QAction *_removeAction;
    QAction *_saveAction;
    QAction *_saveAsCSVAction;
};
