#include "ui/save_graph_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>

namespace {

QSpinBox *sideSpinBox(const char *name, int value, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, SaveGraphDialog::MAXIMUM_SIDE);
    box->setValue(value);
    box->setSuffix(QObject::tr(" px"));
    return box;
}

} // namespace

SaveGraphDialog::SaveGraphDialog(const QSize &size, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Save Graph"));
    _widthSpinBox = sideSpinBox("widthSpinBox", size.width(), this);
    _heightSpinBox = sideSpinBox("heightSpinBox", size.height(), this);
    _okButton = new QPushButton(tr("OK"), this);
    _okButton->setObjectName(QStringLiteral("okButton"));
    _okButton->setDefault(true);
    _cancelButton = new QPushButton(tr("Cancel"), this);
    _cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow(tr("Width:"), _widthSpinBox);
    form->addRow(tr("Height:"), _heightSpinBox);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(_okButton);
    buttons->addWidget(_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

QSize SaveGraphDialog::imageSize() const
{
    return {_widthSpinBox->value(), _heightSpinBox->value()};
}
