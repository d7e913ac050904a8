#pragma once

#include <QFont>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

class QPainter;

// A graph drawn by a script: the model behind one graph page. Every graph is
// entered in the process-wide graph list when it is constructed and leaves it
// when it is destroyed; the newest graph still alive is the active one, which
// the changing commands (title, grid, ...) work on.
//
// Threads: graphs are built by natives on the worker thread and handed to the
// host through RunState after the run; from then on the host owns them and
// destroys a graph when its page is closed. The list has no lock because the
// engine never runs a command while the host touches graphs and the host
// closes no page while a command runs.
class Graph {
public:
    Graph();
    Graph(const Graph &) = delete;
    Graph &operator=(const Graph &) = delete;
    virtual ~Graph();

    virtual bool gridAvailable() const = 0;
    // True for line plots only.
    virtual bool isLinePlot() const = 0;
    // Paints the whole page into `rect`: white background, black pen, all
    // text in `font` (the title in a demi-bold variant of it).
    virtual void paint(QPainter &painter, const QRect &rect, const QFont &font) const = 0;
    virtual bool labelsAvailable() const { return false; }
    virtual void setLabels(const QStringList &labels) { (void)labels; }
    // The number of data elements that labels must match.
    virtual int dataCount() const { return 0; }
    virtual bool xLabelAvailable() const = 0;
    virtual bool yLabelAvailable() const = 0;
    virtual bool baselineAvailable() const { return false; }
    // False when the graph refuses the value (or has no baseline).
    virtual bool setBaseline(double value)
    {
        (void)value;
        return false;
    }

    const QString &title() const { return _title; }
    void setTitle(const QString &title) { _title = title; }
    bool gridOn() const { return _gridOn; }
    void setGridOn(bool on) { _gridOn = on; }
    const QString &xLabel() const { return _xLabel; }
    void setXLabel(const QString &label) { _xLabel = label; }
    const QString &yLabel() const { return _yLabel; }
    void setYLabel(const QString &label) { _yLabel = label; }

    // All graphs alive, oldest first.
    static const QList<Graph *> &graphList();
    // The newest graph alive, or null when there is none.
    static Graph *activeGraph();

private:
    QString _title;
    QString _xLabel;
    QString _yLabel;
    bool _gridOn = false;
};
