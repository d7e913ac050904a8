#pragma once

#include "graphs/graph.h"
#include "graphs/graph_painter.h"

#include <QList>
#include <QStringList>

// Bars from the baseline to each value, one slot per element, with an
// optional label under each bar.
class BarGraph : public Graph {
public:
    bool gridAvailable() const override { return true; }
    bool isLinePlot() const override { return false; }
    void paint(QPainter &painter, const QRect &rect, const QFont &font) const override;
    bool labelsAvailable() const override { return true; }
    void setLabels(const QStringList &labels) override { _labels = labels; }
    int dataCount() const override { return int(_data.size()); }
    bool xLabelAvailable() const override { return true; }
    bool yLabelAvailable() const override { return true; }
    bool baselineAvailable() const override { return true; }
    // Refuses NaN and infinities.
    bool setBaseline(double value) override;

    // Refuses data without any finite element (an empty list too).
    bool setData(const QList<double> &data);

    const QList<double> &data() const { return _data; }
    const QStringList &labels() const { return _labels; }
    double minimum() const { return _minimum; }
    double maximum() const { return _maximum; }
    double baseline() const { return _baseline; }

    // Where paint() puts the axes; the value axis includes the baseline.
    ChartLayout layout(const QRect &rect, const QFont &font, const QPaintDevice *device) const;
    // The rectangle of bar `index` in `chart` (null for a non-finite value).
    QRectF barRect(const ChartLayout &chart, int index) const;

private:
    QList<double> _data;
    QStringList _labels;
    double _minimum = 0;
    double _maximum = 0;
    double _baseline = 0;
};
