#include "throwaway_home.h"
#include "../unit/value_text.h"

#include "app/message_hook.h"
#include "app/settings.h"
#include "engine/virtual_machine.h"
#include "language/script.h"
#include "persistence/variable_model.h"
#include "persistence/variable_table_model.h"
#include "ui/conflict_dialog.h"
#include "ui/console.h"
#include "ui/csv_dialog.h"
#include "ui/main_tab_widget.h"
#include "ui/main_window.h"
#include "ui/variable_page.h"
#include "ui/variable_view.h"
#include "ui/variable_widget.h"
#include "values/index_hash.h"
#include "values/output_list.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using value_text::parse;

namespace {

// "name=text" for every row, in row order.
QString rowsText(const VariableModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows << model.item(row, 0)->text() + QLatin1Char('=') + model.item(row, 1)->text();
    return rows.join(QLatin1Char(' '));
}

// "a=1 b=[1 2; 3 4]" assigned in order.
void assignAll(VariableModel &model, const QString &assignments)
{
    for (const QString &pair : assignments.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int eq = int(pair.indexOf(QLatin1Char('=')));
        model.assign(pair.left(eq).trimmed(), parse(pair.mid(eq + 1)));
    }
}

void selectRows(VariableView *view, int count)
{
    view->clearSelection();
    for (int row = 0; row < count; ++row)
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

template <typename T>
T *child(QWidget *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

// Answers the modal dialogs of an operation, one step each, from a timer:
//   conflict dialog: "replace", "ignore", "cancel", "rename:NAME"
//   text import:     "NAME/double", "NAME/string", "NAME/boolean", "cancel"
//   question box:    "yes", "no"
// A step waits until a dialog of its kind is the active modal window. The
// closing click is queued: a question it raises runs its own event loop,
// which must not sit inside this timer's slot. What the conflict dialog
// showed is collected in `shown`.
class DialogDriver : public QObject {
public:
    explicit DialogDriver(const QStringList &steps)
        : _steps(steps)
    {
        connect(&_timer, &QTimer::timeout, this, &DialogDriver::tick);
        _timer.start(10);
    }
    bool done() const { return _steps.isEmpty(); }
    QStringList shown;

private:
    static void click(QAbstractButton *button) { QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection); }

    void tick()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (_steps.isEmpty() || ++_ticks > 500) { // stray or stuck dialog: close it
            modal->close();
            return;
        }
        const QString step = _steps.first();
        const bool cancel = step == QLatin1String("cancel");
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            if (step != QLatin1String("yes") && step != QLatin1String("no"))
                return;
            click(box->button(step == QLatin1String("yes") ? QMessageBox::Yes : QMessageBox::No));
        } else if (qobject_cast<ConflictDialog *>(modal)) {
            const QString texts = child<QLabel>(modal, "conflictLabel")->text() + QLatin1Char('|')
                                  + child<QLabel>(modal, "valuesLabel")->text();
            if (shown.isEmpty() || shown.last() != texts)
                shown << texts;
            if (!cancel) {
                child<QRadioButton>(modal, qPrintable(step.section(QLatin1Char(':'), 0, 0) + "RadioButton"))->click();
                child<QLineEdit>(modal, "lineEdit")->setText(step.section(QLatin1Char(':'), 1));
            }
            click(child<QPushButton>(modal, cancel ? "cancelButton" : "okButton"));
        } else if (qobject_cast<CSVDialog *>(modal)) {
            if (!cancel) {
                child<QLineEdit>(modal, "lineEdit")->setText(step.section(QLatin1Char('/'), 0, 0));
                child<QRadioButton>(modal, qPrintable(step.section(QLatin1Char('/'), 1) + "RadioButton"))->click();
            }
            click(child<QPushButton>(modal, cancel ? "cancelButton" : "okButton"));
        } else {
            return;
        }
        _steps.removeFirst();
    }

    QStringList _steps;
    QTimer _timer;
    int _ticks = 0;
};

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestVariableWidget : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void valueTexts_data();
    void valueTexts();
    void actionStates_data();
    void actionStates();
    void copyAndDelete_data();
    void copyAndDelete();
    void merge_data();
    void merge();
    void failedLoadKeepsRows_data();
    void failedLoadKeepsRows();
    void textImport_data();
    void textImport();
    void columnWidthsKept();
    void pageCells_data();
    void pageCells();
    void windowFollowsCommands();

private:
    QStringList _messages;
    IndexHash _symbols;
    std::unique_ptr<VariableModel> _model;
    std::unique_ptr<VariableWidget> _widget;
    QTemporaryDir _dir;
};

