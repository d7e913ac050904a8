#include "ui/file_browser_widget.h"

#include "app/current_directory.h"
#include "app/message_hook.h"
#include "app/settings.h"
#include "ui/file_browser_model.h"
#include "ui/file_browser_view.h"
#include "ui/file_path_edit.h"
#include "ui/icons.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// The stored directory, else the current one, else the home directory: the
// list opens somewhere without a message.
QString startDirectory(const QString &stored)
{
    for (const QString &candidate : {stored, CurrentDirectory::path()})
        if (!candidate.isEmpty() && QFileInfo(candidate).isDir())
            return QDir(candidate).canonicalPath();
    return QDir::homePath();
}

} // namespace

FileBrowserWidget::FileBrowserWidget(QWidget *parent)
    : QWidget(parent)
    , _model(new FileBrowserModel(this))
    , _view(new FileBrowserView(this))
    , _pathEdit(new FilePathEdit(this))
{
    auto *toolBar = new QToolBar(this);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->addAction(Icons::get(QStringLiteral("open")), tr("Open"), this, &FileBrowserWidget::selectFolderSlot);
    _upAction = toolBar->addAction(Icons::get(QStringLiteral("up_folder")), tr("Up"), this, &FileBrowserWidget::upSlot);
    toolBar->addAction(Icons::get(QStringLiteral("add_folder")), tr("New Folder"), this,
                       &FileBrowserWidget::newFolderSlot);

    _view->setModel(_model);
    _view->header()->resizeSection(0, 160);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(toolBar);
    layout->addWidget(_pathEdit);
    layout->addWidget(_view);

    connect(_pathEdit, &FilePathEdit::pathChanged, this, &FileBrowserWidget::setPath);
    connect(_model, &FileBrowserModel::rootPathChanged, this, &FileBrowserWidget::showRoot);
    connect(_model, &FileBrowserModel::canMoveUp, _upAction, &QAction::setEnabled);
    // The first entry becomes current once the directory has been read.
    connect(_model, &QFileSystemModel::directoryLoaded, this, [this](const QString &path) {
        if (path != _model->rootPath() || _view->selectedItem().isValid())
            return;
        const QModelIndex first = _view->model()->index(0, 0, _view->rootIndex());
        if (first.isValid())
            _view->setCurrentIndex(first);
    });
    connect(_view, &FileBrowserView::keyLeftPressed, _model, &FileBrowserModel::moveUp);
    connect(_view, &FileBrowserView::open, _model, &FileBrowserModel::itemExpanded);
    connect(_view, &FileBrowserView::removeItem, _model, &FileBrowserModel::removeItemSlot);
    connect(_view, &FileBrowserView::run, this, &FileBrowserWidget::run);
    connect(_view, &FileBrowserView::edit, this, &FileBrowserWidget::edit);
    connect(_view, &FileBrowserView::view, this, &FileBrowserWidget::view);
    connect(_view, &FileBrowserView::loadCSV, this, &FileBrowserWidget::loadCSV);

    setPath(startDirectory(QString()));
}

void FileBrowserWidget::showRoot(const QString &path)
{
    _view->setRootIndex(_model->index(path));
    _pathEdit->setPath(path);
    const QModelIndex first = _model->index(0, 0, _view->rootIndex());
    if (first.isValid())
        _view->setCurrentIndex(first);
}

bool FileBrowserWidget::setPath(const QString &path)
{
    return _model->setPath(path);
}

void FileBrowserWidget::upSlot()
{
    _model->moveUp();
}

void FileBrowserWidget::selectFolderSlot()
{
    const QString directory = QFileDialog::getExistingDirectory(this, tr("Select directory"), _model->path());
    if (directory.isEmpty())
        return;
    if (_model->setPath(directory))
        _view->setFocus();
}

void FileBrowserWidget::newFolderSlot()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, tr("Create new directory"), tr("Directory name"),
                                               QLineEdit::Normal, QString(), &ok);
    if (!ok || name.isEmpty())
        return;
    QDir directory(_model->path());
    if (directory.exists(name)) {
        showCriticalMessage(tr("Directory \"%1\" already exists").arg(name));
        return;
    }
    if (!directory.mkdir(name)) {
        showCriticalMessage(tr("Can't create directory \"%1\"").arg(name));
        return;
    }
    const QModelIndex index = _model->index(directory.filePath(name));
    _view->setCurrentIndex(index);
    _view->setFocus();
    emit directoryCreated();
}

void FileBrowserWidget::restoreSettings()
{
    setPath(startDirectory(Settings::existingDirectory(FILE_BROWSER_PWD_SETTING)));
    QHeaderView *header = _view->header();
    for (int column = 0; column < _model->columnCount(); ++column) {
        const int width = Settings::readInteger(FILE_BROWSER_COLUMN_SETTING, 0, column);
        if (width > 0)
            header->resizeSection(column, width);
    }
}

void FileBrowserWidget::saveSettings() const
{
    Settings::writeText(FILE_BROWSER_PWD_SETTING, _model->path());
    for (int column = 0; column < _model->columnCount(); ++column)
        Settings::writeInteger(FILE_BROWSER_COLUMN_SETTING, _view->header()->sectionSize(column), column);
}
