#include "graphs/bar_graph.h"
#include "graphs/graph_painter.h"
#include "graphs/pie_graph.h"
#include "graphs/plot_graph.h"

#include <QtTest>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include <cmath>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;
const QSize kPage(480, 360);

bool isDark(QRgb p)
{
    return qGray(p) < 100;
}

// Dark pixels in the rectangle.
int darkCount(const QImage &image, const QRect &box)
{
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            n += isDark(image.pixel(x, y));
    return n;
}

// The bounding box of the dark pixels inside `within`.
QRect darkBox(const QImage &image, const QRect &within)
{
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (isDark(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

QFont testFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    return font;
}

} // namespace

// Rendering is checked by looking at pixels of painted pages, and the axis
// and octant rules by tables of hand-computed cases.
class TestGraphPainter : public QObject {
    Q_OBJECT
private slots:
    // Ranges chosen so that r = d / 10^floor(log10 d) falls in every band,
    // on band edges, below zero and across it.
    void tickRule_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<double>("axisMinimum");
        QTest::addColumn<double>("axisMaximum");
        QTest::addColumn<double>("major");
        QTest::addColumn<double>("minor");
        QTest::addColumn<int>("minorTicks");
        QTest::newRow("r = 1") << 0.0 << 1.0 << 0.0 << 1.0 << 0.1 << 0.025 << 3;
        QTest::newRow("r = 1, hundreds") << 200.0 << 300.0 << 200.0 << 300.0 << 10.0 << 2.5 << 3;
        QTest::newRow("1 < r < 2") << 0.0 << 1.5 << 0.0 << 1.6 << 0.2 << 0.05 << 3;
        QTest::newRow("2 < r < 5") << 0.0 << 3.0 << 0.0 << 3.0 << 0.5 << 0.1 << 4;
        QTest::newRow("5 < r < 10") << 0.0 << 7.0 << 0.0 << 7.0 << 1.0 << 0.25 << 3;
        QTest::newRow("r just below 10") << 0.0 << 9.9 << 0.0 << 10.0 << 1.0 << 0.25 << 3;
        QTest::newRow("unaligned ends") << 0.13 << 0.87 << 0.1 << 0.9 << 0.1 << 0.025 << 3;
        QTest::newRow("negative") << -37.0 << -2.0 << -40.0 << 0.0 << 5.0 << 1.0 << 4;
        QTest::newRow("across zero") << -0.3 << 0.45 << -0.3 << 0.5 << 0.1 << 0.025 << 3;
        QTest::newRow("small") << 0.0021 << 0.0059 << 0.002 << 0.006 << 0.0005 << 0.0001 << 4;
    }
    void tickRule()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(double, axisMinimum);
        QFETCH(double, axisMaximum);
        QFETCH(double, major);
        QFETCH(double, minor);
        QFETCH(int, minorTicks);
        const AxisTicks axis = axisTicks(low, high);
        const double slack = major * 1e-9;
        QVERIFY2(std::abs(axis.majorStep - major) < slack, qPrintable(QString::number(axis.majorStep)));
        QVERIFY2(std::abs(axis.minorStep - minor) < slack, qPrintable(QString::number(axis.minorStep)));
        QCOMPARE(axis.minorTicks, minorTicks);
        QVERIFY2(std::abs(axis.minimum - axisMinimum) < slack, qPrintable(QString::number(axis.minimum)));
        QVERIFY2(std::abs(axis.maximum - axisMaximum) < slack, qPrintable(QString::number(axis.maximum)));
        const QList<double> values = axis.majorValues();
        QCOMPARE(values.size(), qsizetype(std::lround((axisMaximum - axisMinimum) / major)) + 1);
    }

    // All values equal: the axis still has a width, contains the value
    // strictly inside, and its labels differ from each other.
    void flatRange_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative") << -250.0;
        QTest::newRow("tiny") << 1e-12;
    }
    void flatRange()
    {
        QFETCH(double, value);
        const AxisTicks axis = axisTicks(value, value);
        QVERIFY(axis.minimum < value && value < axis.maximum);
        const QList<double> values = axis.majorValues();
        QVERIFY(values.size() >= 3 && values.size() <= 21);
        QStringList labels;
        for (double v : values)
            labels << axisNumber(v, axis.minimum);
        QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
    }

    void axisNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("axisMinimum");
        QTest::addColumn<QString>("text");
        QTest::newRow("noise near zero") << 5.551115123125783e-17 << -0.3 << "0";
        QTest::newRow("negative noise") << -2e-17 << -1.0 << "0";
        QTest::newRow("at epsilon is kept") << 2.220446049250313e-16 << -1.0 << "2.22045e-16";
        QTest::newRow("axis at that scale") << 3e-17 << 1e-17 << "3e-17";
        QTest::newRow("axis from zero") << 3e-17 << 0.0 << "3e-17";
        QTest::newRow("six digits") << 0.30000000000000004 << 0.0 << "0.3";
        QTest::newRow("exponent") << 123456789.0 << 0.0 << "1.23457e+08";
    }
    void axisNumbers()
    {
        QFETCH(double, value);
        QFETCH(double, axisMinimum);
        QFETCH(QString, text);
        QCOMPARE(axisNumber(value, axisMinimum), text);
    }

    // Every direction: the middle of each octant in both turns, and the
    // edges, which belong to the octant they open.
    void octants_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<int>("octant");
        const int byEighth[8] = {2, 3, 4, 5, 6, 7, 8, 1}; // from east, clockwise
        const char *names[8] = {"east", "south-east", "south", "south-west", "west", "north-west", "north", "north-east"};
        for (int k = 0; k < 8; ++k) {
            const double middle = k * pi / 4;
            QTest::addRow("%s", names[k]) << middle << byEighth[k];
            QTest::addRow("%s one turn lower", names[k]) << middle - 2 * pi << byEighth[k];
            QTest::addRow("%s opening edge", names[k]) << (2 * k - 1) * pi / 8 << byEighth[k];
            QTest::addRow("%s closing edge", names[k]) << std::nextafter((2 * k + 1) * pi / 8, 0.0) << byEighth[k];
        }
        QTest::newRow("top is north") << -pi / 2 << 8;
        QTest::newRow("east one turn up") << 2 * pi << 2;
        QTest::newRow("last east") << std::nextafter(17 * pi / 8, 0.0) << 2;
        QTest::newRow("lowest east") << -17 * pi / 8 << 2;
        QTest::newRow("south-east two edges down") << -15 * pi / 8 + 1e-9 << 3;
    }
    void octants()
    {
        QFETCH(double, angle);
        QFETCH(int, octant);
        QCOMPARE(pieOctant(angle), octant);
    }

    // y = x from 0 to 3: the axes run exactly over the data, so the line
    // crosses the plot area from corner to corner.
    void risingLinePlot()
    {
        PlotGraph graph;
        QVERIFY(graph.setXData({0, 1, 2, 3}));
        QVERIFY(graph.setYData({0, 1, 2, 3}));
        const QImage image = graphImage(graph, kPage, testFont());
        QCOMPARE(image.size(), kPage);
        const QRect area = graph.layout(image.rect(), testFont(), &image).area;
        QVERIFY(area.width() > 200 && area.height() > 150);
        // Quarter-size corner boxes, kept off the frame.
        const QRect inner = area.adjusted(4, 4, -4, -4);
        const QSize corner(inner.width() / 4, inner.height() / 4);
        const QRect lowerLeft(QPoint(inner.left(), inner.bottom() - corner.height()), corner);
        const QRect upperRight(QPoint(inner.right() - corner.width(), inner.top()), corner);
        const QRect upperLeft(inner.topLeft(), corner);
        const QRect lowerRight(QPoint(inner.right() - corner.width(), inner.bottom() - corner.height()), corner);
        QVERIFY(darkCount(image, lowerLeft) > corner.width() / 2);
        QVERIFY(darkCount(image, upperRight) > corner.width() / 2);
        QCOMPARE(darkCount(image, upperLeft), 0);
        QCOMPARE(darkCount(image, lowerRight), 0);
    }

    // A gap in the data (NaN) leaves a gap in the line.
    void nonFinitePointsAreSkipped()
    {
        PlotGraph graph;
        QVERIFY(graph.setXData({0, 1, 2, 3, 4}));
        QVERIFY(graph.setYData({1, 1, std::nan(""), 1, 1}));
        const QImage image = graphImage(graph, kPage, testFont());
        const ChartLayout chart = graph.layout(image.rect(), testFont(), &image);
        const int y = int(std::lround(chart.yPixel(1)));
        auto darkAround = [&](double x) { return darkCount(image, QRect(int(chart.xPixel(x)) - 1, y - 1, 3, 3)); };
        QVERIFY(darkAround(0.5) > 0);
        QVERIFY(darkAround(3.5) > 0);
        QCOMPARE(darkAround(1.5), 0);
        QCOMPARE(darkAround(2.5), 0);
    }

    // Bars of [1 2 3] from the baseline 0 on an axis from 0 to 3: filled
    // rectangles of one, two and three thirds of the plot area's height.
    void barHeights()
    {
        BarGraph graph;
        QVERIFY(graph.setData({1, 2, 3}));
        const QImage image = graphImage(graph, kPage, testFont());
        const ChartLayout chart = graph.layout(image.rect(), testFont(), &image);
        const QRect &area = chart.area;
        const QRgb white = qRgb(255, 255, 255);
        int previous = 0;
        for (int i = 0; i < 3; ++i) {
            const int x = area.left() + (2 * i + 1) * area.width() / 6; // the middle of slot i
            // Walk up through the bar's fill to its black top edge.
            int top = area.bottom() - 1;
            while (top > area.top() && image.pixel(x, top) != white && !isDark(image.pixel(x, top)))
                --top;
            const int height = area.bottom() - top;
            const int expected = (i + 1) * (area.height() - 1) / 3;
            QVERIFY2(std::abs(height - expected) <= 3, qPrintable(QString("bar %1: %2, expected %3").arg(i).arg(height).arg(expected)));
            QVERIFY(height > previous);
            previous = height;
            // Filled across: the middle row of the bar is one colour over most of the slot.
            const int middle = area.bottom() - height / 2;
            const QRgb fill = image.pixel(x, middle);
            QVERIFY(fill != white && !isDark(fill));
            int run = 0;
            for (int dx = -area.width() / 6; dx < area.width() / 6; ++dx)
                run += image.pixel(x + dx, middle) == fill;
            QVERIFY2(run > area.width() / 6, qPrintable(QString::number(run)));
        }
    }

    // Two equal slices, the first starting at the top and going clockwise:
    // the first fills the right half, the second the left half.
    void pieHalves()
    {
        PieGraph graph;
        QVERIFY(graph.setData({1, 1}));
        const QImage image = graphImage(graph, kPage, testFont());
        const QRect circle = graph.circle(image.rect(), testFont(), &image);
        QVERIFY(circle.width() > 100);
        const QPoint c = circle.center();
        const int r = circle.width() / 2;
        const QRgb first = pieSliceColor(0).rgb();
        const QRgb second = pieSliceColor(1).rgb();
        QVERIFY(first != second);
        for (int dy : {-r / 2, 0, r / 2}) {
            QCOMPARE(image.pixel(c.x() + r / 2, c.y() + dy), first);
            QCOMPARE(image.pixel(c.x() - r / 2, c.y() + dy), second);
        }
        // The boundary is the vertical through the centre, above and below it.
        for (int dy : {-r * 3 / 4, r * 3 / 4}) {
            QCOMPARE(image.pixel(c.x() + 4, c.y() + dy), first);
            QCOMPARE(image.pixel(c.x() - 4, c.y() + dy), second);
        }
    }

    // Texts of neighbouring small slices are moved apart: no two boxes
    // touch, none covers the circle's centre, and each text stays on the
    // side of its slice.
    void pieTextsStayApart_data()
    {
        QTest::addColumn<QList<double>>("data");
        QTest::newRow("halves") << QList<double>{1, 1};
        QTest::newRow("crowded") << QList<double>{30, 1, 1, 1, 20, 2, 45, 0.5, 0.5};
        QTest::newRow("many equal") << QList<double>(24, 1.0);
        QTest::newRow("zero slice") << QList<double>{0, 1, 0, 1};
    }
    void pieTextsStayApart()
    {
        QFETCH(QList<double>, data);
        PieGraph graph;
        QVERIFY(graph.setData(data));
        QImage image(kPage, QImage::Format_RGB32);
        const QRect circle = graph.circle(image.rect(), testFont(), &image);
        const QFontMetrics fm(testFont(), &image);
        const QList<PieGraph::SliceLabel> labels = graph.labels(circle, fm);
        QCOMPARE(labels.size(), data.size());
        for (int i = 0; i < labels.size(); ++i) {
            const QRect &box = labels[i].box;
            QCOMPARE(box.isNull(), data[i] == 0);
            if (box.isNull())
                continue;
            QVERIFY(!box.contains(circle.center()));
            const double side = std::cos(labels[i].angle);
            if (std::abs(side) > 0.3)
                QVERIFY2((box.center().x() > circle.center().x()) == (side > 0), qPrintable(QString::number(i)));
            for (int j = 0; j < i; ++j)
                QVERIFY2(!box.intersects(labels[j].box), qPrintable(QString("%1 and %2").arg(j).arg(i)));
        }
    }

    void pieLabelsAndMiddleAngles()
    {
        PieGraph graph;
        QVERIFY(graph.setData({1, 2, 1}));
        graph.setLabels({"a", "", "c"});
        QCOMPARE(graph.sliceText(0), QStringLiteral("a\n25%"));
        QCOMPARE(graph.sliceText(1), QStringLiteral("50%"));
        QVERIFY(std::abs(graph.middleAngle(0) - (-pi / 4)) < 1e-3);
        QVERIFY(std::abs(graph.middleAngle(1) - pi / 2) < 1e-3);
        QVERIFY(std::abs(graph.middleAngle(2) - 5 * pi / 4) < 1e-3);
        PieGraph third;
        QVERIFY(third.setData({1, 1, 1}));
        QCOMPARE(third.sliceText(0), QStringLiteral("33.3%"));
    }

    // The y label is written bottom to top along the left edge, where
    // nothing else is drawn: as tall as the text is long, one line wide.
    void yLabelIsRotated()
    {
        PlotGraph graph;
        QVERIFY(graph.setXData({0, 1}));
        QVERIFY(graph.setYData({0, 1}));
        const QString label = QStringLiteral("Amplitude of the signal");
        graph.setYLabel(label);
        const QImage image = graphImage(graph, kPage, testFont());
        const QFontMetrics fm(testFont(), const_cast<QImage *>(&image));
        const QRect box = darkBox(image, QRect(0, 0, fm.height() + 5, kPage.height()));
        QVERIFY(!box.isEmpty());
        QVERIFY2(box.width() <= fm.height(), qPrintable(QString::number(box.width())));
        QVERIFY2(box.height() >= fm.horizontalAdvance(label) * 8 / 10, qPrintable(QString::number(box.height())));
        QVERIFY(std::abs(box.center().y() - graph.layout(image.rect(), testFont(), &image).area.center().y()) <= 2);
    }

    // The title sits centred above everything else, in the demi-bold font.
    void titleIsCentredAtTheTop()
    {
        BarGraph graph;
        QVERIFY(graph.setData({1, 2}));
        graph.setTitle(QStringLiteral("Sales"));
        const QImage image = graphImage(graph, kPage, testFont());
        const QFontMetrics fm(graphTitleFont(testFont()), const_cast<QImage *>(&image));
        const QRect area = graph.layout(image.rect(), testFont(), &image).area;
        const QRect box = darkBox(image, QRect(0, 0, kPage.width(), 5 + fm.height()));
        QVERIFY(!box.isEmpty());
        QVERIFY(std::abs(box.center().x() - kPage.width() / 2) <= 3);
        QVERIFY(box.bottom() < area.top() - fm.height() / 3);
        QVERIFY(graphTitleFont(testFont()).weight() == QFont::DemiBold);
    }

    void imageFormats_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("jpeg") << "g.JPeg" << QByteArray("jpeg");
        QTest::newRow("bmp") << "g.bmp" << QByteArray("bmp");
    }
    void imageFormats()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        QTemporaryDir dir;
        PieGraph graph;
        QVERIFY(graph.setData({1, 3}));
        const QString path = dir.filePath(name);
        QString message;
        QVERIFY2(saveGraphImage(graph, path, QSize(321, 203), testFont(), &message), qPrintable(message));
        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        const QImage loaded = reader.read();
        QCOMPARE(loaded.size(), QSize(321, 203));
        QVERIFY(qGray(loaded.pixel(0, 0)) > 250); // white, give or take the JPEG rounding
    }

    void refusedImageNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        const QString allowed = "Allowed \".jpg\", \".jpeg\", \".bmp\" or \".png\" file extensions.";
        QTest::newRow("gif") << "g.Gif" << "\".Gif\" is not allowed file extension. " + allowed;
        QTest::newRow("no point") << "graph" << "Empty file extension. " + allowed;
        QTest::newRow("ends in a point") << "graph." << "Empty file extension. " + allowed;
        QTest::newRow("point only in the directory") << "d.png/graph" << "Empty file extension. " + allowed;
        QTest::newRow("missing directory") << "missing/g.png" << "Can't save image to file \"%1\"";
    }
    void refusedImageNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("d.png"));
        BarGraph graph;
        QVERIFY(graph.setData({1}));
        const QString path = dir.filePath(name);
        QString text;
        QVERIFY(!saveGraphImage(graph, path, QSize(50, 50), testFont(), &text));
        QCOMPARE(text, message.contains("%1") ? message.arg(path) : message);
        QVERIFY(!QFileInfo::exists(path) || QFileInfo(path).isDir());
    }

    // Printing: the screen page's proportions, centred on the paper.
    void fittedRects_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("fitted");
        QTest::newRow("wide page on tall paper") << QRect(0, 0, 1000, 2000) << QSize(400, 200) << QRect(0, 750, 1000, 500);
        QTest::newRow("tall page on wide paper") << QRect(10, 10, 900, 300) << QSize(100, 200) << QRect(385, 10, 150, 300);
        QTest::newRow("same proportions") << QRect(0, 0, 800, 600) << QSize(400, 300) << QRect(0, 0, 800, 600);
        QTest::newRow("empty page") << QRect(0, 0, 800, 600) << QSize(0, 300) << QRect();
    }
    void fittedRects()
    {
        QFETCH(QRect, area);
        QFETCH(QSize, size);
        QFETCH(QRect, fitted);
        QCOMPARE(fittedRect(area, size), fitted);
    }

    // A page far too small for the layout paints without failing.
    void tinyPages()
    {
        PlotGraph plot;
        QVERIFY(plot.setXData({0, 1}));
        QVERIFY(plot.setYData({0, 1}));
        BarGraph bar;
        QVERIFY(bar.setData({1, -2}));
        PieGraph pie;
        QVERIFY(pie.setData({1, 2}));
        for (const Graph *g : {static_cast<const Graph *>(&plot), static_cast<const Graph *>(&bar), static_cast<const Graph *>(&pie)})
            for (const QSize size : {QSize(1, 1), QSize(30, 20), QSize(2000, 15)})
                QCOMPARE(graphImage(*g, size, testFont()).size(), size);
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    TestGraphPainter test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_graph_painter.moc"
