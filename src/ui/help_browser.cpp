#include "ui/help_browser.h"

#include "app/message_hook.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace HelpBrowser {

QString manualPath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../share/doc/numlyra/html/index.html"));
}

bool openManual()
{
    const QString path = manualPath();
    if (!QFileInfo(path).isFile()) {
        showCriticalMessage(
            QCoreApplication::translate("HelpBrowser", "The manual is missing: it belongs at \"%1\".").arg(path));
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        showCriticalMessage(
            QCoreApplication::translate("HelpBrowser", "Can't open a web browser. The manual is at \"%1\".").arg(path));
        return false;
    }
    return true;
}

} // namespace HelpBrowser
