#include "ui/path_preferences_dialog.h"

#include "app/current_directory.h"
#include "app/message_hook.h"
#include "app/settings.h"
#include "library/path_file.h"
#include "library/path_watcher.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

namespace {

struct PageButton {
    const char *name;
    const char *text;
    void (PathPreferencesDialog::*slot)();
};

// The buttons beside the list, top to bottom.
const PageButton kButtons[] = {
    {"addFolderButton", QT_TRANSLATE_NOOP("PathPreferencesDialog", "Add &Folder"), &PathPreferencesDialog::addPath},
    {"addWithSubfoldersButton", QT_TRANSLATE_NOOP("PathPreferencesDialog", "Add with &Subfolders"),
     &PathPreferencesDialog::addWithSubfolders},
    {"moveToTopButton", QT_TRANSLATE_NOOP("PathPreferencesDialog", "Move to &Top"), &PathPreferencesDialog::moveToTop},
    {"moveUpButton", QT_TRANSLATE_NOOP("PathPreferencesDialog", "Move &Up"), &PathPreferencesDialog::moveUp},
    {"moveDownButton", QT_TRANSLATE_NOOP("PathPreferencesDialog", "Move &Down"), &PathPreferencesDialog::moveDown},
    {"moveToBottomButton", QT_TRANSLATE_NOOP("PathPreferencesDialog", "Move to &Bottom"),
     &PathPreferencesDialog::moveToBottom},
    {"removeButton", QT_TRANSLATE_NOOP("PathPreferencesDialog", "&Remove"), &PathPreferencesDialog::removePath},
};
enum { MOVE_TO_TOP_BUTTON = 2, MOVE_UP_BUTTON, MOVE_DOWN_BUTTON, MOVE_TO_BOTTOM_BUTTON, REMOVE_BUTTON };

} // namespace

PathPreferencesDialog::PathPreferencesDialog(QWidget *parent)
    : QWidget(parent)
{
    QStringList directories;
    const QString pathFile = PathFile::location();
    if (!QFileInfo::exists(pathFile))
        directories = PathWatcher::defaultSearchPath();
    else if (!PathFile::read(pathFile, directories))
        showCriticalMessage(tr("Can't open path file to read"));

    _model = new QStringListModel(directories, this);
    _listView = new QListView(this);
    _listView->setObjectName(QStringLiteral("listView"));
    _listView->setModel(_model);
    _listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    _listView->setSelectionMode(QAbstractItemView::SingleSelection);

    auto *buttons = new QVBoxLayout;
    QList<QPushButton *> created;
    for (const PageButton &entry : kButtons) {
        auto *button = new QPushButton(tr(entry.text), this);
        button->setObjectName(QLatin1String(entry.name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, entry.slot);
        buttons->addWidget(button);
        created << button;
    }
    buttons->addStretch();
    _moveToTopButton = created[MOVE_TO_TOP_BUTTON];
    _moveUpButton = created[MOVE_UP_BUTTON];
    _moveDownButton = created[MOVE_DOWN_BUTTON];
    _moveToBottomButton = created[MOVE_TO_BOTTOM_BUTTON];
    _removeButton = created[REMOVE_BUTTON];

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(_listView, 1);
    layout->addLayout(buttons);

    connect(_listView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PathPreferencesDialog::updateEnabledState);
    connect(_listView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &PathPreferencesDialog::updateEnabledState);
    updateEnabledState();
}

QStringList PathPreferencesDialog::directories() const
{
    return _model->stringList();
}

int PathPreferencesDialog::currentRow() const
{
    const QModelIndexList selected = _listView->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void PathPreferencesDialog::selectRow(int row)
{
    const QModelIndex index = _model->index(row);
    _listView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    _listView->scrollTo(index);
    updateEnabledState();
}

// The first and last rows cannot move further; nothing moves or goes
// without a selection.
void PathPreferencesDialog::updateEnabledState()
{
    const int row = currentRow();
    const int last = _model->rowCount() - 1;
    _moveToTopButton->setEnabled(row > 0);
    _moveUpButton->setEnabled(row > 0);
    _moveDownButton->setEnabled(row >= 0 && row < last);
    _moveToBottomButton->setEnabled(row >= 0 && row < last);
    _removeButton->setEnabled(row >= 0);
}

QString PathPreferencesDialog::chooseDirectory()
{
    const int row = currentRow();
    const QString start = row >= 0 ? directories().at(row) : CurrentDirectory::path();
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("Select directory"), start);
    return chosen.isEmpty() ? QString() : QDir::cleanPath(chosen);
}

void PathPreferencesDialog::addDirectory(const QString &directory)
{
    const int existing = directories().indexOf(directory);
    if (existing >= 0) {
        showInformationMessage(tr("Path already added"));
        selectRow(existing);
        return;
    }
    const int row = _model->rowCount();
    _model->insertRows(row, 1);
    _model->setData(_model->index(row), directory);
    selectRow(row);
}

void PathPreferencesDialog::addDirectoryTree(const QString &directory)
{
    const int row = _model->rowCount();
    _model->setStringList(directories() + PathFile::withSubfolders(directory));
    selectRow(row);
}

void PathPreferencesDialog::addPath()
{
    const QString directory = chooseDirectory();
    if (!directory.isEmpty())
        addDirectory(directory);
}

void PathPreferencesDialog::addWithSubfolders()
{
    const QString directory = chooseDirectory();
    if (!directory.isEmpty())
        addDirectoryTree(directory);
}

void PathPreferencesDialog::moveCurrentTo(int row)
{
    const int from = currentRow();
    if (from < 0 || row == from)
        return;
    QStringList list = directories();
    list.move(from, row);
    _model->setStringList(list);
    selectRow(row);
}

void PathPreferencesDialog::moveToTop()
{
    moveCurrentTo(0);
}

void PathPreferencesDialog::moveUp()
{
    moveCurrentTo(std::max(0, currentRow() - 1));
}

void PathPreferencesDialog::moveDown()
{
    moveCurrentTo(std::min(_model->rowCount() - 1, currentRow() + 1));
}

void PathPreferencesDialog::moveToBottom()
{
    moveCurrentTo(_model->rowCount() - 1);
}

void PathPreferencesDialog::removePath()
{
    const int row = currentRow();
    if (row < 0)
        return;
    _model->removeRows(row, 1);
    if (_model->rowCount() > 0)
        selectRow(std::min(row, _model->rowCount() - 1));
    else
        updateEnabledState();
}

bool PathPreferencesDialog::save()
{
    if (!ensureProgramDirectory())
        return false;
    if (!PathFile::write(PathFile::location(), directories())) {
        showCriticalMessage(tr("Can't open path file to write"));
        return false;
    }
    return true;
}
