#pragma once

#include <QFile>

// Readers take only regular files: opening a FIFO blocks until a writer
// comes, a device can stream forever, and a directory reads as nothing.
namespace RegularFile {

// Opens `file` (its name set) for reading when it names a regular file,
// following symbolic links. A FIFO is opened without blocking and refused,
// so no writer is ever waited for. False leaves `file` closed.
bool openForReading(QFile &file, QIODevice::OpenMode extra = QIODevice::NotOpen);

} // namespace RegularFile
