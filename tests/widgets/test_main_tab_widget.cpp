#include "throwaway_home.h"
#include "app/message_hook.h"
#include "graphs/plot_graph.h"
#include "dialog_answers.h"
#include "ui/find_bar.h"
#include "ui/graph_widget.h"
#include "ui/main_tab_widget.h"
#include "ui/text_edit.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<missing>");
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// A tab widget with a stand-in command window, as the main window builds it.
struct Tabs {
    QWidget window;
    QWidget *console = new QWidget(&window);
    MainTabWidget *tabs = new MainTabWidget(console, &window);

    TextEdit *addPage(bool readOnly, const QString &path = QString())
    {
        auto *page = new TextEdit(readOnly, tabs);
        if (!path.isEmpty() && !page->openFile(path)) {
            delete page;
            return nullptr;
        }
        tabs->addEditorPage(page);
        return page;
    }
};

} // namespace

class TestMainTabWidget : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void actionStates_data();
    void actionStates();
    void run_data();
    void run();
    void closeModified_data();
    void closeModified();
    void deleteViewerPage();
    void keys_data();
    void keys();
    void find_data();
    void find();

private:
    QTemporaryDir *_dir = nullptr;
    QStringList _messages;
};

void TestMainTabWidget::init()
{
    _dir = new QTemporaryDir;
    _messages.clear();
    setCriticalMessageHandler([this](const QString &text) { _messages << text; });
}

void TestMainTabWidget::cleanup()
{
    setCriticalMessageHandler(nullptr);
    delete _dir;
}

// Which of Run, Save, Delete, Load as text and Close each kind of page offers.
void TestMainTabWidget::actionStates_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("expected"); // R S D L C, '-' for disabled
    QTest::newRow("console") << "console" << true << "-----";
    QTest::newRow("new editor") << "new" << true << "RS--C";
    QTest::newRow("editor with a file") << "editor" << true << "RSDLC";
    QTest::newRow("viewer") << "viewer" << true << "R-DLC";
    QTest::newRow("viewer while a command runs") << "viewer" << false << "--DLC";
    QTest::newRow("graph") << "graph" << true << "-S--C";
    QTest::newRow("other view") << "other" << true << "----C";
}

void TestMainTabWidget::actionStates()
{
    QFETCH(QString, page);
    QFETCH(bool, enabled);
    QFETCH(QString, expected);
    const QString path = _dir->filePath(QStringLiteral("a.l"));
    QVERIFY(writeFile(path, "x = 1\n"));
    Tabs t;
    if (page == QLatin1String("new"))
        t.addPage(false);
    else if (page == QLatin1String("editor") || page == QLatin1String("viewer"))
        QVERIFY(t.addPage(page == QLatin1String("viewer"), path));
    else if (page == QLatin1String("graph"))
        t.tabs->setCurrentIndex(t.tabs->addTab(new GraphWidget(new PlotGraph, QFont(), t.tabs), QStringLiteral("g")));
    else if (page == QLatin1String("other"))
        t.tabs->setCurrentIndex(t.tabs->addTab(new QWidget(t.tabs), QStringLiteral("v")));
    t.tabs->setTabsEnabled(enabled);

    const QList<QAction *> actions = t.tabs->pageActions();
    QCOMPARE(actions.size(), 5);
    QString states;
    for (int i = 0; i < 5; ++i)
        states += actions[i]->isEnabled() ? QStringLiteral("RSDLC").at(i) : QLatin1Char('-');
    QCOMPARE(states, expected);

    // Closing an unknown view simply removes it.
    if (page == QLatin1String("other")) {
        t.tabs->closeSlot();
        QCOMPARE(t.tabs->count(), 1);
    }
}

// F5 saves an editor page first; without a file name the save dialog asks.
void TestMainTabWidget::run_data()
{
    QTest::addColumn<bool>("named");
    QTest::addColumn<bool>("acceptDialog");
    QTest::addColumn<bool>("runs");
    QTest::newRow("new page, dialog cancelled") << false << false << false;
    QTest::newRow("new page, name given") << false << true << true;
    QTest::newRow("modified page with a file") << true << false << true;
}

