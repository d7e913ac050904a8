#include "ui/history_tree.h"

#include "app/constants.h"
#include "persistence/history.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>

HistoryTree::HistoryTree(History *history, QWidget *parent)
    : QTreeView(parent)
    , _history(history)
{
    setModel(history->model());
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    expandAll();

    _menu = new QMenu(this);
    _menu->addAction(QIcon::fromTheme(QStringLiteral("system-run")), tr("Run"), this, &HistoryTree::run);
    _menu->addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), tr("Copy"), this, &HistoryTree::copy);
    _menu->addAction(tr("Copy all"), this, &HistoryTree::copyAll);
    _menu->addAction(QIcon::fromTheme(QStringLiteral("document-save")), tr("Save"), this, &HistoryTree::save);
    _menu->addAction(tr("Save all"), this, &HistoryTree::saveAll);
    _menu->addAction(tr("Clear"), this, &HistoryTree::clear);

    connect(history, &History::itemInserted, this, &HistoryTree::scrollToInserted);
    connect(history, &History::resizeView, this, &QTreeView::resizeColumnToContents);
}

QModelIndexList HistoryTree::selectedRows() const
{
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) {
        const int ia = a.data(HistoryModel::INDEX_ROLE).toInt();
        const int ib = b.data(HistoryModel::INDEX_ROLE).toInt();
        return ia < ib;
    });
    return rows;
}

void HistoryTree::run()
{
    const QModelIndexList rows = selectedRows();
    if (!rows.isEmpty())
        _history->runSelection(rows);
}

void HistoryTree::copy()
{
    const QModelIndexList rows = selectedRows();
    if (!rows.isEmpty())
        QApplication::clipboard()->setText(_history->selectionText(rows, false));
}

void HistoryTree::copyAll()
{
    QApplication::clipboard()->setText(_history->allText());
}

void HistoryTree::save()
{
    const QModelIndexList rows = selectedRows();
    if (rows.isEmpty())
        return;
    const QString path = QFileDialog::getSaveFileName(this, tr("Save history"));
    if (!path.isEmpty())
        _history->saveSelection(path, rows);
}

void HistoryTree::saveAll()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save all history"));
    if (!path.isEmpty())
        _history->saveAll(path);
}

void HistoryTree::clear()
{
    const auto answer = QMessageBox::question(this, Numlyra::applicationName, tr("Are you sure want to clear history?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        _history->clear();
}

void HistoryTree::scrollToInserted()
{
    QStandardItemModel *model = _history->model();
    const int runs = model->rowCount();
    if (runs == 0)
        return;
    const QModelIndex run = model->index(runs - 1, 0);
    expand(run);
    const int children = model->rowCount(run);
    scrollTo(children > 0 ? model->index(children - 1, 0, run) : run);
    emit itemInserted();
}

void HistoryTree::contextMenuEvent(QContextMenuEvent *event)
{
    _menu->exec(event->globalPos());
}