void TestVariableWidget::init()
{
    _messages.clear();
    setCriticalMessageHandler([this](const QString &text) { _messages << text; });
    setInformationMessageHandler([this](const QString &text) { _messages << text; });
    _symbols = IndexHash();
    _model = std::make_unique<VariableModel>(&_symbols);
    _widget = std::make_unique<VariableWidget>(_model.get());
}

void TestVariableWidget::cleanup()
{
    _widget.reset();
    _model.reset();
    setCriticalMessageHandler(nullptr);
    setInformationMessageHandler(nullptr);
}

void TestVariableWidget::valueTexts_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("2x3 doubles") << "[1 2 3; 4 5 6]" << "<2x3 double>";
    QTest::newRow("booleans") << "[true false]" << "<1x2 bool>";
    QTest::newRow("strings") << "['a'; 'b']" << "<2x1 string>";
    QTest::newRow("typeless") << "[]" << "<0x0 undefined>";
    QTest::newRow("empty string") << "''" << "\"\"";
    QTest::newRow("string") << "'a b'" << "\"a b\"";
    QTest::newRow("true") << "true" << "true";
    QTest::newRow("six digits") << "3.14159265" << "3.14159";
    QTest::newRow("large") << "1e10" << "1e+10";
    QTest::newRow("integer scalar") << "int 5" << "ERROR";
}

// The row carries the slot; absent slots and temporaries show no row.
void TestVariableWidget::valueTexts()
{
    QFETCH(QString, value);
    QFETCH(QString, text);
    _symbols.insert(QStringLiteral("gone"));
    _symbols.at(_symbols.insert(QStringLiteral("*-tmp-_1"), Variable(1.0))).setTemporary(true);
    _model->assign(QStringLiteral("v"), parse(value));
    _model->refresh();
    QCOMPARE(rowsText(*_model), "v=" + text);
    QCOMPARE(_model->item(0, 1)->data(VariableModel::SLOT_ROLE).toInt(), _symbols.indexOf(QStringLiteral("v")));
}

void TestVariableWidget::actionStates_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("expected"); // enabled selection actions
    QTest::newRow("none") << 0 << true << "";
    QTest::newRow("one") << 1 << true << "copy save csv remove";
    QTest::newRow("two") << 2 << true << "copy save remove";
    QTest::newRow("one, running") << 1 << false << "copy save csv";
}

void TestVariableWidget::actionStates()
{
    QFETCH(int, selected);
    QFETCH(bool, enabled);
    QFETCH(QString, expected);
    assignAll(*_model, QStringLiteral("a=1,b=2"));
    VariableView *view = _widget->view();
    selectRows(view, selected);
    _widget->setEnabled(enabled);
    const std::pair<const char *, QAction *> actions[] = {
        {"copy", view->copyAction()},
        {"save", view->saveAction()},
        {"csv", view->saveAsCSVAction()},
        {"remove", view->removeAction()},
    };
    QStringList on;
    for (const auto &[name, action] : actions)
        if (action->isEnabled())
            on << QLatin1String(name);
    QCOMPARE(on.join(QLatin1Char(' ')), expected);
    // The tool bar follows the view.
    QCOMPARE(_widget->action(QStringLiteral("Save as text"))->isEnabled(), view->saveAsCSVAction()->isEnabled());
    QCOMPARE(_widget->action(QStringLiteral("Remove"))->isEnabled(), view->removeAction()->isEnabled());
}

void TestVariableWidget::copyAndDelete_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("afterDelete");
    QTest::newRow("one row") << 1 << true << "a 2.5" << "b=\"x\"";
    QTest::newRow("two rows") << 2 << true << "a 2.5 b \"x\"" << "";
    QTest::newRow("running") << 1 << false << "a 2.5" << "a=2.5 b=\"x\"";
}

void TestVariableWidget::copyAndDelete()
{
    QFETCH(int, selected);
    QFETCH(bool, enabled);
    QFETCH(QString, clipboard);
    QFETCH(QString, afterDelete);
    assignAll(*_model, QStringLiteral("a=2.5,b='x'"));
    VariableView *view = _widget->view();
    selectRows(view, selected);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), clipboard);
    _widget->setEnabled(enabled);
    view->removeSlot(); // what Delete does, reachable even where keys are not
    QCOMPARE(rowsText(*_model), afterDelete);
    QCOMPARE(_symbols.at(0).isAbsent(), enabled);
}

