#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class Graph;
class QPainter;
class QPaintDevice;

// Shared page layout of the graph types and image writing. Everything here
// works on any paint device (widget, image, printer) and needs no widgets.

// The size numlyra-cli writes graph images at.
inline constexpr QSize DEFAULT_GRAPH_IMAGE_SIZE{640, 480};

// A numeric axis: it runs from `minimum` to `maximum`, both multiples of
// `majorStep`, with a labelled tick at every multiple and `minorTicks`
// unlabelled ticks `minorStep` apart between two labelled ones.
struct AxisTicks {
    double minimum = 0;
    double maximum = 1;
    double majorStep = 0.1;
    double minorStep = 0.025;
    int minorTicks = 3;

    // The labelled tick values from minimum to maximum.
    QList<double> majorValues() const;
};

// The axis for finite data in [dataMinimum, dataMaximum]. Equal bounds get
// an axis around the value so that a flat line still has a readable scale.
AxisTicks axisTicks(double dataMinimum, double dataMaximum);
// A tick label: 6 significant digits; rounding noise around zero prints as
// 0 unless the whole axis lives at that scale.
QString axisNumber(double value, double axisMinimum);
// The compass octant of a direction given in radians clockwise from east
// (-pi/2 is the top): 1 north-east, 2 east, ... 8 north. Defined on
// [-17pi/8, 17pi/8).
int pieOctant(double angle);
// The fill colour of pie slice `index`.
QColor pieSliceColor(int index);

// The demi-bold title variant of the graph font.
QFont graphTitleFont(const QFont &font);
// White background, black pen, the graph font, no antialiasing.
void preparePage(QPainter &painter, const QRect &rect, const QFont &font);
// The height the title takes at the top of a page (0 for no title).
int titleHeight(const QString &title, const QFont &font, const QPaintDevice *device);
void paintTitle(QPainter &painter, const QString &title, const QRect &rect, const QFont &font);

// Where a plot or bar graph puts its data: the area inside the axes and the
// mapping of values to pixels. A bar graph has `categories` slots along x
// instead of a numeric x axis.
struct ChartLayout {
    QRect area;
    AxisTicks xAxis;
    AxisTicks yAxis;
    int categories = 0;
    int xLabelStep = 1; // label every n-th major tick so that labels stay apart
    int yLabelStep = 1;

    bool numericX() const { return categories == 0; }
    bool isUsable() const { return area.width() > 2 && area.height() > 2; }
    double xPixel(double x) const;
    double yPixel(double y) const;
    // Slot `index` of a bar graph, spanning the area's full height.
    QRectF slot(int index) const;
};

// `xAxis` null means `categories` slots.
ChartLayout chartLayout(const Graph &graph, const QRect &rect, const QFont &font, const QPaintDevice *device,
                        const AxisTicks *xAxis, int categories, const AxisTicks &yAxis);
// Grid lines at the labelled ticks (only when the graph's grid is on).
void paintChartGrid(QPainter &painter, const Graph &graph, const ChartLayout &layout);
// Frame, ticks, tick labels, the category labels, title and axis labels.
void paintChartAxes(QPainter &painter, const Graph &graph, const ChartLayout &layout, const QRect &rect,
                    const QFont &font, const QStringList &categoryLabels);

// The image format a file name asks for ("png", "jpg", "jpeg" or "bmp"); an
// empty result with `message` set to the text for the user otherwise.
QByteArray imageFormatFor(const QString &path, QString *message);
// The graph on a white 32-bit RGB image of `size`.
QImage graphImage(const Graph &graph, const QSize &size, const QFont &font = QFont());
// The largest rectangle inside `area` with the proportions of `size`,
// centred in it; empty when either is empty.
QRect fittedRect(const QRect &area, const QSize &size);
// The graph as laid out on a page of `size` whose fonts are resolved at
// `dpi`, scaled uniformly into fittedRect(area, size). A printer's page thus
// gets the picture of the screen whatever its resolution: pixel distances
// and text grow together.
void paintGraphScaled(QPainter &painter, const Graph &graph, const QRect &area, const QSize &size, const QFont &font,
                      qreal dpi);
// Writes the graph as an image in the format the path's extension names.
// False with `message` (when given) set to the text for the user. Needs a
// QGuiApplication for the fonts.
bool saveGraphImage(const Graph &graph, const QString &path, const QSize &size, const QFont &font = QFont(),
                    QString *message = nullptr);
