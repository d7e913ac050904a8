#include "ui/conflict_dialog.h"

#include "app/message_hook.h"
#include "ui/dialog_buttons.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

ConflictDialog::ConflictDialog(VariableModel *model, QWidget *parent)
    : QDialog(parent)
    , _model(model)
{
    setWindowTitle(tr("Merging conflict"));
    _conflictLabel = new QLabel(this);
    _conflictLabel->setObjectName(QStringLiteral("conflictLabel"));
    _valuesLabel = new QLabel(this);
    _valuesLabel->setObjectName(QStringLiteral("valuesLabel"));
    // The values line up under each other.
    _valuesLabel->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    _valuesLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *group = new QGroupBox(tr("How would you like to resolve this conflict?"), this);
    _replaceRadioButton = new QRadioButton(tr("Replace current variable with new"), group);
    _replaceRadioButton->setObjectName(QStringLiteral("replaceRadioButton"));
    _ignoreRadioButton = new QRadioButton(tr("Ignore (don't import this variable)"), group);
    _ignoreRadioButton->setObjectName(QStringLiteral("ignoreRadioButton"));
    _renameRadioButton = new QRadioButton(tr("Rename new variable"), group);
    _renameRadioButton->setObjectName(QStringLiteral("renameRadioButton"));
    _lineEdit = new QLineEdit(group);
    _lineEdit->setObjectName(QStringLiteral("lineEdit"));
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(_replaceRadioButton);
    groupLayout->addWidget(_ignoreRadioButton);
    groupLayout->addWidget(_renameRadioButton);
    groupLayout->addWidget(_lineEdit);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(_conflictLabel);
    layout->addWidget(_valuesLabel);
    layout->addWidget(group);
    addOkCancelRow(this, layout, _okButton, _cancelButton);

    for (QRadioButton *button : {_replaceRadioButton, _ignoreRadioButton, _renameRadioButton})
        connect(button, &QRadioButton::toggled, this, &ConflictDialog::onRadioButtonPressed);
    connect(_okButton, &QPushButton::clicked, this, &ConflictDialog::okSlot);
    connect(_cancelButton, &QPushButton::clicked, this, &ConflictDialog::cancelSlot);
    reset();
}

void ConflictDialog::reset()
{
    _replaceRadioButton->setChecked(true);
    _replaceRadioButton->setFocus();
    _lineEdit->clear();
    _newName.clear();
    _state = CONFLICT_STATE_REPLACE;
    _lineEdit->setEnabled(false);
}

void ConflictDialog::setTexts(const QString &name, const Variable &current, const Variable &incoming)
{
    _conflictLabel->setText(tr("Your current workspace already contains\nvariable \"%1\".").arg(name));
    _valuesLabel->setText(tr("Current value: %1\nNew value:     %2")
                              .arg(VariableModel::valueText(current), VariableModel::valueText(incoming)));
}

ConflictState ConflictDialog::resolve(const QString &name, const Variable &current, const Variable &incoming,
                                      QString &newName)
{
    reset();
    setTexts(name, current, incoming);
    exec();
    if (_state == CONFLICT_STATE_RENAME)
        newName = _newName;
    return _state;
}

void ConflictDialog::onRadioButtonPressed(bool checked)
{
    if (!checked)
        return;
    if (_replaceRadioButton->isChecked())
        _state = CONFLICT_STATE_REPLACE;
    else if (_ignoreRadioButton->isChecked())
        _state = CONFLICT_STATE_IGNORE;
    else
        _state = CONFLICT_STATE_RENAME;
    _lineEdit->setEnabled(_state == CONFLICT_STATE_RENAME);
    if (_state == CONFLICT_STATE_RENAME)
        _lineEdit->setFocus();
}

void ConflictDialog::okSlot()
{
    if (_state == CONFLICT_STATE_RENAME) {
        const QString name = _lineEdit->text().trimmed();
        const QString problem = _model->checkNewName(name);
        if (!problem.isEmpty()) {
            showCriticalMessage(problem);
            return;
        }
        _model->reserveName(name);
        _newName = name;
    }
    accept();
}

void ConflictDialog::cancelSlot()
{
    reject();
}

// Escape and the window's close button cancel the merge too.
void ConflictDialog::reject()
{
    _state = CONFLICT_STATE_CANCEL;
    QDialog::reject();
}
