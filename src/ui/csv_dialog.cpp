#include "ui/csv_dialog.h"

#include "app/constants.h"
#include "app/message_hook.h"
#include "persistence/variable_model.h"

#include "ui/dialog_buttons.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CSVDialog::CSVDialog(VariableModel *model, QWidget *parent)
    : QDialog(parent)
    , _model(model)
{
    setWindowTitle(tr("Load from text"));
    auto *label = new QLabel(tr("Variable name"), this);
    _lineEdit = new QLineEdit(this);
    _lineEdit->setObjectName(QStringLiteral("lineEdit"));
    label->setBuddy(_lineEdit);

    auto *group = new QGroupBox(tr("Variable type"), this);
    _doubleRadioButton = new QRadioButton(tr("Double"), group);
    _doubleRadioButton->setObjectName(QStringLiteral("doubleRadioButton"));
    _stringRadioButton = new QRadioButton(tr("String"), group);
    _stringRadioButton->setObjectName(QStringLiteral("stringRadioButton"));
    _booleanRadioButton = new QRadioButton(tr("Boolean"), group);
    _booleanRadioButton->setObjectName(QStringLiteral("booleanRadioButton"));
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(_doubleRadioButton);
    groupLayout->addWidget(_stringRadioButton);
    groupLayout->addWidget(_booleanRadioButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(_lineEdit);
    layout->addWidget(group);
    addOkCancelRow(this, layout, _okButton, _cancelButton);

    for (QRadioButton *button : {_doubleRadioButton, _stringRadioButton, _booleanRadioButton})
        connect(button, &QRadioButton::toggled, this, &CSVDialog::onRadioButtonPressed);
    connect(_okButton, &QPushButton::clicked, this, &CSVDialog::okSlot);
    connect(_cancelButton, &QPushButton::clicked, this, &CSVDialog::cancelSlot);
    reset();
}

void CSVDialog::reset()
{
    _doubleRadioButton->setChecked(true);
    _lineEdit->clear();
    _type = DOUBLE_TYPE;
}

void CSVDialog::setName(const QString &name)
{
    _lineEdit->setText(name);
    _lineEdit->selectAll();
    _lineEdit->setFocus();
}

QString CSVDialog::name() const
{
    return _lineEdit->text().trimmed();
}

void CSVDialog::onRadioButtonPressed(bool checked)
{
    if (!checked)
        return;
    if (_doubleRadioButton->isChecked())
        _type = DOUBLE_TYPE;
    else if (_stringRadioButton->isChecked())
        _type = STRING_TYPE;
    else
        _type = BOOLEAN_TYPE;
}

void CSVDialog::okSlot()
{
    const QString chosen = name();
    if (!VariableModel::isIdentifier(chosen)) {
        showCriticalMessage(tr("\"%1\" is not valid identificator").arg(chosen));
        return;
    }
    if (_model->presentSlot(chosen) >= 0) {
        const auto answer = QMessageBox::question(
            this, Numlyra::applicationName, tr("Workspace already contains variable \"%1\". Replace it?").arg(chosen),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    done(_type);
}

void CSVDialog::cancelSlot()
{
    reject();
}

void CSVDialog::reject()
{
    done(0);
}
