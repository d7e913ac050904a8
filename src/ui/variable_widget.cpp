#include "ui/variable_widget.h"

#include "app/constants.h"
#include "app/settings.h"
#include "persistence/failure_reporter.h"
#include "persistence/text_table.h"
#include "persistence/variable_model.h"
#include "ui/conflict_dialog.h"
#include "ui/csv_dialog.h"
#include "ui/icons.h"
#include "ui/variable_view.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QToolBar>
#include <QVBoxLayout>

VariableWidget::VariableWidget(VariableModel *model, QWidget *parent)
    : QWidget(parent)
    , _model(model)
{
    _view = new VariableView(model, this);
    _toolBar = new QToolBar(this);
    _toolBar->setIconSize(QSize(16, 16));

    using Slot = void (VariableWidget::*)();
    struct ActionRow {
        const char *text;
        const char *icon;
        Slot slot;
        QAction **member;
    };
    const ActionRow rows[] = {
        {"Clear", "clear_workspace", &VariableWidget::clearSlot, nullptr},
        {"Load", "open_workspace", &VariableWidget::loadSlot, nullptr},
        {"Merge", "merge_workspace", &VariableWidget::mergeSlot, nullptr},
        {"Load from text", "load_from_csv", &VariableWidget::loadFromCSVSlot, nullptr},
        {"Save selected", "save_workspace", &VariableWidget::saveSlot, &_saveAction},
        {"Save workspace", "save_variables", &VariableWidget::saveAllSlot, nullptr},
        {"Save as text", "save_as_csv", &VariableWidget::saveAsCSVSlot, &_saveAsCSVAction},
        {"Remove", "delete_variable", &VariableWidget::removeSlot, &_removeAction},
    };
    for (const ActionRow &row : rows) {
        QAction *action = _toolBar->addAction(Icons::get(QLatin1String(row.icon)), tr(row.text), this, row.slot);
        if (row.member)
            *row.member = action;
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(_toolBar);
    layout->addWidget(_view);

    connect(model, &VariableModel::itemUpdated, this, &VariableWidget::updateItem);
    connect(model, &VariableModel::modelUpdated, this, &VariableWidget::updateActions);
    connect(_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &VariableWidget::selectionChanged);
    connect(_view, &VariableView::openRequested, this, &VariableWidget::openRequested);
    updateActions();
}

QAction *VariableWidget::action(const QString &text) const
{
    for (QAction *candidate : _toolBar->actions())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

// The model keeps the row itself; the widget follows with its actions.
void VariableWidget::updateItem(int)
{
    updateActions();
}

void VariableWidget::updateActions()
{
    _view->updateActions();
    _saveAction->setEnabled(_view->saveAction()->isEnabled());
    _saveAsCSVAction->setEnabled(_view->saveAsCSVAction()->isEnabled());
    _removeAction->setEnabled(_view->removeAction()->isEnabled());
}

void VariableWidget::selectionChanged(const QItemSelection &, const QItemSelection &)
{
    updateActions();
}

void VariableWidget::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateActions();
}

bool VariableWidget::loadWorkspace(const QString &path)
{
    return _model->loadWorkspace(path);
}

bool VariableWidget::mergeWorkspace(const QString &path)
{
    ConflictDialog dialog(_model, this);
    return _model->mergeWorkspace(path, dialog);
}

void VariableWidget::loadSlot()
{
    if (!isEnabled())
        return;
    if (_model->rowCount() > 0
        && QMessageBox::question(this, Numlyra::applicationName,
                                 tr("All your current variables will be removed. Continue?"),
                                 QMessageBox::Yes | QMessageBox::No)
               != QMessageBox::Yes)
        return;
    const QString path = QFileDialog::getOpenFileName(this, tr("Load workspace"), QString(), Numlyra::workspaceFilter);
    if (!path.isEmpty())
        loadWorkspace(path);
}

void VariableWidget::mergeSlot()
{
    if (!isEnabled())
        return;
    const QString path = QFileDialog::getOpenFileName(this, tr("Merge workspace"), QString(), Numlyra::workspaceFilter);
    if (!path.isEmpty())
        mergeWorkspace(path);
}

bool VariableWidget::loadCSV(const QString &path)
{
    if (!isEnabled())
        return false;
    const FailureReporter reporter(nullptr);
    if (!TextTable::checkFile(path, reporter))
        return false;
    CSVDialog dialog(_model, this);
    dialog.reset();
    dialog.setName(QFileInfo(path).baseName());
    const int type = dialog.exec();
    if (type == 0)
        return false;
    Variable value;
    if (!TextTable::readFile(path, VariableType(type), reporter, value))
        return false;
    _model->assign(dialog.name(), value);
    return true;
}

void VariableWidget::loadFromCSVSlot()
{
    if (!isEnabled())
        return;
    const QString path = QFileDialog::getOpenFileName(this, tr("Load from text"), QString(), Numlyra::textFilter);
    if (!path.isEmpty())
        loadCSV(path);
}

void VariableWidget::saveSlot()
{
    _view->saveSlot();
}

void VariableWidget::saveAllSlot()
{
    if (!isEnabled())
        return;
    const QString path = _view->askSaveFileName(tr("Save workspace"));
    if (!path.isEmpty())
        _model->saveWorkspace(path);
}

void VariableWidget::saveAsCSVSlot()
{
    _view->saveAsCSVSlot();
}

void VariableWidget::removeSlot()
{
    _view->removeSlot();
}

void VariableWidget::clearSlot()
{
    if (!isEnabled())
        return;
    if (QMessageBox::question(this, Numlyra::applicationName, tr("Are you sure want to clear workspace?"),
                              QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes)
        _model->clear();
}

void VariableWidget::saveGeometry()
{
    for (int column = 0; column < 2; ++column)
        Settings::writeInteger(VARIABLE_VIEW_COLUMN_SETTING, _view->columnWidth(column), column);
}

void VariableWidget::restoreGeometry()
{
    for (int column = 0; column < 2; ++column)
        if (Settings::contains(VARIABLE_VIEW_COLUMN_SETTING, column))
            _view->setColumnWidth(column, Settings::readInteger(VARIABLE_VIEW_COLUMN_SETTING, 100, column));
}
