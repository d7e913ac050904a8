// numlyra: the desktop program.

#include "app/constants.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "values/error_table.h"

#include <QApplication>

#include <cstring>

int main(int argc, char *argv[])
{
    // An installer calls us with one of these to announce itself; the
    // update notifier that would answer is not part of this build, so there
    // is nothing to do and no window to show. Only the exact spelling in the
    // first place counts; anything else starts the program.
    if (argc > 1 && (std::strcmp(argv[1], "--installed") == 0 || std::strcmp(argv[1], "--uninstalled") == 0))
        return 0;

    auto *app = new QApplication(argc, argv);
    QApplication::setOrganizationName(Numlyra::organisationName);
    QApplication::setApplicationName(Numlyra::applicationName);
    QApplication::setApplicationVersion(Numlyra::version);
    QApplication::setDesktopFileName(QStringLiteral("numlyra"));
    Icons::setUpThemes();
    QApplication::setWindowIcon(Icons::get(QStringLiteral("numlyra")));

    auto *errors = new ErrorTable;
    auto *window = new MainWindow;
    window->show();
    window->activateConsole();
    const int result = app->exec();

    // The window takes the console, the engine and the formatter with it
    // (the formatter stores the precision once more); the error table must
    // outlive them because their destructors may still format reports.
    delete window;
    delete errors;
    delete app;
    return result;
}
