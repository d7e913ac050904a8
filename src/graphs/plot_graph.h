#pragma once

#include "graphs/graph.h"
#include "graphs/graph_painter.h"

#include <QList>

// A line plot of y over x. Non-finite points stay in the data and are left
// out when painting; the axis ranges come from the finite values only.
class PlotGraph : public Graph {
public:
    bool gridAvailable() const override { return true; }
    bool isLinePlot() const override { return true; }
    void paint(QPainter &painter, const QRect &rect, const QFont &font) const override;
    bool xLabelAvailable() const override { return true; }
    bool yLabelAvailable() const override { return true; }

    // Copies the elements; false (nothing changed) for an empty list or one
    // without any finite element.
    bool setXData(const QList<double> &x);
    bool setYData(const QList<double> &y);

    const QList<double> &xData() const { return _x; }
    const QList<double> &yData() const { return _y; }
    double xMinimum() const { return _xMinimum; }
    double xMaximum() const { return _xMaximum; }
    double yMinimum() const { return _yMinimum; }
    double yMaximum() const { return _yMaximum; }

    // Where paint() puts the axes inside `rect` on `device`.
    ChartLayout layout(const QRect &rect, const QFont &font, const QPaintDevice *device) const;

private:
    QList<double> _x;
    QList<double> _y;
    double _xMinimum = 0;
    double _xMaximum = 0;
    double _yMinimum = 0;
    double _yMaximum = 0;
};

// The least and greatest finite element; false when there is none.
bool finiteRange(const QList<double> &values, double &minimum, double &maximum);
