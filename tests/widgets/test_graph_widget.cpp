// Graph pages: the tool bar's states, the text and font dialogs, saving an
// image and printing through the dialogs a user sees. The image rules
// themselves are test_graph_painter's.

#include "dialog_answers.h"

#include "app/message_hook.h"
#include "app/settings.h"
#include "graphs/bar_graph.h"
#include "graphs/pie_graph.h"
#include "graphs/plot_graph.h"
#include "ui/graph_painter_widget.h"
#include "ui/graph_widget.h"
#include "ui/main_window.h"

#include "throwaway_home.h"

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QFontDialog>
#include <QImageReader>
#include <QInputDialog>
#include <QPrinter>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {

const QString kAllowed = QStringLiteral("Allowed \".jpg\", \".jpeg\", \".bmp\" or \".png\" file extensions.");

Graph *makeGraph(const QString &kind)
{
    if (kind == QLatin1String("pie")) {
        auto *pie = new PieGraph;
        pie->setData({1, 2, 3});
        return pie;
    }
    if (kind == QLatin1String("bar")) {
        auto *bar = new BarGraph;
        bar->setData({3, 1, 2});
        bar->setGridOn(true);
        return bar;
    }
    auto *plot = new PlotGraph;
    plot->setXData({0, 1, 2, 3});
    plot->setYData({0, 1, 4, 9});
    plot->setTitle(QStringLiteral("Squares"));
    return plot;
}

QAction *action(const GraphWidget &page, const QString &text)
{
    for (QAction *a : page.toolBar()->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

} // namespace

class TestGraphWidget : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        _messages.clear();
        setCriticalMessageHandler([this](const QString &text) { _messages << text; });
    }
    void cleanup() { setCriticalMessageHandler(nullptr); }

    void toolBarStates_data();
    void toolBarStates();
    void textDialogs_data();
    void textDialogs();
    void saveImage_data();
    void saveImage();
    void print_data();
    void print();
    void fontReachesEveryPage();

private:
    QStringList _messages;
};

void TestGraphWidget::toolBarStates_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("grid");
    QTest::addColumn<bool>("labels");
    QTest::newRow("pie") << "pie" << false << false;
    QTest::newRow("bar") << "bar" << true << true;
    QTest::newRow("plot without grid") << "plot" << false << true;
}

void TestGraphWidget::toolBarStates()
{
    QFETCH(QString, kind);
    QFETCH(bool, grid);
    QFETCH(bool, labels);
    GraphWidget page(makeGraph(kind), QFont());
    QStringList texts;
    for (const QAction *a : page.toolBar()->actions())
        texts << a->text();
    QCOMPARE(texts, (QStringList{"Save", "Print", "Show Grid", "Title", "Y label", "X label", "Font"}));
    QAction *showGrid = action(page, "Show Grid");
    QCOMPARE(showGrid->isEnabled(), labels); // a grid needs axes, as labels do
    QCOMPARE(showGrid->isChecked(), grid);
    QCOMPARE(action(page, "X label")->isEnabled(), labels);
    QCOMPARE(action(page, "Y label")->isEnabled(), labels);
    QVERIFY(action(page, "Title")->isEnabled());
    if (!showGrid->isEnabled())
        return;
    // The button drives the graph, and a command's change drives the button.
    showGrid->trigger();
    QCOMPARE(page.graph()->gridOn(), !grid);
    page.graph()->setGridOn(grid);
    page.refresh();
    QCOMPARE(showGrid->isChecked(), grid);
}

void TestGraphWidget::textDialogs_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("ok");
    QTest::newRow("title") << "Title" << "Title:" << true;
    QTest::newRow("x label") << "X label" << "X label:" << true;
    QTest::newRow("y label") << "Y label" << "Y label:" << true;
    QTest::newRow("title cancelled") << "Title" << "Title:" << false;
}

void TestGraphWidget::textDialogs()
{
    QFETCH(QString, button);
    QFETCH(QString, label);
    QFETCH(bool, ok);
    GraphWidget page(makeGraph("plot"), QFont());
    Graph *graph = page.graph();
    graph->setXLabel("Old");
    graph->setYLabel("Old");
    graph->setTitle("Old");
    QStringList seen;
    DialogAnswers answers({[&](QWidget *w) {
        auto *dialog = qobject_cast<QInputDialog *>(w);
        seen << w->windowTitle() << (dialog ? dialog->labelText() : QString()) << (dialog ? dialog->textValue() : QString());
        if (dialog)
            dialog->setTextValue("New");
        ok ? static_cast<QDialog *>(dialog)->accept() : static_cast<QDialog *>(dialog)->reject();
    }});
    action(page, button)->trigger();
    QVERIFY2(answers.done(), qPrintable(answers.unexpected().join(", ")));
    const QString dialogTitle = button == "Title" ? "Graph title" : button;
    QCOMPARE(seen, (QStringList{dialogTitle, label, "Old"}));
    const QString expected = ok ? "New" : "Old";
    const QString value = button == "Title" ? graph->title() : button == "X label" ? graph->xLabel() : graph->yLabel();
    QCOMPARE(value, expected);
    if (button == "Title")
        QCOMPARE(page.windowTitle(), ok ? expected : QString("Squares"));
}

