#pragma once

#include <QItemSelection>
#include <QWidget>

class QAction;
class QToolBar;
class VariableModel;
class VariableView;

// The Workspace dock's content: a tool bar of workspace operations over the
// variable table. The main window disables it while a command runs; its
// operations then do nothing.
class VariableWidget : public QWidget {
    Q_OBJECT
public:
    explicit VariableWidget(VariableModel *model, QWidget *parent = nullptr);

    VariableModel *model() const { return _model; }
    VariableView *view() const { return _view; }
    QToolBar *toolBar() const { return _toolBar; }
    // The tool bar's action with this text ("Clear", "Load", ...), or null.
    QAction *action(const QString &text) const;

    // The operations behind the buttons once a file is chosen; the engine's
    // deferred `load` and `merge` use them too.
    bool loadWorkspace(const QString &path);
    bool mergeWorkspace(const QString &path);
    // Imports a text table as a variable named in the "Load from text" dialog.
    bool loadCSV(const QString &path);

signals:
    // The user asked to see a variable's value in full.
    void openRequested(int slot);

public slots:
    void updateItem(int slot);
    void loadSlot();
    void mergeSlot();
    void loadFromCSVSlot();
    void saveSlot();
    void saveAllSlot();
    void saveAsCSVSlot();
    void removeSlot();
    void clearSlot();
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    void updateActions();
    // The column widths, under "VariableView/c0" and "VariableView/c1".
    void saveGeometry();
    void restoreGeometry();

protected:
    void changeEvent(QEvent *event) override;

private:
    VariableModel *_model;
    VariableView *_view;
    QToolBar *_toolBar;
    QAction *_saveAction = nullptr;
    QAction *_saveAsCSVAction = nullptr;
    QAction *_removeAction = nullptr;
};
