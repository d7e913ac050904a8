#pragma once

#include "graphs/graph.h"

#include <QList>
#include <QRect>
#include <QStringList>

class QFontMetrics;
class QPaintDevice;

// Slices in data order, clockwise from the top, each with its label and
// percentage outside the circle.
class PieGraph : public Graph {
public:
    bool gridAvailable() const override { return false; }
    bool isLinePlot() const override { return false; }
    void paint(QPainter &painter, const QRect &rect, const QFont &font) const override;
    bool labelsAvailable() const override { return true; }
    void setLabels(const QStringList &labels) override { _labels = labels; }
    int dataCount() const override { return int(_data.size()); }
    bool xLabelAvailable() const override { return false; }
    bool yLabelAvailable() const override { return false; }

    // Every element must be finite and not negative; an empty list is fine.
    bool setData(const QList<double> &data);

    const QList<double> &data() const { return _data; }
    const QStringList &labels() const { return _labels; }

    // "label\npercent%" for slice `index` (only the percentage without a label).
    QString sliceText(int index) const;
    // The middle direction of slice `index` in radians clockwise from east,
    // -pi/2 being the top; the values lie in [-pi/2, 3pi/2].
    double middleAngle(int index) const;
    // The circle paint() draws inside `rect`.
    QRect circle(const QRect &rect, const QFont &font, const QPaintDevice *device) const;

    // Where paint() writes the text of each slice around `circle`: a box on
    // the outer side of the slice's middle direction, moved on clockwise
    // when it would touch an earlier one (then `tied` to its slice by a
    // line). A zero slice, or a pie without a positive sum, has a null box.
    struct SliceLabel {
        QString text;
        QRect box;
        double angle = 0; // the slice's middle direction, as middleAngle()
        bool tied = false;
    };
    QList<SliceLabel> labels(const QRect &circle, const QFontMetrics &fm) const;

private:
    double total() const;
    QString sliceText(int index, double total) const;
    // Where each slice starts, in sixteenths of a degree clockwise from the
    // top, and the full circle as the last entry; rounded cumulatively so
    // that the slices close the circle exactly.
    QList<int> sliceStarts() const;

    QList<double> _data;
    QStringList _labels;
};