void TestGraphWidget::saveImage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QString>("message");
    QTest::newRow("upper-case PNG") << "graph.PNG" << QByteArray("png") << QString();
    QTest::newRow("gif") << "graph.gif" << QByteArray() << "\".gif\" is not allowed file extension. " + kAllowed;
    QTest::newRow("no point") << "graph" << QByteArray() << "Empty file extension. " + kAllowed;
    QTest::newRow("ends in a point") << "graph." << QByteArray() << "Empty file extension. " + kAllowed;
}

// Size dialog, then the file dialog, then the image: 800 x 600, not blank.
void TestGraphWidget::saveImage()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    GraphWidget page(makeGraph("plot"), QFont());
    page.resize(500, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QSize preset;
    QString caption;
    DialogAnswers answers({[&](QWidget *w) {
                               auto *width = w->findChild<QSpinBox *>("widthSpinBox");
                               auto *height = w->findChild<QSpinBox *>("heightSpinBox");
                               preset = QSize(width->value(), height->value());
                               width->setValue(800);
                               height->setValue(600);
                               QTest::mouseClick(w->findChild<QWidget *>("okButton"), Qt::LeftButton);
                           },
                           [&](QWidget *w) {
                               auto *files = qobject_cast<QFileDialog *>(w);
                               caption = w->windowTitle();
                               // Typed as a user would: selectFile() races with
                               // the dialog's listing of the directory.
                               files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
                               static_cast<QDialog *>(files)->accept();
                           }});
    page.saveSlot();
    QVERIFY2(answers.done(), qPrintable(answers.unexpected().join(", ")));
    QCOMPARE(preset, page.painterWidget()->contentsRect().size());
    QCOMPARE(caption, QStringLiteral("Save image"));
    QCOMPARE(_messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(QFileInfo::exists(path), !format.isEmpty());
    if (format.isEmpty())
        return;
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(800, 600));
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    QVERIFY2(dark > 1000, qPrintable(QString::number(dark)));
    QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255));
}

void TestGraphWidget::print_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ok");
    QTest::newRow("pdf file") << "graph.pdf" << true;
    QTest::newRow("missing directory") << "missing/graph.pdf" << false;
}

void TestGraphWidget::print()
{
    QFETCH(QString, name);
    QFETCH(bool, ok);
    QTemporaryDir dir;
    GraphWidget page(makeGraph("bar"), QFont());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(name));
    QCOMPARE(page.printGraph(printer), ok);
    QCOMPARE(_messages, ok ? QStringList() : QStringList{"Can't print graph"});
    QFile pdf(dir.filePath(name));
    QCOMPARE(pdf.open(QIODevice::ReadOnly), ok);
    if (ok) {
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(bytes.size() > 1000);
    }
}

// One page's font dialog sets the font of every page, of pages to come and
// of the next session.
void TestGraphWidget::fontReachesEveryPage()
{
    QSettings(QStringLiteral("Velmora"), QStringLiteral("Numlyra")).clear();
    MainWindow window;
    window.addGraphPage(makeGraph("plot"));
    Graph *second = makeGraph("pie");
    window.addGraphPage(second);
    QFont chosen(QStringLiteral("DejaVu Serif"), 17);
    DialogAnswers answers({[&](QWidget *w) {
        auto *dialog = qobject_cast<QFontDialog *>(w);
        dialog->setCurrentFont(chosen);
        chosen = dialog->currentFont();
        static_cast<QDialog *>(dialog)->accept();
    }});
    action(*window.graphPage(second), "Font")->trigger();
    QVERIFY2(answers.done(), qPrintable(answers.unexpected().join(", ")));
    QCOMPARE(chosen.pointSize(), 17);
    for (Graph *graph : Graph::graphList())
        QCOMPARE(window.graphPage(graph)->graphFont(), chosen);
    QCOMPARE(Settings::graphFont(), chosen);
    Graph *third = makeGraph("bar");
    window.addGraphPage(third);
    QCOMPARE(window.graphPage(third)->painterWidget()->font(), chosen);
}

NUMLYRA_WIDGET_TEST_MAIN(TestGraphWidget)

#include "test_graph_widget.moc"