void TestMainTabWidget::run()
{
    QFETCH(bool, named);
    QFETCH(bool, acceptDialog);
    QFETCH(bool, runs);
    const QString path = _dir->filePath(QStringLiteral("run_me.l"));
    if (named)
        QVERIFY(writeFile(path, "old\n"));
    Tabs t;
    TextEdit *page = t.addPage(false, named ? path : QString());
    page->selectAll();
    page->insertPlainText(QStringLiteral("y = 2\n"));
    QSignalSpy ran(t.tabs, &MainTabWidget::run);
    bool asked = false;
    if (!named) {
        answerNextModal([&](QWidget *dialog) {
            auto *fileDialog = qobject_cast<QFileDialog *>(dialog);
            asked = fileDialog && fileDialog->windowTitle() == QStringLiteral("Save file");
            if (!acceptDialog) {
                static_cast<QDialog *>(dialog)->reject();
                return;
            }
            // Typed as a user would: selectFile() races with the dialog's
            // listing of the directory.
            fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
            static_cast<QDialog *>(fileDialog)->accept();
        });
    }
    QTest::keyClick(page, Qt::Key_F5);
    QCOMPARE(asked, !named);
    QCOMPARE(ran.count(), runs ? 1 : 0);
    if (runs) {
        QCOMPARE(ran.first().first().toString(), path);
        QCOMPARE(readFile(path), QStringLiteral("y = 2\n"));
        QVERIFY(!page->document()->isModified());
    }
    QVERIFY(_messages.isEmpty());
}

void TestMainTabWidget::closeModified_data()
{
    QTest::addColumn<bool>("named");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("fileText");
    QTest::newRow("cancel keeps the page") << true << int(QMessageBox::Cancel) << false << "old\n";
    QTest::newRow("no discards") << true << int(QMessageBox::No) << true << "old\n";
    QTest::newRow("yes saves") << true << int(QMessageBox::Yes) << true << "new\n";
    QTest::newRow("yes, save dialog cancelled") << false << int(QMessageBox::Yes) << false << "<missing>";
}

void TestMainTabWidget::closeModified()
{
    QFETCH(bool, named);
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(QString, fileText);
    const QString path = _dir->filePath(QStringLiteral("doc.l"));
    if (named)
        QVERIFY(writeFile(path, "old\n"));
    Tabs t;
    TextEdit *page = t.addPage(false, named ? path : QString());
    page->selectAll();
    page->insertPlainText(QStringLiteral("new\n"));
    QSignalSpy editClosed(t.tabs, &MainTabWidget::editTabClosed);
    QString question;
    answerNextMessage(QMessageBox::StandardButton(answer), &question);
    if (!named)
        answerNextModal([](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); }, 10000);
    t.tabs->closeSlot();
    QCOMPARE(question, named ? QStringLiteral("The document %1 has been modified. Do you want to save your changes?").arg(path)
                             : QStringLiteral("The document has been modified. Do you want to save your changes?"));
    QCOMPARE(t.tabs->count(), closed ? 1 : 2);
    QCOMPARE(editClosed.count(), closed ? 1 : 0);
    if (closed)
        QCOMPARE(editClosed.first().first().toString(), path);
    else
        QCOMPARE(page->toPlainText(), QStringLiteral("new\n"));
    QCOMPARE(readFile(path), fileText);
}

void TestMainTabWidget::deleteViewerPage()
{
    const QString path = _dir->filePath(QStringLiteral("gone.txt"));
    QVERIFY(writeFile(path, "data\n"));
    Tabs t;
    TextEdit *page = t.addPage(true, path);
    QSignalSpy viewClosed(t.tabs, &MainTabWidget::viewTabClosed);
    QSignalSpy editClosed(t.tabs, &MainTabWidget::editTabClosed);
    QString question;
    answerNextMessage(QMessageBox::Yes, &question);
    QTest::keyClick(page, Qt::Key_F8);
    QCOMPARE(question, QStringLiteral("Are you shure want to delete \"%1\"?").arg(path));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(t.tabs->count(), 1);
    QCOMPARE(viewClosed.count(), 1);
    QCOMPARE(viewClosed.first().first().toString(), path);
    QCOMPARE(editClosed.count(), 0);
}

