#include "graphs/bar_graph.h"

#include "graphs/plot_graph.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor BAR_COLOR(70, 130, 180);
// The share of a slot left free on each side of its bar.
constexpr double BAR_GAP = 0.15;

} // namespace

bool BarGraph::setBaseline(double value)
{
    if (!std::isfinite(value))
        return false;
    _baseline = value;
    return true;
}

bool BarGraph::setData(const QList<double> &data)
{
    double low = 0;
    double high = 0;
    if (!finiteRange(data, low, high))
        return false;
    _data = data;
    _minimum = low;
    _maximum = high;
    return true;
}

ChartLayout BarGraph::layout(const QRect &rect, const QFont &font, const QPaintDevice *device) const
{
    const AxisTicks yAxis = axisTicks(std::min(_minimum, _baseline), std::max(_maximum, _baseline));
    return chartLayout(*this, rect, font, device, nullptr, int(_data.size()), yAxis);
}

QRectF BarGraph::barRect(const ChartLayout &chart, int index) const
{
    const double value = _data[index];
    if (!std::isfinite(value))
        return {};
    const QRectF s = chart.slot(index);
    const double top = chart.yPixel(std::max(value, _baseline));
    const double bottom = chart.yPixel(std::min(value, _baseline));
    return QRectF(QPointF(s.left() + BAR_GAP * s.width(), top), QPointF(s.right() - BAR_GAP * s.width(), bottom));
}

void BarGraph::paint(QPainter &painter, const QRect &rect, const QFont &font) const
{
    painter.save();
    preparePage(painter, rect, font);
    const ChartLayout chart = layout(rect, font, painter.device());
    paintChartGrid(painter, *this, chart);
    if (chart.isUsable()) {
        painter.save();
        painter.setBrush(BAR_COLOR);
        for (int i = 0; i < int(_data.size()); ++i) {
            const QRectF bar = barRect(chart, i);
            if (!bar.isNull())
                painter.drawRect(bar.toRect());
        }
        painter.restore();
        const int y = int(std::lround(chart.yPixel(_baseline)));
        painter.drawLine(chart.area.left(), y, chart.area.right(), y);
    }
    paintChartAxes(painter, *this, chart, rect, font, _labels);
    painter.restore();
}
