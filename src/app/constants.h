#pragma once

#include <QString>

// Names and file-name constants shared by every subsystem.
namespace Numlyra {
inline const QString organisationName = QStringLiteral("Velmora");
inline const QString applicationName = QStringLiteral("Numlyra");
inline const QString version = QStringLiteral("1.0.3");
inline const QString startupFileName = QStringLiteral(".rc");
inline const QString pathFileName = QStringLiteral("path");
inline const QString historyFileName = QStringLiteral("history");
inline const QString scriptSuffix = QStringLiteral("l");
inline const QString scriptFilter = QStringLiteral("*.l");
inline const QString workspaceSuffix = QStringLiteral("ws");
inline const QString workspaceFilter = QStringLiteral("Workspace Files(*.ws)");
inline const QString textFilter = QStringLiteral("CSV (*.csv);;Text Files (*.txt);;All Files (*)");
} // namespace Numlyra
