#include "graphs/graph_painter.h"

#include "graphs/graph.h"
#include "values/assert.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Pixel distances of the page layout.
constexpr int MARGIN = 5;
constexpr int MAJOR_TICK = 5;
constexpr int MINOR_TICK = 3;
constexpr int LABEL_GAP = 3;
constexpr int LABEL_SPACING = 8; // least free room between two tick labels
// A pathological range (overflow) must not produce millions of ticks.
constexpr int MAX_MAJOR_TICKS = 200;

const QColor GRID_COLOR(200, 200, 200);

const QString ALLOWED_EXTENSIONS = QStringLiteral("Allowed \".jpg\", \".jpeg\", \".bmp\" or \".png\" file extensions.");

int majorCount(const AxisTicks &axis)
{
    const double n = std::round((axis.maximum - axis.minimum) / axis.majorStep);
    return std::isfinite(n) ? int(std::clamp(n, 1.0, double(MAX_MAJOR_TICKS))) : 1;
}

// The smallest n such that every n-th of `count` labels `spacing` pixels
// apart leaves `needed` pixels for each.
int labelStep(double spacing, int needed, int count)
{
    if (spacing <= 0)
        return std::max(count, 1);
    int step = 1;
    while (step < count && spacing * step < needed)
        ++step;
    return step;
}

} // namespace

QList<double> AxisTicks::majorValues() const
{
    QList<double> values;
    const int n = majorCount(*this);
    values.reserve(n + 1);
    // Accumulating from the minimum can leave noise such as 1e-17 where 0
    // belongs; axisNumber() hides it.
    for (int i = 0; i <= n; ++i)
        values.append(minimum + i * majorStep);
    return values;
}

AxisTicks axisTicks(double dataMinimum, double dataMaximum)
{
    double low = dataMinimum;
    double high = dataMaximum;
    if (!(high > low)) {
        // A flat line: half its magnitude on either side, or +-0.5 around 0.
        const double half = low == 0 ? 0.5 : std::abs(low) / 2;
        high = low + half;
        low -= half;
    }
    AxisTicks axis;
    const double d = high - low;
    if (!std::isfinite(d)) {
        // The range overflows a double: four equal steps, no rounding.
        axis.minimum = low;
        axis.maximum = high;
        axis.majorStep = high / 4 - low / 4;
        axis.minorStep = axis.majorStep / 2;
        axis.minorTicks = 1;
        return axis;
    }
    const double p = std::pow(10.0, std::floor(std::log10(d)));
    const double r = d / p;
    if (r <= 1) {
        axis.majorStep = 0.1 * p;
        axis.minorStep = 0.025 * p;
        axis.minorTicks = 3;
    } else if (r <= 2) {
        axis.majorStep = 0.2 * p;
        axis.minorStep = 0.05 * p;
        axis.minorTicks = 3;
    } else if (r <= 5) {
        axis.majorStep = 0.5 * p;
        axis.minorStep = 0.1 * p;
        axis.minorTicks = 4;
    } else {
        axis.majorStep = p;
        axis.minorStep = 0.25 * p;
        axis.minorTicks = 3;
    }
    axis.minimum = std::floor(low / axis.majorStep) * axis.majorStep;
    axis.maximum = std::ceil(high / axis.majorStep) * axis.majorStep;
    return axis;
}

QString axisNumber(double value, double axisMinimum)
{
    const double epsilon = std::numeric_limits<double>::epsilon();
    if (std::abs(value) < epsilon && std::abs(axisMinimum) >= epsilon)
        value = 0;
    return QString::number(value, 'g', 6);
}

int pieOctant(double angle)
{
    // Octants open at the odd multiples of pi/8. Comparing with each edge,
    // rather than dividing the angle, keeps an angle that lies exactly on an
    // edge in the octant the edge opens.
    constexpr double eighth = std::numbers::pi / 8;
    NUMLYRA_ASSERT(angle >= -17 * eighth && angle < 17 * eighth);
    int octant = 2; // east, from -17pi/8 (one turn below -pi/8)
    for (int edge = -15; edge <= 15 && angle >= edge * eighth; edge += 2)
        octant = octant % 8 + 1;
    return octant;
}

