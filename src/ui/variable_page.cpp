#include "ui/variable_page.h"

#include "persistence/variable_table_model.h"
#include "ui/icons.h"
#include "values/index_hash.h"
#include "values/output_formatter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <QVBoxLayout>

VariablePage::VariablePage(const IndexHash *workspace, const QString &name, QWidget *parent)
    : QWidget(parent)
    , _workspace(workspace)
    , _name(name)
{
    _model = new VariableTableModel(this);
    _view = new QTableView(this);
    _view->setModel(_model);
    _view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    _view->setWordWrap(false);
    // Fixed section sizes: measuring contents would visit every element.
    _view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    _view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    _view->verticalHeader()->setDefaultSectionSize(_view->fontMetrics().height() + 6);
    _view->installEventFilter(this);

    auto *copy = new QAction(Icons::get(QStringLiteral("copy")), tr("Copy"), _view);
    connect(copy, &QAction::triggered, this, &VariablePage::copySlot);
    _view->addAction(copy);
    _view->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(_view);
    refresh();
}

bool VariablePage::refresh()
{
    const int slot = _workspace->indexOf(_name);
    if (slot < 0 || _workspace->at(slot).isAbsent())
        return false;
    const OutputFormatter *formatter = OutputFormatter::current();
    _model->setValue(_workspace->at(slot), formatter ? formatter->precision() : OutputFormatter::DEFAULT_PRECISION);
    return true;
}

void VariablePage::copySlot()
{
    const QItemSelection selection = _view->selectionModel()->selection();
    if (!selection.isEmpty())
        QApplication::clipboard()->setText(_model->selectionText(selection));
}

bool VariablePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == _view && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        copySlot();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
