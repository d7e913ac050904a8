#include "ui/graph_widget.h"

#include "app/current_directory.h"
#include "app/message_hook.h"
#include "graphs/graph.h"
#include "graphs/graph_painter.h"
#include "ui/graph_painter_widget.h"
#include "ui/icons.h"
#include "ui/save_graph_dialog.h"

#include <QAction>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

struct ToolAction {
    const char *text;
    const char *icon;
    void (GraphWidget::*slot)();
};

// The tool bar, left to right.
const ToolAction kToolActions[] = {
    {QT_TRANSLATE_NOOP("GraphWidget", "Save"), "save", &GraphWidget::saveSlot},
    {QT_TRANSLATE_NOOP("GraphWidget", "Print"), "printer", &GraphWidget::printSlot},
    {QT_TRANSLATE_NOOP("GraphWidget", "Show Grid"), "grid", &GraphWidget::showGridSlot},
    {QT_TRANSLATE_NOOP("GraphWidget", "Title"), "title", &GraphWidget::setTitleSlot},
    {QT_TRANSLATE_NOOP("GraphWidget", "Y label"), "y_label", &GraphWidget::setYlabelSlot},
    {QT_TRANSLATE_NOOP("GraphWidget", "X label"), "x_label", &GraphWidget::setXlabelSlot},
    {QT_TRANSLATE_NOOP("GraphWidget", "Font"), "font", &GraphWidget::setFontSlot},
};
enum { SHOW_GRID_ACTION = 2, Y_LABEL_ACTION = 4, X_LABEL_ACTION = 5 };

} // namespace

GraphWidget::GraphWidget(Graph *graph, const QFont &font, QWidget *parent)
    : QWidget(parent)
    , _graph(graph)
{
    _toolBar = new QToolBar(this);
    // Text beside the icons: the graph actions have no conventional symbols.
    _toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QList<QAction *> actions;
    for (const ToolAction &entry : kToolActions) {
        QAction *action = _toolBar->addAction(Icons::get(QLatin1String(entry.icon)), tr(entry.text));
        connect(action, &QAction::triggered, this, entry.slot);
        actions << action;
    }
    _showGridAction = actions[SHOW_GRID_ACTION];
    _showGridAction->setCheckable(true);
    _yLabelAction = actions[Y_LABEL_ACTION];
    _xLabelAction = actions[X_LABEL_ACTION];

    _painter = new GraphPainterWidget(graph, this);
    _painter->setFont(font);
    setFocusProxy(_painter);
    _painter->setFocusPolicy(Qt::StrongFocus);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(_toolBar);
    layout->addWidget(_painter, 1);

    updateActions();
    setWindowTitle(_graph->title());
}

GraphWidget::~GraphWidget()
{
    delete _graph;
}

QFont GraphWidget::graphFont() const
{
    return _painter->font();
}

void GraphWidget::setGraphFont(const QFont &font)
{
    _painter->setFont(font);
    _painter->update();
}

void GraphWidget::refresh()
{
    updateActions();
    setWindowTitle(_graph->title());
    _painter->update();
}

void GraphWidget::updateActions()
{
    const bool grid = _graph->gridAvailable();
    _showGridAction->setEnabled(grid);
    _showGridAction->setChecked(grid && _graph->gridOn());
    _xLabelAction->setEnabled(_graph->xLabelAvailable());
    _yLabelAction->setEnabled(_graph->yLabelAvailable());
}

void GraphWidget::saveSlot()
{
    SaveGraphDialog sizeDialog(_painter->contentsRect().size(), this);
    if (sizeDialog.exec() != QDialog::Accepted)
        return;
    const QString path = QFileDialog::getSaveFileName(this, tr("Save image"), CurrentDirectory::path(),
                                                      tr("Images (*.png *.jpg *.jpeg *.bmp);;All Files (*)"));
    if (path.isEmpty())
        return;
    QString message;
    if (!saveGraphImage(*_graph, path, sizeDialog.imageSize(), graphFont(), &message))
        showCriticalMessage(message);
}

void GraphWidget::printSlot()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        printGraph(printer);
}

bool GraphWidget::printGraph(QPrinter &printer) const
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        showCriticalMessage(tr("Can't print graph"));
        return false;
    }
    // The painter's origin is the corner of the printable area.
    const QRect area(QPoint(0, 0), printer.pageRect(QPrinter::DevicePixel).size().toSize());
    QSize size = _painter->contentsRect().size();
    if (size.isEmpty())
        size = DEFAULT_GRAPH_IMAGE_SIZE;
    paintGraphScaled(painter, *_graph, area, size, graphFont(), _painter->logicalDpiY());
    return painter.end();
}

void GraphWidget::showGridSlot()
{
    _graph->setGridOn(_showGridAction->isChecked());
    _painter->update();
}

bool GraphWidget::askText(const QString &title, const QString &label, QString &text)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(this, title, label, QLineEdit::Normal, text, &ok);
    if (ok)
        text = answer;
    return ok;
}

void GraphWidget::setTitleSlot()
{
    QString text = _graph->title();
    if (!askText(tr("Graph title"), tr("Title:"), text))
        return;
    _graph->setTitle(text);
    setWindowTitle(text);
    _painter->update();
}

void GraphWidget::setYlabelSlot()
{
    QString text = _graph->yLabel();
    if (!askText(tr("Y label"), tr("Y label:"), text))
        return;
    _graph->setYLabel(text);
    _painter->update();
}

void GraphWidget::setXlabelSlot()
{
    QString text = _graph->xLabel();
    if (!askText(tr("X label"), tr("X label:"), text))
        return;
    _graph->setXLabel(text);
    _painter->update();
}

void GraphWidget::setFontSlot()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, graphFont(), this);
    if (!ok)
        return;
    setGraphFont(font);
    emit fontChanged(font);
}
