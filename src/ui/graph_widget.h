#pragma once

#include <QFont>
#include <QWidget>

class Graph;
class GraphPainterWidget;
class QAction;
class QPrinter;
class QToolBar;

// A graph page of the central tab widget: a tool bar over the painted graph.
// The page owns its graph; closing the page destroys both.
class GraphWidget : public QWidget {
    Q_OBJECT
public:
    GraphWidget(Graph *graph, const QFont &font, QWidget *parent = nullptr);
    ~GraphWidget() override;

    Graph *graph() const { return _graph; }
    GraphPainterWidget *painterWidget() const { return _painter; }
    QToolBar *toolBar() const { return _toolBar; }
    QFont graphFont() const;
    void setGraphFont(const QFont &font);
    // After a command changed the graph: the tool bar's states, the page's
    // title and the picture follow it.
    void refresh();
    // Paints the graph on the printer's page with the graph font, as large
    // as the printable area allows in the proportions of the screen page.
    // False after a message when the printer cannot be opened.
    bool printGraph(QPrinter &printer) const;

signals:
    void fontChanged(const QFont &font);

public slots:
    // The one way a graph page is saved: its tool bar, the tab's context
    // menu and Ctrl+S all come here.
    void saveSlot();
    void printSlot();
    void showGridSlot();
    void setTitleSlot();
    void setYlabelSlot();
    void setXlabelSlot();
    void setFontSlot();

private:
    void updateActions();
    // Asks for a label text; false on Cancel.
    bool askText(const QString &title, const QString &label, QString &text);

    Graph *_graph;
    QToolBar *_toolBar;
    GraphPainterWidget *_painter;
    QAction *_showGridAction;
    QAction *_xLabelAction;
    QAction *_yLabelAction;
};
