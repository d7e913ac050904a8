#pragma once

#include <QString>
#include <QStringList>

// The stored search path: the file "path" in the program directory, one
// directory per line in search order. The path watcher reads it at start-up
// and the Path page of the preferences edits it.
namespace PathFile {

// The path file's name in the program directory.
QString location();
// The lines of `file`, trimmed, empty ones skipped; false when the file
// cannot be opened (`directories` is then left empty).
bool read(const QString &file, QStringList &directories);
// Replaces `file` with one directory per line, each ended by a line feed;
// false when the file cannot be opened for writing.
bool write(const QString &file, const QStringList &directories);
// `directory`, then every directory below it, depth first in the order of
// the directory listing.
QStringList withSubfolders(const QString &directory);

} // namespace PathFile
