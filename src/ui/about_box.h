#pragma once

#include <QString>

class QWidget;

namespace AboutBox {

// The box's text: name, version, the Qt version and what the program is.
QString text();
void show(QWidget *parent);

} // namespace AboutBox
