// numlyra-cli: runs Numlyra statements from a file or standard input in a
// terminal, through the same engine as the desktop program.

#include "app/constants.h"
#include "app/terminal_session.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

const char kUsage[] =
    "usage: numlyra-cli [--cols N] [--rows N] [--norc] [--echo] [--disassemble] "
    "[--save-graphs DIR] [FILE]\n";

int usageError(const QString &message)
{
    std::fprintf(stderr, "numlyra-cli: %s\n%s", message.toLocal8Bit().constData(), kUsage);
    return 2;
}

bool readCount(const QStringList &args, int &i, int &value)
{
    if (i + 1 >= args.size())
        return false;
    bool ok = false;
    const int n = args[++i].toInt(&ok);
    if (!ok || n < 10 || n > 1000)
        return false;
    value = n;
    return true;
}

// Painting graph images needs fonts, which need a QGuiApplication; that is
// made only when asked for, on the offscreen platform unless the user chose
// another, so that the terminal program runs without a display.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--save-graphs") == 0) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            return std::make_unique<QGuiApplication>(argc, argv);
        }
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    QCoreApplication &app = *application;
    QCoreApplication::setOrganizationName(Numlyra::organisationName);
    QCoreApplication::setApplicationName(Numlyra::applicationName);

    const QStringList args = QCoreApplication::arguments();
    // The installer hooks of the desktop program do nothing here either.
    if (args.contains(QStringLiteral("--installed")) || args.contains(QStringLiteral("--uninstalled")))
        return 0;

    TerminalSession::Options options;
    QString fileName;
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--cols")) {
            if (!readCount(args, i, options.columns))
                return usageError(QStringLiteral("--cols needs a number from 10 to 1000"));
            options.columnsGiven = true;
        } else if (arg == QLatin1String("--rows")) {
            if (!readCount(args, i, options.rows))
                return usageError(QStringLiteral("--rows needs a number from 10 to 1000"));
            options.rowsGiven = true;
        } else if (arg == QLatin1String("--norc")) {
            options.runStartupFile = false;
        } else if (arg == QLatin1String("--echo")) {
            options.echo = true;
        } else if (arg == QLatin1String("--disassemble")) {
            options.disassemble = true;
        } else if (arg == QLatin1String("--save-graphs")) {
            if (i + 1 >= args.size())
                return usageError(QStringLiteral("--save-graphs needs a directory"));
            options.saveGraphsDirectory = args[++i];
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            return usageError(QStringLiteral("unknown option %1").arg(arg));
        } else if (fileName.isEmpty()) {
            fileName = arg;
        } else {
            return usageError(QStringLiteral("only one FILE may be given"));
        }
    }

    FILE *input = stdin;
    if (!fileName.isEmpty()) {
        input = std::fopen(QFile::encodeName(fileName).constData(), "rb");
        if (!input) {
            std::fprintf(stderr, "numlyra-cli: cannot read %s\n", fileName.toLocal8Bit().constData());
            return 2;
        }
    }
    options.interactive = fileName.isEmpty() && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
    // Without a terminal size an interactive session pages at 24 rows.
    if (options.interactive && !options.rowsGiven)
        options.rows = 24;

    int exitCode = 0;
    {
        TerminalSession session(options, input);
        QObject::connect(&session, &TerminalSession::finished, &app, [&] {
            exitCode = session.exitCode();
            app.quit();
        });
        session.start();
        app.exec();
    }
    if (input != stdin)
        std::fclose(input);
    return exitCode;
}
