// The preferences: the Display page's choices, the Path page's list and its
// path file, and OK in the main window reaching the formatter, the console,
// the pager and the function registry.

#include "dialog_answers.h"

#include "app/message_hook.h"
#include "app/settings.h"
#include "engine/virtual_machine.h"
#include "library/path_watcher.h"
#include "ui/console.h"
#include "ui/display_preferences_dialog.h"
#include "ui/main_window.h"
#include "ui/path_preferences_dialog.h"
#include "ui/preferences_dialog.h"
#include "values/output_formatter.h"
#include "values/output_list.h"

#include "throwaway_home.h"

#include <QAbstractItemModel>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

namespace {

QString pathFile()
{
    return programDirectory() + QStringLiteral("path");
}

void writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

QStringList rows(const PathPreferencesDialog &page)
{
    const QAbstractItemModel *model = page.findChild<QListView *>("listView")->model();
    QStringList out;
    for (int i = 0; i < model->rowCount(); ++i)
        out << model->index(i, 0).data().toString();
    return out;
}

// The enabled move and remove buttons as letters: T, U, D, B, R.
QString enabledButtons(const PathPreferencesDialog &page)
{
    QString out;
    const char *names[] = {"moveToTopButton", "moveUpButton", "moveDownButton", "moveToBottomButton", "removeButton"};
    for (int i = 0; i < 5; ++i)
        if (page.findChild<QPushButton *>(names[i])->isEnabled())
            out += QLatin1Char("TUDBR"[i]);
    return out;
}

bool enter(MainWindow &window, const QString &line)
{
    QTest::keyClicks(window.console(), line);
    QTest::keyClick(window.console(), Qt::Key_Return);
    return QTest::qWaitFor([&] { return !window.engine()->isRunning() && window.console()->state() != Console::BUSY_STATE; },
                           10000);
}

} // namespace

class TestPreferencesDialog : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QSettings(QStringLiteral("Velmora"), QStringLiteral("Numlyra")).clear();
        QDir(programDirectory()).removeRecursively();
        _messages.clear();
        setCriticalMessageHandler([this](const QString &text) { _messages << text; });
        setInformationMessageHandler([this](const QString &text) { _messages << text; });
    }
    void cleanup()
    {
        setCriticalMessageHandler(nullptr);
        setInformationMessageHandler(nullptr);
        OutputList::instance().clear();
    }

    void displayChoices_data();
    void displayChoices();
    void pathFileRead_data();
    void pathFileRead();
    void addFolder();
    void moveButtons_data();
    void moveButtons();
    void okWritesPathFile_data();
    void okWritesPathFile();
    void okReachesTheWindow();

private:
    QStringList _messages;
};

void TestPreferencesDialog::displayChoices_data()
{
    QTest::addColumn<int>("typed");
    QTest::addColumn<int>("precision");
    QTest::newRow("below") << 4 << 5;
    QTest::newRow("above") << 16 << 15;
}

void TestPreferencesDialog::displayChoices()
{
    QFETCH(int, typed);
    QFETCH(int, precision);
    PreferencesDialog dialog(7, QFont(QStringLiteral("DejaVu Sans Mono"), 10));
    DisplayPreferencesDialog *page = dialog.displayPage();
    page->findChild<QSpinBox *>("precSpinBox")->setValue(typed);
    QCOMPARE(dialog.precision(), precision);
    // The sample follows the size box at once.
    auto *sample = page->findChild<QPlainTextEdit *>("fontSampleTextEdit");
    QVERIFY(sample->isReadOnly());
    QVERIFY(sample->toPlainText().contains("fact(n - 1)"));
    QCOMPARE(sample->font().pointSize(), 10);
    page->findChild<QSpinBox *>("fontSizeSpinBox")->setValue(typed + 10);
    QCOMPARE(sample->font().pointSize(), typed + 10);
    QCOMPARE(dialog.consoleFont().pointSize(), typed + 10);
    QCOMPARE(dialog.consoleFont().family(), sample->font().family());
}

void TestPreferencesDialog::pathFileRead_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("blanks around lines") << QByteArray("  /a b  \n\t/c\r\n\n") << QStringList{"/a b", "/c"};
    QTest::newRow("no path file") << QByteArray() << PathWatcher::defaultSearchPath();
}

void TestPreferencesDialog::pathFileRead()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    if (!file.isEmpty())
        writeFile(pathFile(), file);
    PathPreferencesDialog page;
    QCOMPARE(rows(page), expected);
    QCOMPARE(_messages, QStringList());
    QCOMPARE(enabledButtons(page), QString()); // nothing selected yet
}

// Through the chooser, then the same folder again.
void TestPreferencesDialog::addFolder()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("b/d") && QDir(dir.path()).mkpath("c"));
    writeFile(pathFile(), "/first\n");
    PathPreferencesDialog page;
    QString caption;
    const auto choose = [&](QWidget *w) {
        caption = w->windowTitle();
        auto *files = qobject_cast<QFileDialog *>(w);
        // Typed as a user would: selectFile() races with the listing.
        files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(dir.path());
        static_cast<QDialog *>(files)->accept();
    };
    DialogAnswers answers({choose, choose});
    page.findChild<QPushButton *>("addFolderButton")->click();
    QCOMPARE(caption, QStringLiteral("Select directory"));
    QCOMPARE(rows(page), (QStringList{"/first", dir.path()}));
    page.findChild<QPushButton *>("addFolderButton")->click();
    QVERIFY2(answers.done(), qPrintable(answers.unexpected().join(", ")));
    QCOMPARE(_messages, QStringList{"Path already added"});
    QCOMPARE(rows(page).size(), 2);
    QCOMPARE(enabledButtons(page), QString("TUR")); // the existing row is selected

    // With subfolders: depth first, and no check for what is listed.
    page.addDirectoryTree(dir.path());
    QCOMPARE(rows(page).mid(2), (QStringList{dir.path(), dir.path() + "/b", dir.path() + "/b/d", dir.path() + "/c"}));
}