void TestVariableWidget::merge_data()
{
    QTest::addColumn<QString>("workspace");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("shown");
    const QString conflictA =
        "Your current workspace already contains\nvariable \"a\".|Current value: 1\nNew value:     <1x2 double>";
    QTest::newRow("equal values, no question") << "a=1,b='s'" << "a=1,b='s'" << QStringList() << "a=1 b=\"s\""
                                               << QStringList() << QStringList();
    QTest::newRow("replace, ignore")
        << "a=1,b=2" << "a=[5 6],b=3,c=true" << QStringList{"replace", "ignore"} << "a=<1x2 double> b=2 c=true"
        << QStringList() << QStringList{conflictA, "Your current workspace already contains\nvariable \"b\".|"
                                                   "Current value: 2\nNew value:     3"};
    QTest::newRow("refused renames, then a new name")
        << "a=1,b=2" << "a=[5 6],c=4" << QStringList{"rename:1x", "rename: b ", "rename:c", "rename: fresh "}
        << "a=1 b=2 fresh=<1x2 double> c=4"
        << QStringList{"\"1x\" is not valid identificator", "Workspace already contains variable \"b\"",
                       "Workspace already contains variable \"c\""}
        << QStringList{conflictA};
    QTest::newRow("cancel gives the reserved name back")
        << "a=1,b=2" << "a=[5 6],b=3" << QStringList{"rename:r1", "cancel"} << "a=1 b=2" << QStringList()
        << QStringList{conflictA, "Your current workspace already contains\nvariable \"b\".|"
                                  "Current value: 2\nNew value:     3"};
}

void TestVariableWidget::merge()
{
    QFETCH(QString, workspace);
    QFETCH(QString, file);
    QFETCH(QStringList, steps);
    QFETCH(QString, rows);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, shown);
    const QString path = _dir.filePath(QStringLiteral("merge.ws"));
    assignAll(*_model, file);
    QVERIFY(_model->saveWorkspace(path));
    _model->clear();
    assignAll(*_model, workspace);

    DialogDriver driver(steps);
    QVERIFY(_widget->mergeWorkspace(path));
    QVERIFY(driver.done());
    QCOMPARE(driver.shown, shown);
    QCOMPARE(_messages, messages);
    QCOMPARE(rowsText(*_model), rows);
    // A name given back is absent again, so the next merge may take it.
    const int reserved = _symbols.indexOf(QStringLiteral("r1"));
    QVERIFY(reserved < 0 || _symbols.at(reserved).isAbsent());
}

void TestVariableWidget::failedLoadKeepsRows_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("corrupt") << QByteArray("MVA\x10garbage", 11) << "Workspace file corrupted";
    QTest::newRow("missing") << QByteArray() << "File \"%1\" doesn't exists";
}

void TestVariableWidget::failedLoadKeepsRows()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString path = _dir.filePath(QStringLiteral("bad.ws"));
    QFile::remove(path);
    if (!bytes.isEmpty())
        QVERIFY(writeBytes(path, bytes));
    assignAll(*_model, QStringLiteral("a=1,b=[1 2]"));
    QVERIFY(!_widget->loadWorkspace(path));
    QVERIFY(!_widget->mergeWorkspace(path));
    QCOMPARE(rowsText(*_model), QStringLiteral("a=1 b=<1x2 double>"));
    QCOMPARE(_messages, QStringList(2, message.contains("%1") ? message.arg(path) : message));
}

void TestVariableWidget::textImport_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("preset name, double") << QByteArray("1;2;3\n4;5;6\n") << QStringList{"table/double"}
                                         << "a=1 table=<2x3 double>" << QStringList();
    QTest::newRow("bad name, then replace refused, then taken")
        << QByteArray("3.5\n") << QStringList{"1x/double", "a/string", "no", "a/string", "yes"} << "a=\"3.5\""
        << QStringList{"\"1x\" is not valid identificator"};
    QTest::newRow("conversion fails, nothing stored")
        << QByteArray("1;;3\n") << QStringList{"t/double"} << "a=1"
        << QStringList{"Can't convert value to double. Row: 1, Column: 2"};
    QTest::newRow("cancel") << QByteArray("1\n") << QStringList{"cancel"} << "a=1" << QStringList();
    QTest::newRow("empty file, no dialog") << QByteArray() << QStringList() << "a=1" << QStringList{"File is empty"};
}

void TestVariableWidget::textImport()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, steps);
    QFETCH(QString, rows);
    QFETCH(QStringList, messages);
    const QString path = _dir.filePath(QStringLiteral("table.csv"));
    QVERIFY(writeBytes(path, text));
    assignAll(*_model, QStringLiteral("a=1"));

    // The dialog comes up reset, named after the file.
    QString presetName;
    QTimer::singleShot(0, this, [&] {
        if (auto *dialog = qobject_cast<CSVDialog *>(QApplication::activeModalWidget()))
            presetName = child<QLineEdit>(dialog, "lineEdit")->text();
    });
    DialogDriver driver(steps);
    _widget->loadCSV(path);
    QVERIFY(driver.done());
    QCOMPARE(rowsText(*_model), rows);
    QCOMPARE(_messages, messages);
    if (!steps.isEmpty())
        QCOMPARE(presetName, QStringLiteral("table"));
}

