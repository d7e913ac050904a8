#include "ui/save_graph_dialog.h"

#include "ui/dialog_buttons.h"

#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

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
    auto *form = new QFormLayout;
    form->addRow(tr("Width:"), _widthSpinBox);
    form->addRow(tr("Height:"), _heightSpinBox);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    addOkCancelRow(this, layout, _okButton, _cancelButton);
    connect(_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QSize SaveGraphDialog::imageSize() const
{
    return {_widthSpinBox->value(), _heightSpinBox->value()};
}