QColor pieSliceColor(int index)
{
    static const QColor palette[] = {
        QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44),  QColor(214, 39, 40),
        QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127),
        QColor(188, 189, 34), QColor(23, 190, 207),
    };
    constexpr int size = int(std::size(palette));
    return palette[((index % size) + size) % size];
}

QFont graphTitleFont(const QFont &font)
{
    QFont title = font;
    title.setWeight(QFont::DemiBold);
    if (font.pointSizeF() > 0)
        title.setPointSizeF(font.pointSizeF() * 1.25);
    else if (font.pixelSize() > 0)
        title.setPixelSize(font.pixelSize() * 5 / 4);
    return title;
}

void preparePage(QPainter &painter, const QRect &rect, const QFont &font)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect, Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.setFont(font);
}

int titleHeight(const QString &title, const QFont &font, const QPaintDevice *device)
{
    if (title.isEmpty())
        return 0;
    // QFontMetrics wants a non-const device but only reads its resolution.
    const QFontMetrics fm(graphTitleFont(font), const_cast<QPaintDevice *>(device));
    return fm.height() + MARGIN;
}

void paintTitle(QPainter &painter, const QString &title, const QRect &rect, const QFont &font)
{
    if (title.isEmpty())
        return;
    painter.save();
    painter.setFont(graphTitleFont(font));
    const QRect box(rect.left() + MARGIN, rect.top() + MARGIN, rect.width() - 2 * MARGIN, painter.fontMetrics().height());
    painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, painter.fontMetrics().elidedText(title, Qt::ElideRight, box.width()));
    painter.restore();
}

double ChartLayout::xPixel(double x) const
{
    return area.left() + (x - xAxis.minimum) / (xAxis.maximum - xAxis.minimum) * (area.width() - 1);
}

double ChartLayout::yPixel(double y) const
{
    return area.bottom() - (y - yAxis.minimum) / (yAxis.maximum - yAxis.minimum) * (area.height() - 1);
}

QRectF ChartLayout::slot(int index) const
{
    const double width = double(area.width()) / std::max(categories, 1);
    return QRectF(area.left() + index * width, area.top(), width, area.height());
}

ChartLayout chartLayout(const Graph &graph, const QRect &rect, const QFont &font, const QPaintDevice *device,
                        const AxisTicks *xAxis, int categories, const AxisTicks &yAxis)
{
    const QFontMetrics fm(font, const_cast<QPaintDevice *>(device));
    ChartLayout layout;
    layout.yAxis = yAxis;
    layout.categories = xAxis ? 0 : std::max(categories, 1);
    if (xAxis)
        layout.xAxis = *xAxis;

    int yLabelWidth = 0;
    for (double v : yAxis.majorValues())
        yLabelWidth = std::max(yLabelWidth, fm.horizontalAdvance(axisNumber(v, yAxis.minimum)));
    int xLabelWidth = 0;
    int firstXLabel = 0;
    int lastXLabel = 0;
    if (xAxis) {
        const QList<double> xs = xAxis->majorValues();
        for (double v : xs)
            xLabelWidth = std::max(xLabelWidth, fm.horizontalAdvance(axisNumber(v, xAxis->minimum)));
        firstXLabel = fm.horizontalAdvance(axisNumber(xs.first(), xAxis->minimum));
        lastXLabel = fm.horizontalAdvance(axisNumber(xs.last(), xAxis->minimum));
    }

    const int yTitle = graph.yLabel().isEmpty() ? 0 : fm.height() + MARGIN;
    const int xTitle = graph.xLabel().isEmpty() ? 0 : fm.height() + MARGIN;
    const int top = rect.top() + MARGIN + titleHeight(graph.title(), font, device) + fm.height() / 2;
    const int left = std::max(rect.left() + MARGIN + yTitle + yLabelWidth + LABEL_GAP + MAJOR_TICK,
                              rect.left() + MARGIN + firstXLabel / 2);
    const int bottom = rect.bottom() - MARGIN - xTitle - fm.height() - LABEL_GAP - MAJOR_TICK;
    const int right = rect.right() - MARGIN - std::max(lastXLabel / 2, fm.height() / 2);
    layout.area = QRect(QPoint(left, top), QPoint(right, bottom));

    const int yCount = majorCount(yAxis);
    layout.yLabelStep = labelStep(double(layout.area.height()) / yCount, fm.height() + 2, yCount);
    if (xAxis) {
        const int xCount = majorCount(*xAxis);
        layout.xLabelStep = labelStep(double(layout.area.width()) / xCount, xLabelWidth + LABEL_SPACING, xCount);
    }
    return layout;
}

