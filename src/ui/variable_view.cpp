#include "ui/variable_view.h"

#include "app/constants.h"
#include "persistence/failure_reporter.h"
#include "persistence/text_table.h"
#include "persistence/variable_model.h"
#include "ui/icons.h"
#include "values/index_hash.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>

VariableView::VariableView(VariableModel *model, QWidget *parent)
    : QTableView(parent)
    , _model(model)
{
    setObjectName(QStringLiteral("VariableView"));
    setModel(model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    _copyAction = new QAction(Icons::get(QStringLiteral("copy")), tr("Copy text"), this);
    _removeAction = new QAction(Icons::get(QStringLiteral("delete")), tr("Remove selected"), this);
    _saveAction = new QAction(Icons::get(QStringLiteral("save")), tr("Save selected"), this);
    _saveAsCSVAction = new QAction(Icons::get(QStringLiteral("save_as_csv")), tr("Save selected as text"), this);
    connect(_copyAction, &QAction::triggered, this, &VariableView::copySlot);
    connect(_removeAction, &QAction::triggered, this, &VariableView::removeSlot);
    connect(_saveAction, &QAction::triggered, this, &VariableView::saveSlot);
    connect(_saveAsCSVAction, &QAction::triggered, this, &VariableView::saveAsCSVSlot);

    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { emit openRequested(_model->slotOfRow(index.row())); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &VariableView::updateActions);
    connect(model, &VariableModel::modelUpdated, this, &VariableView::updateActions);
    updateActions();
}

QSet<int> VariableView::selectedSlots() const
{
    QSet<int> chosen;
    for (const QModelIndex &index : selectionModel()->selectedIndexes())
        chosen.insert(_model->slotOfRow(index.row()));
    return chosen;
}

void VariableView::updateActions()
{
    const QSet<int> rows = selectedSlots();
    const bool selection = !rows.isEmpty();
    _copyAction->setEnabled(selection);
    _saveAction->setEnabled(selection);
    _removeAction->setEnabled(selection && isEnabled());
    _saveAsCSVAction->setEnabled(rows.size() == 1);
}

void VariableView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateActions();
}

void VariableView::copySlot()
{
    const QModelIndexList cells = selectionModel()->selectedIndexes();
    if (!cells.isEmpty())
        QApplication::clipboard()->setText(_model->cellsText(cells));
}

void VariableView::removeSlot()
{
    if (!isEnabled())
        return;
    _model->removeVariables(selectedSlots());
}

QString VariableView::askSaveFileName(const QString &caption)
{
    QString path = QFileDialog::getSaveFileName(this, caption, QString(), Numlyra::workspaceFilter, nullptr,
                                                QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return QString();
    if (QFileInfo(path).suffix() != Numlyra::workspaceSuffix)
        path += QLatin1Char('.') + Numlyra::workspaceSuffix;
    const QFileInfo info(path);
    if (info.exists()) {
        const auto answer = QMessageBox::question(
            this, Numlyra::applicationName,
            tr("File \"%1\" already exists.\nDo you want to replace it?").arg(info.completeBaseName()),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return QString();
    }
    return path;
}

void VariableView::saveSlot()
{
    if (!isEnabled())
        return;
    const QSet<int> chosen = selectedSlots();
    if (chosen.isEmpty() || !_model->checkPresent(chosen))
        return;
    const QString path = askSaveFileName(tr("Save selected variables"));
    if (!path.isEmpty())
        _model->saveVariables(path, chosen);
}

void VariableView::saveAsCSVSlot()
{
    if (!isEnabled())
        return;
    const QSet<int> chosen = selectedSlots();
    if (chosen.size() != 1 || !_model->checkPresent(chosen))
        return;
    const QString path = QFileDialog::getSaveFileName(this, tr("Save variable as text"), QString(), Numlyra::textFilter);
    if (path.isEmpty())
        return;
    TextTable::writeFile(path, _model->workspace()->at(*chosen.begin()), FailureReporter(nullptr));
}

void VariableView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copySlot();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        removeSlot();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        emit openRequested(_model->slotOfRow(currentIndex().row()));
        return;
    }
    QTableView::keyPressEvent(event);
}

void VariableView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addAction(_copyAction);
    menu.addAction(_removeAction);
    menu.addAction(_saveAction);
    menu.addAction(_saveAsCSVAction);
    menu.exec(event->globalPos());
}
