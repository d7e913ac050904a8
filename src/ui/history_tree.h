#pragma once

#include <QTreeView>

class History;
class QMenu;

// The History dock: run rows with the statements of each run below them.
// Selected statements can be run again, copied or saved.
class HistoryTree : public QTreeView {
    Q_OBJECT
public:
    explicit HistoryTree(History *history, QWidget *parent = nullptr);

signals:
    void itemInserted();

public slots:
    void run();
    void copy();
    void copyAll();
    void save();
    void saveAll();
    void clear();
    // Scrolls to the row the history has just added.
    void scrollToInserted();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QModelIndexList selectedRows() const;

    History *_history = nullptr;
    QMenu *_menu = nullptr;
};
