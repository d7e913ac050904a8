#include "ui/file_browser_view.h"

#include "ui/icons.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

namespace {

struct ActionInfo {
    const char *text;
    const char *icon;
    void (FileBrowserView::*slot)();
};

// In the order of the ViewAction enumeration and of the menu.
const ActionInfo kActions[] = {
    {QT_TRANSLATE_NOOP("FileBrowserView", "Run\tEnter"), "run", &FileBrowserView::runSlot},
    {QT_TRANSLATE_NOOP("FileBrowserView", "Edit\tF4"), nullptr, &FileBrowserView::editSlot},
    {QT_TRANSLATE_NOOP("FileBrowserView", "View\tF3"), nullptr, &FileBrowserView::viewSlot},
    {QT_TRANSLATE_NOOP("FileBrowserView", "Load as text"), nullptr, &FileBrowserView::loadCSVSlot},
    {QT_TRANSLATE_NOOP("FileBrowserView", "Delete\tDel"), "delete", &FileBrowserView::deleteSlot},
};

} // namespace

FileBrowserView::FileBrowserView(QWidget *parent)
    : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(false);

    _menu = new QMenu(this);
    for (int i = 0; i < ACTION_COUNT; ++i) {
        _actions[i] = _menu->addAction(tr(kActions[i].text), this, kActions[i].slot);
        if (kActions[i].icon)
            _actions[i]->setIcon(Icons::get(QLatin1String(kActions[i].icon)));
    }
    // A double click opens a directory and edits a file.
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex &index) {
        if (isDirectory(index))
            emit open(index);
        else if (index.isValid())
            emit edit(fileModel()->fileInfo(index).absoluteFilePath());
    });
}

QFileSystemModel *FileBrowserView::fileModel() const
{
    return qobject_cast<QFileSystemModel *>(model());
}

QModelIndex FileBrowserView::selectedItem() const
{
    if (!selectionModel())
        return QModelIndex();
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? QModelIndex() : rows.constFirst();
}

bool FileBrowserView::isDirectory(const QModelIndex &index) const
{
    return index.isValid() && fileModel() && fileModel()->isDir(index);
}

QString FileBrowserView::selectedFile() const
{
    const QModelIndex index = selectedItem();
    if (!index.isValid() || isDirectory(index))
        return QString();
    return fileModel()->fileInfo(index).absoluteFilePath();
}

// The first action opens a directory and runs a file.
void FileBrowserView::updateActions()
{
    const QModelIndex index = selectedItem();
    const bool directory = isDirectory(index);
    const bool file = index.isValid() && !directory;
    QAction *first = _actions[RUN_ACTION];
    first->setText(directory ? tr("Open\tEnter") : tr(kActions[RUN_ACTION].text));
    first->setIcon(directory ? QIcon() : Icons::get(QStringLiteral("run")));
    first->setEnabled(directory || isEnabled());
    _actions[EDIT_ACTION]->setEnabled(file);
    _actions[VIEW_ACTION]->setEnabled(index.isValid());
    _actions[LOAD_ACTION]->setEnabled(file);
    _actions[DELETE_ACTION]->setEnabled(index.isValid());
}

void FileBrowserView::runSlot()
{
    const QModelIndex index = selectedItem();
    if (isDirectory(index))
        emit open(index);
    else if (index.isValid() && isEnabled())
        emit run(selectedFile());
}

void FileBrowserView::editSlot()
{
    const QString path = selectedFile();
    if (!path.isEmpty())
        emit edit(path);
}

// Viewing a directory shows its list.
void FileBrowserView::viewSlot()
{
    const QModelIndex index = selectedItem();
    if (isDirectory(index))
        emit open(index);
    else if (index.isValid())
        emit view(selectedFile());
}

void FileBrowserView::loadCSVSlot()
{
    const QString path = selectedFile();
    if (!path.isEmpty())
        emit loadCSV(path);
}

void FileBrowserView::deleteSlot()
{
    const QModelIndex index = selectedItem();
    if (index.isValid())
        emit removeItem(index);
}

void FileBrowserView::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier) {
        QTreeView::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        runSlot();
        break;
    case Qt::Key_F3:
        viewSlot();
        break;
    case Qt::Key_F4:
        editSlot();
        break;
    case Qt::Key_Left:
    case Qt::Key_Backspace:
        emit keyLeftPressed();
        break;
    case Qt::Key_Right:
        if (isDirectory(selectedItem()))
            emit open(selectedItem());
        break;
    case Qt::Key_Delete:
        deleteSlot();
        break;
    default:
        QTreeView::keyPressEvent(event);
        break;
    }
}

void FileBrowserView::contextMenuEvent(QContextMenuEvent *event)
{
    updateActions();
    _menu->exec(event->globalPos());
}
