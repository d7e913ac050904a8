#include "graphs/plot_graph.h"

#include <QPainter>

#include <cmath>

bool finiteRange(const QList<double> &values, double &minimum, double &maximum)
{
    bool found = false;
    for (double v : values) {
        if (!std::isfinite(v))
            continue;
        if (!found || v < minimum)
            minimum = v;
        if (!found || v > maximum)
            maximum = v;
        found = true;
    }
    return found;
}

bool PlotGraph::setXData(const QList<double> &x)
{
    double low = 0;
    double high = 0;
    if (!finiteRange(x, low, high))
        return false;
    _x = x;
    _xMinimum = low;
    _xMaximum = high;
    return true;
}

bool PlotGraph::setYData(const QList<double> &y)
{
    double low = 0;
    double high = 0;
    if (!finiteRange(y, low, high))
        return false;
    _y = y;
    _yMinimum = low;
    _yMaximum = high;
    return true;
}

ChartLayout PlotGraph::layout(const QRect &rect, const QFont &font, const QPaintDevice *device) const
{
    const AxisTicks xAxis = axisTicks(_xMinimum, _xMaximum);
    return chartLayout(*this, rect, font, device, &xAxis, 0, axisTicks(_yMinimum, _yMaximum));
}

void PlotGraph::paint(QPainter &painter, const QRect &rect, const QFont &font) const
{
    painter.save();
    preparePage(painter, rect, font);
    const ChartLayout chart = layout(rect, font, painter.device());
    paintChartGrid(painter, *this, chart);
    if (chart.isUsable()) {
        painter.save();
        painter.setClipRect(chart.area);
        // A segment joins two neighbouring finite points; a finite point
        // without a finite neighbour is marked by a small cross so that it
        // does not vanish.
        const qsizetype n = std::min(_x.size(), _y.size());
        auto finiteAt = [&](qsizetype i) { return i >= 0 && i < n && std::isfinite(_x[i]) && std::isfinite(_y[i]); };
        auto pointAt = [&](qsizetype i) { return QPointF(chart.xPixel(_x[i]), chart.yPixel(_y[i])); };
        for (qsizetype i = 0; i < n; ++i) {
            if (!finiteAt(i))
                continue;
            if (finiteAt(i + 1))
                painter.drawLine(pointAt(i), pointAt(i + 1));
            else if (!finiteAt(i - 1)) {
                const QPointF p = pointAt(i);
                painter.drawLine(p + QPointF(-2, 0), p + QPointF(2, 0));
                painter.drawLine(p + QPointF(0, -2), p + QPointF(0, 2));
            }
        }
        painter.restore();
    }
    paintChartAxes(painter, *this, chart, rect, font, {});
    painter.restore();
}
