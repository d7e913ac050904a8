#include "ui/file_browser_model.h"

#include "app/constants.h"
#include "app/message_hook.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

FileBrowserModel::FileBrowserModel(QObject *parent)
    : QFileSystemModel(parent)
{
    setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::AllDirs);
}

void FileBrowserModel::moveUp()
{
    QDir directory(rootPath());
    if (directory.cdUp())
        setPath(directory.absolutePath());
}

bool FileBrowserModel::setPath(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir()) {
        showCriticalMessage(tr("Can't change path to \"%1\"").arg(path));
        return false;
    }
    const QString canonical = info.canonicalFilePath();
    setRootPath(canonical);
    emit canMoveUp(!QDir(canonical).isRoot());
    return true;
}

void FileBrowserModel::itemExpanded(const QModelIndex &index)
{
    if (index.isValid() && isDir(index))
        setPath(filePath(index));
}

void FileBrowserModel::removeItemSlot(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QString name = fileName(index);
    if (QMessageBox::question(QApplication::activeWindow(), Numlyra::applicationName,
                              tr("Are you shure want to remove \"%1\"?").arg(name), QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No)
        != QMessageBox::Yes)
        return;
    if (!remove(index))
        showCriticalMessage(tr("Can't remove \"%1\"").arg(name));
}