void TestVariableWidget::columnWidthsKept()
{
    QSettings(QStringLiteral("Velmora"), QStringLiteral("Numlyra")).clear();
    _widget->view()->setColumnWidth(0, 77);
    _widget->restoreGeometry(); // no keys yet: nothing changes
    QCOMPARE(_widget->view()->columnWidth(0), 77);
    _widget->saveGeometry();
    VariableWidget other(_model.get());
    other.restoreGeometry();
    QCOMPARE(other.view()->columnWidth(0), 77);
    QCOMPARE(Settings::readInteger(VARIABLE_VIEW_COLUMN_SETTING, -1, 0), 77);
}

void TestVariableWidget::pageCells_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("copied"); // the whole table, tab-separated
    QTest::newRow("doubles") << "[1 2.5; -3 0.125]" << "1.\t2.5\n-3.\t0.125\n";
    QTest::newRow("strings") << "['a' '']" << "\"a\"\t\"\"\n";
    QTest::newRow("booleans") << "[true; false]" << "true\nfalse\n";
    QTest::newRow("scalar") << "0.1" << "0.1\n";
}

void TestVariableWidget::pageCells()
{
    QFETCH(QString, value);
    QFETCH(QString, copied);
    _model->assign(QStringLiteral("v"), parse(value));
    VariablePage page(&_symbols, QStringLiteral("v"));
    page.view()->selectAll();
    QTest::keyClick(page.view(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), copied);
    QCOMPARE(page.model()->headerData(0, Qt::Vertical).toInt(), 0);
    // A single cell of a selection is copied alone.
    page.view()->clearSelection();
    page.view()->selectionModel()->select(page.model()->index(0, 0), QItemSelectionModel::Select);
    page.copySlot();
    QCOMPARE(QApplication::clipboard()->text(), copied.section(QRegularExpression("[\t\n]"), 0, 0) + "\n");
}

// The dock follows runs (not failed ones), a variable page follows its
// variable, and nothing in the dock changes the workspace during a run.
void TestVariableWidget::windowFollowsCommands()
{
    cleanup();
    QSettings(QStringLiteral("Velmora"), QStringLiteral("Numlyra")).clear();
    MainWindow window;
    window.resize(900, 640);
    window.show();
    QVERIFY(QTest::qWaitFor([&] { return window.isStarted(); }, 10000));
    VariableModel *model = window.workspace();
    auto enter = [&](const QString &line) {
        window.activateConsole();
        QTest::keyClicks(window.console(), line);
        QTest::keyClick(window.console(), Qt::Key_Return);
        return QTest::qWaitFor(
            [&] { return !window.engine()->isRunning() && window.console()->state() != Console::BUSY_STATE; }, 10000);
    };
    const std::pair<const char *, const char *> runs[] = {
        {"a = 1; m = [1, 2; 3, 4];", "a=1 m=<2x2 double>"},
        {"s = \"x\"; m = [1, 2, 3]; q = nothere + 1;", "a=1 m=<2x2 double>"},
        {"m = [7, 2; 3, 4]; s = \"\";", "a=1 m=<2x2 double> s=\"\""},
    };
    for (const auto &[line, rows] : runs) {
        QVERIFY(enter(QLatin1String(line)));
        QCOMPARE(rowsText(*model), QLatin1String(rows));
    }

    window.openVariablePage(window.engine()->interactiveScript()->symbols().indexOf(QStringLiteral("m")));
    auto *page = qobject_cast<VariablePage *>(window.tabWidget()->currentWidget());
    QVERIFY(page);
    QCOMPARE(window.tabWidget()->tabText(window.tabWidget()->currentIndex()), QStringLiteral("m"));
    QCOMPARE(page->model()->cellText(0, 0), QStringLiteral("7."));
    QVERIFY(enter(QStringLiteral("m[1, 1] = 9;")));
    QCOMPARE(page->model()->cellText(1, 1), QStringLiteral("9."));

    // During a run Delete and Clear leave the workspace alone.
    window.processStarted();
    VariableView *view = window.variableWidget()->view();
    selectRows(view, 1);
    QTest::keyClick(view, Qt::Key_Delete);
    window.variableWidget()->clearSlot();
    QCOMPARE(rowsText(*model), QStringLiteral("a=1 m=<2x2 double> s=\"\""));
    window.processFinished();

    QVERIFY(enter(QStringLiteral("clear m")));
    QCOMPARE(rowsText(*model), QStringLiteral("a=1 s=\"\""));
    QCOMPARE(window.tabWidget()->count(), 1); // the page went with its variable
    QVERIFY(enter(QStringLiteral("clear")));
    QCOMPARE(rowsText(*model), QString());
    OutputList::instance().clear();
}

NUMLYRA_WIDGET_TEST_MAIN(TestVariableWidget)
#include "test_variable_widget.moc"