void paintChartGrid(QPainter &painter, const Graph &graph, const ChartLayout &layout)
{
    if (!graph.gridOn() || !layout.isUsable())
        return;
    painter.save();
    painter.setPen(QPen(GRID_COLOR, 0, Qt::DotLine));
    const QRect &a = layout.area;
    for (double v : layout.yAxis.majorValues()) {
        const int y = int(std::lround(layout.yPixel(v)));
        painter.drawLine(a.left(), y, a.right(), y);
    }
    if (layout.numericX()) {
        for (double v : layout.xAxis.majorValues()) {
            const int x = int(std::lround(layout.xPixel(v)));
            painter.drawLine(x, a.top(), x, a.bottom());
        }
    }
    painter.restore();
}

namespace {

void paintYAxis(QPainter &painter, const ChartLayout &layout, const QFontMetrics &fm)
{
    const QRect &a = layout.area;
    const AxisTicks &axis = layout.yAxis;
    const QList<double> values = axis.majorValues();
    for (int i = 0; i < values.size(); ++i) {
        const int y = int(std::lround(layout.yPixel(values[i])));
        painter.drawLine(a.left() - MAJOR_TICK, y, a.left(), y);
        for (int k = 1; k <= axis.minorTicks && i + 1 < values.size(); ++k) {
            const int ym = int(std::lround(layout.yPixel(values[i] + k * axis.minorStep)));
            painter.drawLine(a.left() - MINOR_TICK, ym, a.left(), ym);
        }
        if (i % layout.yLabelStep != 0)
            continue;
        const QString text = axisNumber(values[i], axis.minimum);
        const int w = fm.horizontalAdvance(text);
        const QRect box(a.left() - MAJOR_TICK - LABEL_GAP - w, y - fm.height() / 2, w, fm.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
    }
}

void paintXAxis(QPainter &painter, const ChartLayout &layout, const QFontMetrics &fm, const QStringList &categoryLabels)
{
    const QRect &a = layout.area;
    const int labelTop = a.bottom() + MAJOR_TICK + LABEL_GAP;
    if (!layout.numericX()) {
        for (int i = 0; i < layout.categories && i < categoryLabels.size(); ++i) {
            const QRectF s = layout.slot(i);
            const QRect box(int(s.left()), labelTop, int(s.width()), fm.height());
            painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, fm.elidedText(categoryLabels[i], Qt::ElideRight, box.width()));
        }
        return;
    }
    const AxisTicks &axis = layout.xAxis;
    const QList<double> values = axis.majorValues();
    for (int i = 0; i < values.size(); ++i) {
        const int x = int(std::lround(layout.xPixel(values[i])));
        painter.drawLine(x, a.bottom(), x, a.bottom() + MAJOR_TICK);
        for (int k = 1; k <= axis.minorTicks && i + 1 < values.size(); ++k) {
            const int xm = int(std::lround(layout.xPixel(values[i] + k * axis.minorStep)));
            painter.drawLine(xm, a.bottom(), xm, a.bottom() + MINOR_TICK);
        }
        if (i % layout.xLabelStep != 0)
            continue;
        const QString text = axisNumber(values[i], axis.minimum);
        const int w = fm.horizontalAdvance(text);
        painter.drawText(QRect(x - w / 2, labelTop, w, fm.height()), Qt::AlignCenter, text);
    }
}

} // namespace

