#pragma once

#include "persistence/variable_model.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Merging conflict": asked once per name that the merged file and the
// workspace hold with different values. A new name chosen for the file's
// variable is checked and reserved in the workspace before the dialog closes.
class ConflictDialog : public QDialog, public ConflictResolver {
    Q_OBJECT
public:
    ConflictDialog(VariableModel *model, QWidget *parent = nullptr);

    ConflictState state() const { return _state; }
    QString newName() const { return _newName; }

    // Replace checked and focused, the name field cleared.
    void reset();
    void setTexts(const QString &name, const Variable &current, const Variable &incoming);

    ConflictState resolve(const QString &name, const Variable &current, const Variable &incoming,
                          QString &newName) override;

public slots:
    void onRadioButtonPressed(bool checked);
    void okSlot();
    void cancelSlot();
    void reject() override;

private:
    VariableModel *_model;
    QLabel *_conflictLabel;
    QLabel *_valuesLabel;
    QRadioButton *_replaceRadioButton;
    QRadioButton *_ignoreRadioButton;
    QRadioButton *_renameRadioButton;
    QLineEdit *_lineEdit;
    QPushButton *_okButton;
    QPushButton *_cancelButton;
    ConflictState _state = CONFLICT_STATE_REPLACE;
    QString _newName;
};
