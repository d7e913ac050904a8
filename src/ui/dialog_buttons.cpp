#include "ui/dialog_buttons.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QPushButton>

void addOkCancelRow(QWidget *dialog, QBoxLayout *layout, QPushButton *&ok, QPushButton *&cancel)
{
    ok = new QPushButton(QCoreApplication::translate("Dialog", "OK"), dialog);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    cancel = new QPushButton(QCoreApplication::translate("Dialog", "Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
}
