#pragma once

#include <QIcon>
#include <QString>

// Every icon of the program by its short name ("run", "save", "grid", ...).
// A name with a standard meaning comes from the desktop's icon theme (with
// the fallback theme installed beside the program); the rest, and any
// standard name the theme lacks, from our own SVGs in the resources.
namespace Icons {

QIcon get(const QString &name);

// The short names of the table, for tests that check every one resolves.
QStringList names();

} // namespace Icons
