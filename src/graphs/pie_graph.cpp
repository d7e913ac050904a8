#include "graphs/pie_graph.h"

#include "graphs/graph_painter.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int MARGIN = 30;
constexpr int LABEL_DISTANCE = 5;
constexpr int CLEARANCE = 3; // free pixels around a slice text
constexpr int FULL_CIRCLE = 360 * 16;
constexpr int TOP = 90 * 16;

// Sixteenths of a degree clockwise from the top as radians clockwise from east.
double screenAngle(double sixteenths)
{
    return -std::numbers::pi / 2 + sixteenths / FULL_CIRCLE * 2 * std::numbers::pi;
}

// The text box of a slice lies on the side of its anchor that faces away
// from the circle.
QRect textBox(const QPoint &anchor, const QSize &size, int octant)
{
    QRect box(QPoint(0, 0), size);
    switch (octant) {
    case 8: box.moveBottomLeft(anchor - QPoint(size.width() / 2, 0)); break;
    case 1: box.moveBottomLeft(anchor); break;
    case 2: box.moveTopLeft(anchor - QPoint(0, size.height() / 2)); break;
    case 3: box.moveTopLeft(anchor); break;
    case 4: box.moveTopLeft(anchor - QPoint(size.width() / 2, 0)); break;
    case 5: box.moveTopRight(anchor); break;
    case 6: box.moveTopRight(anchor - QPoint(0, size.height() / 2)); break;
    default: box.moveBottomRight(anchor); break; // 7, north-west
    }
    return box;
}

// Moves `box` clockwise round the circle, one pixel at a time, until it
// keeps clear of every box already placed. Texts are placed in data
// order, which is clockwise, so a crowd of small slices becomes a list that
// runs on in the slices' direction.
QRect clearOf(QRect box, const QList<QRect> &placed, int octant, double angle)
{
    QPoint step(0, std::cos(angle) < 0 ? -1 : 1);
    if (octant == 4 || octant == 8)
        step = QPoint(std::sin(angle) > 0 ? -1 : 1, 0);
    auto crowded = [&] {
        const QRect around = box.adjusted(-CLEARANCE, -CLEARANCE, CLEARANCE, CLEARANCE);
        return std::any_of(placed.begin(), placed.end(), [&](const QRect &r) { return r.intersects(around); });
    };
    for (int moved = 0; moved < 2000 && crowded(); ++moved)
        box.translate(step);
    return box;
}

Qt::Alignment textAlignment(int octant)
{
    if (octant == 4 || octant == 8)
        return Qt::AlignHCenter;
    return octant <= 3 ? Qt::AlignLeft : Qt::AlignRight;
}

} // namespace

bool PieGraph::setData(const QList<double> &data)
{
    for (double v : data)
        if (!std::isfinite(v) || v < 0)
            return false;
    _data = data;
    return true;
}

double PieGraph::total() const
{
    double sum = 0;
    for (double v : _data)
        sum += v;
    return sum;
}

QList<int> PieGraph::sliceStarts() const
{
    const double sum = total();
    QList<int> starts;
    starts.reserve(_data.size() + 1);
    double before = 0;
    for (double v : _data) {
        starts.append(sum > 0 ? int(std::lround(before / sum * FULL_CIRCLE)) : 0);
        before += v;
    }
    starts.append(FULL_CIRCLE);
    return starts;
}

QString PieGraph::sliceText(int index) const
{
    return sliceText(index, total());
}

QString PieGraph::sliceText(int index, double sum) const
{
    const double share = sum > 0 ? _data[index] / sum * 100 : 0;
    const QString percent = QString::number(share, 'g', 3) + QLatin1Char('%');
    if (index < _labels.size() && !_labels[index].isEmpty())
        return _labels[index] + QLatin1Char('\n') + percent;
    return percent;
}

double PieGraph::middleAngle(int index) const
{
    const QList<int> starts = sliceStarts();
    return screenAngle((starts[index] + starts[index + 1]) / 2.0);
}

