#include "throwaway_home.h"
#include "app/message_hook.h"
#include "app/settings.h"
#include "dialog_answers.h"
#include "ui/file_browser_model.h"
#include "ui/file_browser_view.h"
#include "ui/file_browser_widget.h"
#include "ui/file_path_edit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestFileBrowser : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pathFieldRefusesFile();
    void up_data();
    void up();
    void newFolder_data();
    void newFolder();
    void keys_data();
    void keys();
    void menuStates_data();
    void menuStates();
    void runWhileDisabled();
    void settingsKept();

private:
    // Selects `name` of the browser's directory once the list has it.
    bool select(FileBrowserWidget &browser, const QString &name);

    QTemporaryDir *_dir = nullptr;
    QString _root;
    QStringList _messages;
};

void TestFileBrowser::init()
{
    _dir = new QTemporaryDir;
    _root = QDir(_dir->path()).canonicalPath();
    QDir(_root).mkdir(QStringLiteral("sub"));
    QFile file(_root + QStringLiteral("/data.l"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    _messages.clear();
    setCriticalMessageHandler([this](const QString &text) { _messages << text; });
}

void TestFileBrowser::cleanup()
{
    setCriticalMessageHandler(nullptr);
    delete _dir;
}

bool TestFileBrowser::select(FileBrowserWidget &browser, const QString &name)
{
    FileBrowserModel *model = browser.model();
    const QString path = QDir(model->path()).filePath(name);
    if (!QTest::qWaitFor([&] { return model->index(path).isValid(); }, 5000))
        return false;
    browser.listView()->setCurrentIndex(model->index(path));
    return browser.listView()->selectedItem() == model->index(path);
}

void TestFileBrowser::pathFieldRefusesFile()
{
    FileBrowserWidget browser;
    QVERIFY(browser.setPath(_root));
    const QModelIndex root = browser.listView()->rootIndex();
    const QString file = _root + QStringLiteral("/data.l");
    browser.pathEdit()->setText(file);
    QTest::keyClick(browser.pathEdit(), Qt::Key_Return);
    QCOMPARE(_messages, QStringList{QStringLiteral("Can't change path to \"%1\"").arg(file)});
    QCOMPARE(browser.model()->path(), _root);
    QCOMPARE(browser.listView()->rootIndex(), root);
    QCOMPARE(browser.pathEdit()->text(), QDir::toNativeSeparators(_root));

    // A directory typed there is taken.
    browser.pathEdit()->setText(_root + QStringLiteral("/sub"));
    QTest::keyClick(browser.pathEdit(), Qt::Key_Return);
    QCOMPARE(browser.model()->path(), _root + QStringLiteral("/sub"));
    QCOMPARE(_messages.size(), 1);
}

void TestFileBrowser::up_data()
{
    QTest::addColumn<bool>("atRoot");
    QTest::newRow("root directory") << true;
    QTest::newRow("subdirectory") << false;
}

void TestFileBrowser::up()
{
    QFETCH(bool, atRoot);
    FileBrowserWidget browser;
    const QString start = atRoot ? QDir::rootPath() : _root + QStringLiteral("/sub");
    QVERIFY(browser.setPath(start));
    QCOMPARE(browser.upAction()->isEnabled(), !atRoot);
    browser.upSlot();
    QCOMPARE(browser.model()->path(), atRoot ? QDir::rootPath() : _root);
    QVERIFY(_messages.isEmpty());
}

void TestFileBrowser::newFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("name exists") << "sub" << "Directory \"sub\" already exists";
    QTest::newRow("new name") << "fresh" << "";
}

void TestFileBrowser::newFolder()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    FileBrowserWidget browser;
    QVERIFY(browser.setPath(_root));
    QSignalSpy created(&browser, &FileBrowserWidget::directoryCreated);
    QString label;
    answerNextModal([&](QWidget *dialog) {
        auto *input = qobject_cast<QInputDialog *>(dialog);
        label = input->labelText();
        input->setTextValue(name);
        input->accept();
    });
    browser.newFolderSlot();
    QCOMPARE(label, QStringLiteral("Directory name"));
    QCOMPARE(_messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(created.count(), message.isEmpty() ? 1 : 0);
    QVERIFY(QFileInfo(_root + QLatin1Char('/') + name).isDir());
}

// A key on the selected entry: the request it sends or the directory it shows.
void TestFileBrowser::keys_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("request"); // "signal path-relative-to-root", or "" for none
    QTest::addColumn<QString>("directory");
    QTest::newRow("return runs a file") << "data.l" << int(Qt::Key_Return) << "run data.l" << "";
    QTest::newRow("enter runs a file") << "data.l" << int(Qt::Key_Enter) << "run data.l" << "";
    QTest::newRow("f3 views") << "data.l" << int(Qt::Key_F3) << "view data.l" << "";
    QTest::newRow("f4 edits") << "data.l" << int(Qt::Key_F4) << "edit data.l" << "";
    QTest::newRow("f4 on a directory") << "sub" << int(Qt::Key_F4) << "" << "";
    QTest::newRow("return opens a directory") << "sub" << int(Qt::Key_Return) << "" << "sub";
    QTest::newRow("right opens a directory") << "sub" << int(Qt::Key_Right) << "" << "sub";
    QTest::newRow("right on a file") << "data.l" << int(Qt::Key_Right) << "" << "";
    QTest::newRow("left goes up") << "data.l" << int(Qt::Key_Left) << "" << "..";
    QTest::newRow("backspace goes up") << "sub" << int(Qt::Key_Backspace) << "" << "..";
}