// The page keys act with exactly their modifiers.
void TestMainTabWidget::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("current");
    QTest::newRow("ctrl+w closes") << int(Qt::Key_W) << int(Qt::ControlModifier) << 1 << 0;
    QTest::newRow("ctrl+f4 closes") << int(Qt::Key_F4) << int(Qt::ControlModifier) << 1 << 0;
    QTest::newRow("ctrl+shift+w does not") << int(Qt::Key_W) << int(Qt::ControlModifier | Qt::ShiftModifier) << 2 << 1;
    QTest::newRow("ctrl+tab wraps to the console") << int(Qt::Key_Tab) << int(Qt::ControlModifier) << 2 << 0;
    QTest::newRow("ctrl+shift+tab goes back")
        << int(Qt::Key_Backtab) << int(Qt::ControlModifier | Qt::ShiftModifier) << 2 << 0;
    QTest::newRow("shift+f8 deletes nothing") << int(Qt::Key_F8) << int(Qt::ShiftModifier) << 2 << 1;
}

void TestMainTabWidget::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, pages);
    QFETCH(int, current);
    const QString path = _dir->filePath(QStringLiteral("k.l"));
    QVERIFY(writeFile(path, "k = 1\n"));
    Tabs t;
    TextEdit *page = t.addPage(false, path);
    QTest::keyClick(page, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_COMPARE(t.tabs->count(), pages);
    QCOMPARE(t.tabs->currentIndex(), current);
    QVERIFY(QFile::exists(path));
}

// Keys typed into the find field search; none of them edits the page.
void TestMainTabWidget::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("selectionStart"); // -1: nothing selected
    QTest::newRow("next") << "ab" << false << int(Qt::NoModifier) << 3;
    QTest::newRow("match case") << "AB" << true << int(Qt::NoModifier) << 6;
    QTest::newRow("previous wraps to the end") << "ab" << false << int(Qt::ShiftModifier) << 9;
    QTest::newRow("no match") << "zz" << false << int(Qt::NoModifier) << -1;
}

void TestMainTabWidget::find()
{
    QFETCH(QString, text);
    QFETCH(bool, matchCase);
    QFETCH(int, modifiers);
    QFETCH(int, selectionStart);
    Tabs t;
    t.tabs->resize(400, 300);
    t.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.window));
    TextEdit *page = t.addPage(false);
    const QString content = QStringLiteral("xy ab AB ab");
    page->setPlainText(content);
    QTextCursor cursor = page->textCursor();
    cursor.setPosition(1);
    page->setTextCursor(cursor);
    QTest::keyClick(page, Qt::Key_F, Qt::ControlModifier);
    FindBar *bar = page->findBar();
    QVERIFY(bar->isVisibleTo(page));
    bar->matchCase()->setChecked(matchCase);
    QTest::keyClicks(bar->lineEdit(), text);
    QTest::keyClick(bar->lineEdit(), Qt::Key_Return, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(page->toPlainText(), content);
    QCOMPARE(page->textCursor().hasSelection() ? page->textCursor().selectionStart() : -1, selectionStart);
    const int barTop = bar->geometry().top();
    QVERIFY(page->viewport()->geometry().bottom() < barTop);
    QTest::keyClick(bar->lineEdit(), Qt::Key_Escape);
    QVERIFY(!bar->isVisibleTo(page));
    QVERIFY(page->viewport()->geometry().bottom() > barTop); // the text takes the room back
}

NUMLYRA_WIDGET_TEST_MAIN(TestMainTabWidget)
#include "test_main_tab_widget.moc"