void TestPreferencesDialog::moveButtons_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("enabled");
    QTest::newRow("top row down") << 0 << "moveDownButton" << "bacd" << "TUDBR";
    QTest::newRow("bottom row up") << 3 << "moveUpButton" << "abdc" << "TUDBR";
    QTest::newRow("to top") << 2 << "moveToTopButton" << "cabd" << "DBR";
    QTest::newRow("to bottom") << 1 << "moveToBottomButton" << "acdb" << "TUR";
    QTest::newRow("remove last") << 3 << "removeButton" << "abc" << "TUR";
    QTest::newRow("remove first") << 0 << "removeButton" << "bcd" << "DBR";
}

void TestPreferencesDialog::moveButtons()
{
    QFETCH(int, selected);
    QFETCH(QString, button);
    QFETCH(QString, order);
    QFETCH(QString, enabled);
    writeFile(pathFile(), "a\nb\nc\nd\n");
    PathPreferencesDialog page;
    auto *list = page.findChild<QListView *>("listView");
    list->selectionModel()->setCurrentIndex(list->model()->index(selected, 0), QItemSelectionModel::ClearAndSelect);
    page.findChild<QPushButton *>(button)->click();
    QCOMPARE(rows(page).join(QString()), order);
    QCOMPARE(enabledButtons(page), enabled);
}

void TestPreferencesDialog::okWritesPathFile_data()
{
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("blocked");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("ok") << true << false << QByteArray("/x\n/y\n/z\n") << QStringList();
    QTest::newRow("cancel") << false << false << QByteArray("  /x\n/y\n") << QStringList();
    QTest::newRow("path file is a directory") << true << true << QByteArray("<none>")
                                              << QStringList{"Can't open path file to read",
                                                             "Can't open path file to write"};
}

void TestPreferencesDialog::okWritesPathFile()
{
    QFETCH(bool, ok);
    QFETCH(bool, blocked);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, messages);
    if (blocked)
        QVERIFY(QDir().mkpath(pathFile()));
    else
        writeFile(pathFile(), "  /x\n/y\n");
    PreferencesDialog dialog(7, QFont());
    dialog.pathPage()->addDirectory("/z");
    ok ? dialog.accept() : dialog.reject();
    QCOMPARE(dialog.result(), ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(dialog.isPathSaved(), ok && !blocked);
    QCOMPARE(readFile(pathFile()), file);
    QCOMPARE(_messages, messages);
}

// Cancel changes nothing; OK sets the precision and the font, shows the
// waiting pages in the new layout and makes a function in a newly added
// folder callable at once.
void TestPreferencesDialog::okReachesTheWindow()
{
    QTemporaryDir functions;
    writeFile(functions.filePath("sq.l"), "function sq(x) { return x * x; }\n");
    MainWindow window;
    window.resize(900, 640);
    window.show();
    QVERIFY(QTest::qWaitFor([&] { return window.isStarted(); }, 10000));
    Console *console = window.console();
    const QFont before = console->font();
    const auto change = [&](bool ok) {
        return [&, ok](QWidget *w) {
            auto *dialog = qobject_cast<PreferencesDialog *>(w);
            dialog->displayPage()->findChild<QSpinBox *>("precSpinBox")->setValue(12);
            dialog->displayPage()->findChild<QSpinBox *>("fontSizeSpinBox")->setValue(before.pointSize() + 3);
            dialog->pathPage()->addDirectory(functions.path());
            ok ? static_cast<QDialog *>(dialog)->accept() : static_cast<QDialog *>(dialog)->reject();
        };
    };
    DialogAnswers answers({change(false), change(true)});
    window.showPreferences();
    QCOMPARE(window.formatter()->precision(), 7);
    QCOMPARE(console->font(), before);
    QVERIFY(!QFileInfo::exists(pathFile()));

    const int rows = console->visibleRows();
    QVERIFY(enter(window, QStringLiteral("big = ones(%1, 1)").arg(3 * rows)));
    QCOMPARE(console->state(), Console::PAGING_STATE);
    window.showPreferences();
    QVERIFY2(answers.done(), qPrintable(answers.unexpected().join(", ")));
    QCOMPARE(window.formatter()->precision(), 12);
    QCOMPARE(console->font().pointSize(), before.pointSize() + 3);
    // The question made way for the next page, cut to the new size.
    QCOMPARE(console->toPlainText().count("Press n or q"), 1);
    QVERIFY(console->document()->lastBlock().text().startsWith("Press n or q"));
    QVERIFY(console->visibleRows() < rows);
    QTest::keyClick(console, Qt::Key_Q);

    QVERIFY(enter(window, QStringLiteral("sq(7)")));
    const QString shown = console->toPlainText().right(120);
    QVERIFY2(shown.contains("49.") && !shown.contains("not found"), qPrintable(shown));
}

NUMLYRA_WIDGET_TEST_MAIN(TestPreferencesDialog)

#include "test_preferences_dialog.moc"