void TestFileBrowser::keys()
{
    QFETCH(QString, entry);
    QFETCH(int, key);
    QFETCH(QString, request);
    QFETCH(QString, directory);
    FileBrowserWidget browser;
    QVERIFY(browser.setPath(_root));
    QVERIFY(select(browser, entry));
    QStringList requests;
    connect(&browser, &FileBrowserWidget::run, this, [&](const QString &p) { requests << "run " + p; });
    connect(&browser, &FileBrowserWidget::view, this, [&](const QString &p) { requests << "view " + p; });
    connect(&browser, &FileBrowserWidget::edit, this, [&](const QString &p) { requests << "edit " + p; });
    QTest::keyClick(browser.listView(), Qt::Key(key));
    const QString absolute = request.isEmpty() ? QString() : request.replace(QLatin1Char(' '), QLatin1Char(' ') + _root + QLatin1Char('/'));
    QCOMPARE(requests, request.isEmpty() ? QStringList() : QStringList{absolute});
    QCOMPARE(browser.model()->path(), QDir::cleanPath(_root + QLatin1Char('/') + directory));
}

// The first action follows the selection: it opens a directory and runs a file.
void TestFileBrowser::menuStates_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("states"); // first, Edit, View, Load as text, Delete
    QTest::newRow("nothing selected") << "" << "Run\tEnter" << "+----";
    QTest::newRow("directory") << "sub" << "Open\tEnter" << "+-+-+";
    QTest::newRow("file") << "data.l" << "Run\tEnter" << "+++++";
}

void TestFileBrowser::menuStates()
{
    QFETCH(QString, entry);
    QFETCH(QString, first);
    QFETCH(QString, states);
    FileBrowserWidget browser;
    QVERIFY(browser.setPath(_root));
    if (entry.isEmpty())
        browser.listView()->clearSelection();
    else
        QVERIFY(select(browser, entry));
    QStringList texts;
    QString seen;
    QTimer::singleShot(0, this, [&] {
        QWidget *popup = QApplication::activePopupWidget();
        if (!popup)
            return;
        for (QAction *action : popup->actions()) {
            texts << action->text();
            seen += action->isEnabled() ? QLatin1Char('+') : QLatin1Char('-');
        }
        popup->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(browser.listView(), &event);
    QCOMPARE(texts.value(0), first);
    QCOMPARE(seen, states);
}

void TestFileBrowser::runWhileDisabled()
{
    FileBrowserWidget browser;
    QVERIFY(browser.setPath(_root));
    QVERIFY(select(browser, QStringLiteral("data.l")));
    QSignalSpy ran(&browser, &FileBrowserWidget::run);
    browser.setEnabled(false);
    browser.listView()->runSlot();
    QCOMPARE(ran.count(), 0);
    browser.setEnabled(true);
    browser.listView()->runSlot();
    QCOMPARE(ran.count(), 1);
}

void TestFileBrowser::settingsKept()
{
    QSettings(QStringLiteral("Velmora"), QStringLiteral("Numlyra")).clear();
    {
        FileBrowserWidget browser;
        QVERIFY(browser.setPath(_root + QStringLiteral("/sub")));
        browser.listView()->header()->resizeSection(1, 77);
        browser.saveSettings();
    }
    FileBrowserWidget browser;
    browser.restoreSettings();
    QCOMPARE(browser.model()->path(), _root + QStringLiteral("/sub"));
    QCOMPARE(browser.listView()->header()->sectionSize(1), 77);
    QSettings(QStringLiteral("Velmora"), QStringLiteral("Numlyra")).clear();
}

NUMLYRA_WIDGET_TEST_MAIN(TestFileBrowser)
#include "test_file_browser.moc"
