#pragma once

class QBoxLayout;
class QPushButton;
class QWidget;

// The OK and Cancel buttons of our own dialogs ("okButton", "cancelButton",
// OK the default) in a right-aligned row that is appended to `layout`.
void addOkCancelRow(QWidget *dialog, QBoxLayout *layout, QPushButton *&ok, QPushButton *&cancel);