void paintChartAxes(QPainter &painter, const Graph &graph, const ChartLayout &layout, const QRect &rect,
                    const QFont &font, const QStringList &categoryLabels)
{
    paintTitle(painter, graph.title(), rect, font);
    if (!layout.isUsable())
        return;
    const QFontMetrics fm = painter.fontMetrics();
    const QRect &a = layout.area;
    painter.drawRect(a.adjusted(0, 0, -1, -1));
    paintYAxis(painter, layout, fm);
    paintXAxis(painter, layout, fm, categoryLabels);

    if (!graph.xLabel().isEmpty()) {
        const QRect box(a.left(), rect.bottom() - MARGIN - fm.height(), a.width(), fm.height());
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignBottom, fm.elidedText(graph.xLabel(), Qt::ElideRight, box.width()));
    }
    if (!graph.yLabel().isEmpty()) {
        // Written bottom to top along the left edge.
        painter.save();
        painter.translate(rect.left() + MARGIN, a.center().y());
        painter.rotate(-90);
        const QRect box(-a.height() / 2, 0, a.height(), fm.height());
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, fm.elidedText(graph.yLabel(), Qt::ElideRight, box.width()));
        painter.restore();
    }
}

QByteArray imageFormatFor(const QString &path, QString *message)
{
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot == name.size() - 1) {
        if (message)
            *message = QStringLiteral("Empty file extension. ") + ALLOWED_EXTENSIONS;
        return {};
    }
    const QString extension = name.mid(dot + 1);
    const QString lower = extension.toLower();
    if (lower == QLatin1String("png") || lower == QLatin1String("bmp"))
        return lower.toLatin1();
    if (lower == QLatin1String("jpg") || lower == QLatin1String("jpeg"))
        return QByteArrayLiteral("jpg");
    if (message)
        *message = QStringLiteral("\".%1\" is not allowed file extension. ").arg(extension) + ALLOWED_EXTENSIONS;
    return {};
}

QImage graphImage(const Graph &graph, const QSize &size, const QFont &font)
{
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::white);
    QPainter painter(&image);
    graph.paint(painter, image.rect(), font);
    painter.end();
    return image;
}

QRect fittedRect(const QRect &area, const QSize &size)
{
    if (area.isEmpty() || size.isEmpty())
        return {};
    QRect fitted(QPoint(0, 0), size.scaled(area.size(), Qt::KeepAspectRatio));
    fitted.moveCenter(area.center());
    return fitted;
}

void paintGraphScaled(QPainter &painter, const Graph &graph, const QRect &area, const QSize &size, const QFont &font,
                      qreal dpi)
{
    const QRect target = fittedRect(area, size);
    if (target.isEmpty())
        return;
    // A point size would be resolved at the device's resolution and then
    // scaled once more; a pixel size scales with the page.
    QFont pageFont = font;
    if (font.pointSizeF() > 0)
        pageFont.setPixelSize(std::max(1, int(std::lround(font.pointSizeF() * dpi / 72.0))));
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(double(target.width()) / size.width(), double(target.height()) / size.height());
    graph.paint(painter, QRect(QPoint(0, 0), size), pageFont);
    painter.restore();
}

bool saveGraphImage(const Graph &graph, const QString &path, const QSize &size, const QFont &font, QString *message)
{
    const QByteArray format = imageFormatFor(path, message);
    if (format.isEmpty())
        return false;
    const QImage image = graphImage(graph, size, font);
    if (image.isNull() || !image.save(path, format.constData())) {
        if (message)
            *message = QStringLiteral("Can't save image to file \"%1\"").arg(path);
        return false;
    }
    return true;
}
