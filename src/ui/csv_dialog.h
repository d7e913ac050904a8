#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;
class VariableModel;

// "Load from text": the name and element type for a text table being
// imported. exec() returns the chosen type tag (DOUBLE_TYPE, STRING_TYPE,
// BOOLEAN_TYPE) or 0 when cancelled.
class CSVDialog : public QDialog {
    Q_OBJECT
public:
    CSVDialog(VariableModel *model, QWidget *parent = nullptr);

    // Double checked, name cleared.
    void reset();
    void setName(const QString &name);
    QString name() const;

public slots:
    void onRadioButtonPressed(bool checked);
    void okSlot();
    void cancelSlot();
    void reject() override;

private:
    VariableModel *_model;
    QLineEdit *_lineEdit;
    QRadioButton *_doubleRadioButton;
    QRadioButton *_stringRadioButton;
    QRadioButton *_booleanRadioButton;
    QPushButton *_okButton;
    QPushButton *_cancelButton;
    int _type = 0;
};
