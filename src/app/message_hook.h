#pragma once

#include <QString>

#include <functional>

// Interactive operations of the core (workspace and history files, the
// program directory) report failures in a critical message box titled with
// the application name. The desktop program installs a handler that shows
// the box; without one the text goes to standard error.
using CriticalMessageHandler = std::function<void(const QString &text)>;

void setCriticalMessageHandler(CriticalMessageHandler handler);
void showCriticalMessage(const QString &text);

// Information boxes (for example "Nothing to save") take the same route with
// a handler of their own.
void setInformationMessageHandler(CriticalMessageHandler handler);
void showInformationMessage(const QString &text);
