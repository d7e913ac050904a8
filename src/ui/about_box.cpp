#include "ui/about_box.h"

#include "app/constants.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace AboutBox {

QString text()
{
    return QCoreApplication::translate("AboutBox",
                                       "<h3>%1 %2</h3>"
                                       "<p>An environment for interactive numerical work in a matrix "
                                       "script language.</p>"
                                       "<p>Built with Qt %3, running on Qt %4.</p>")
        .arg(Numlyra::applicationName, QStringLiteral(NUMLYRA_PROJECT_VERSION), QStringLiteral(QT_VERSION_STR),
             QString::fromLatin1(qVersion()));
}

void show(QWidget *parent)
{
    QMessageBox::about(parent, QCoreApplication::translate("AboutBox", "About %1").arg(Numlyra::applicationName),
                       text());
}

} // namespace AboutBox
