#include "app/constants.h"
#include "app/message_hook.h"
#include "app/settings.h"
#include "engine/virtual_machine.h"
#include "ui/about_box.h"
#include "ui/console.h"
#include "ui/help_browser.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "values/output_list.h"

#include "throwaway_home.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// Receives the URLs the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class TestDesktopIntegration : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QSettings(Numlyra::organisationName, Numlyra::applicationName).clear();
        OutputList::instance().clear();
    }

    // Every name resolves on a fresh machine, and our own SVGs really render
    // (a missing SVG icon engine gives icons that paint nothing).
    void iconResolves_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : Icons::names())
            QTest::newRow(qPrintable(name)) << name;
    }
    void iconResolves()
    {
        QFETCH(QString, name);
        const QIcon icon = Icons::get(name);
        QVERIFY(!icon.isNull());
        QVERIFY(!icon.pixmap(24, 24).isNull());
    }

    void aboutNamesVersions()
    {
        const QString text = AboutBox::text();
        QVERIFY(text.contains(Numlyra::applicationName + QLatin1Char(' ') + Numlyra::version));
        QVERIFY(text.contains(QString::fromLatin1(qVersion())));
    }

    void helpOpensTheBuiltManual()
    {
        QVERIFY2(QFile::exists(HelpBrowser::manualPath()), qPrintable(HelpBrowser::manualPath()));
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        const bool opened = HelpBrowser::openManual();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QVERIFY(opened);
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(HelpBrowser::manualPath())});
    }

    // The offscreen platform has no browser: the message says where the manual is.
    void helpWithoutBrowserTellsWhere()
    {
        QStringList messages;
        setCriticalMessageHandler([&](const QString &text) { messages << text; });
        QVERIFY(!HelpBrowser::openManual());
        setCriticalMessageHandler(nullptr);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().contains(HelpBrowser::manualPath()));
    }

    // An unreadable stored font gives the default description, as no font does.
    void unreadableConsoleFont()
    {
        Settings::writeText(CONSOLE_FONT_SETTING, QStringLiteral(",,,"));
        MainWindow window;
        QCOMPARE(window.console()->font().toString().section(QLatin1Char(','), 0, 1),
                 Settings::consoleFontDescription());
    }

    void firstWindowFitsScreenAndHasHelp()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
        QVERIFY(!window.windowIcon().isNull());

        const QList<QAction *> menus = window.menuBar()->actions();
        QCOMPARE(menus.last()->text(), QStringLiteral("Help"));
        const QList<QAction *> help = menus.last()->menu()->actions();
        QCOMPARE(help.size(), 2);
        QCOMPARE(help[0]->text(), QStringLiteral("Product Documentation\tF1"));
        QCOMPARE(help[0]->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(!help[0]->icon().isNull());
        QCOMPARE(help[1]->text(), QStringLiteral("About"));
    }

    // Closing stops the endless run and lets it end as any run ends: its
    // output reaches the tee file before the window goes.
    void closeStopsTheRunFirst()
    {
        QTemporaryDir dir;
        const QString tee = dir.filePath(QStringLiteral("out.txt"));
        auto *window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitFor([&] { return window->isStarted(); }, 10000));
        window->console()->pasteText(QStringLiteral("tee \"%1\"\n").arg(tee));
        QVERIFY(QTest::qWaitFor([&] { return window->console()->state() == Console::INPUT_STATE; }, 10000));
        window->console()->pasteText(QStringLiteral("while (true) {}\nafter = 1\n"));
        QVERIFY(window->engine()->isRunning());
        window->close();
        QVERIFY(!window->engine()->isRunning());
        QVERIFY(window->console()->pendingLines().isEmpty());
        delete window;
        QFile file(tee);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY2(text.contains("Process terminated"), text.constData());
    }
};

NUMLYRA_WIDGET_TEST_MAIN(TestDesktopIntegration)

#include "test_desktop_integration.moc"
