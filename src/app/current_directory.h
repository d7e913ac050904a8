#pragma once

#include <QDir>
#include <QString>

// The interpreter's current directory: one per process, separate from the
// process's own working directory, which the program never changes. It
// starts as the process's working directory; `cd` and the desktop's stored
// "pwd" move it. Written by the worker during a run, read after it.
namespace CurrentDirectory {

// Absolute and clean.
QString path();
QDir dir();
// `absolute` must name an existing directory; the caller checks.
void setPath(const QString &absolute);
// "~" and a leading "~/" are the home directory; a relative name is taken
// from the current directory. The result is absolute and clean.
QString resolve(const QString &name);
// The name with its home prefix replaced, still relative if it was.
QString expandHome(const QString &name);

} // namespace CurrentDirectory