QRect PieGraph::circle(const QRect &rect, const QFont &font, const QPaintDevice *device) const
{
    const QFontMetrics fm(font, const_cast<QPaintDevice *>(device));
    const double sum = total();
    QSize text(0, 0);
    for (int i = 0; i < int(_data.size()); ++i)
        text = text.expandedTo(fm.boundingRect(QRect(), 0, sliceText(i, sum)).size());
    const int top = rect.top() + titleHeight(title(), font, device);
    const QRect room(QPoint(rect.left(), top), rect.bottomRight());
    const int across = room.width() - 2 * (MARGIN + LABEL_DISTANCE + text.width());
    const int down = room.height() - 2 * (MARGIN + LABEL_DISTANCE + text.height());
    // A page too small for the texts still shows a circle.
    const int diameter = std::max(std::min(across, down), std::min(room.width(), room.height()) / 4);
    QRect circle(0, 0, diameter, diameter);
    circle.moveCenter(room.center());
    return circle;
}

QList<PieGraph::SliceLabel> PieGraph::labels(const QRect &circle, const QFontMetrics &fm) const
{
    const double sum = total();
    const QList<int> starts = sliceStarts();
    const QPointF centre = QRectF(circle).center();
    const double radius = circle.width() / 2.0 + LABEL_DISTANCE;
    QList<SliceLabel> out;
    QList<QRect> placed;
    for (int i = 0; i < int(_data.size()); ++i) {
        SliceLabel label;
        label.angle = screenAngle((starts[i] + starts[i + 1]) / 2.0);
        // A zero slice has no room for a text.
        if (sum > 0 && _data[i] != 0) {
            label.text = sliceText(i, sum);
            const int octant = pieOctant(label.angle);
            const QPoint anchor = (centre + QPointF(std::cos(label.angle), std::sin(label.angle)) * radius).toPoint();
            const QRect natural = textBox(anchor, fm.boundingRect(QRect(), 0, label.text).size(), octant);
            label.box = clearOf(natural, placed, octant, label.angle);
            label.tied = (label.box.topLeft() - natural.topLeft()).manhattanLength() > fm.height() / 2;
            placed.append(label.box);
        }
        out.append(label);
    }
    return out;
}

void PieGraph::paint(QPainter &painter, const QRect &rect, const QFont &font) const
{
    painter.save();
    preparePage(painter, rect, font);
    paintTitle(painter, title(), rect, font);
    const QRect c = circle(rect, font, painter.device());
    if (c.width() <= 0) {
        painter.restore();
        return;
    }
    const int count = int(_data.size());
    const double sum = total();
    const QList<int> starts = sliceStarts();
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (sum > 0) {
        for (int i = 0; i < count; ++i) {
            const int start = starts[i];
            const int span = starts[i + 1] - start;
            if (span == 0)
                continue;
            // Neighbours must differ, also the last slice and the first.
            int colour = i;
            if (i == count - 1 && i > 0 && pieSliceColor(i) == pieSliceColor(0))
                ++colour;
            painter.setBrush(pieSliceColor(colour));
            // Qt counts angles counter-clockwise from east.
            painter.drawPie(c, TOP - start, -span);
        }
    } else {
        painter.drawEllipse(c);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QFontMetrics fm = painter.fontMetrics();
    const QPointF centre = QRectF(c).center();
    const QList<SliceLabel> texts = labels(c, fm);
    for (const SliceLabel &label : texts) {
        if (label.box.isNull())
            continue;
        if (label.tied) {
            const QPointF direction(std::cos(label.angle), std::sin(label.angle));
            const QPoint edge = (centre + direction * (c.width() / 2.0)).toPoint();
            const QRect &b = label.box;
            painter.drawLine(edge, QPoint(std::clamp(edge.x(), b.left(), b.right()), std::clamp(edge.y(), b.top(), b.bottom())));
        }
        painter.drawText(label.box, textAlignment(pieOctant(label.angle)), label.text);
    }
    painter.restore();
}
