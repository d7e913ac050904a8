#pragma once

#include <QIcon>
#include <QString>

// Every icon of the program by its short name ("run", "save", "grid", ...).
// A name with a standard meaning comes from the desktop's icon theme (with
// the fallback theme installed beside the program); the rest, and any
// standard name the theme lacks, from our own SVGs in the resources.
namespace Icons {

QIcon get(const QString &name);

// Names the fallback theme for standard icons the desktop's theme lacks
// (a bare X server or the offscreen platform has no theme at all). The
// entry point calls it; get() makes sure of it too, so tests see the same.
void setUpThemes();

// The theme searched after the desktop's own.
inline constexpr const char *FALLBACK_THEME = "Adwaita";

// The short names of the table, for tests that check every one resolves.
QStringList names();

} // namespace Icons
