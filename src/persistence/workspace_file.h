#pragma once

#include "values/variable.h"

#include <QString>
#include <QtGlobal>

#include <vector>

class ExecutionContext;
class QIODevice;

// One variable of a workspace file.
struct WorkspaceRecord {
    QString name;
    Variable value;
};
using WorkspaceRecords = std::vector<WorkspaceRecord>;

// The binary workspace file ("*.ws"): a 12-byte header (magic "MVA" plus a
// version byte, total length, record count) and records of name, type tag,
// payload and the end marker 0xFF, all big-endian. Strings are written as
// zero-terminated byte strings whose length counts the zero.
namespace WorkspaceFile {
constexpr quint32 MAGIC = 0x4D564110;
constexpr quint32 MAGIC_MASK = 0xFFFFFF00; // the version byte is not checked
constexpr int HEADER_SIZE = 12;
constexpr quint8 END_MARKER = 0xFF;
} // namespace WorkspaceFile

enum WorkspaceReadResult {
    WORKSPACE_READ_OK,
    WORKSPACE_READ_CORRUPTED,
    WORKSPACE_READ_NO_MEMORY,
};

// Exact size of the file writeWorkspaceFile() produces for these records.
quint64 workspaceFileLength(const WorkspaceRecords &records);

// Parses a whole workspace image from the start of `device`, checking every
// format rule; `records` is filled only on success. Vector records whose
// element type is integer or vector carry no elements in the format; they
// are read as a variable holding the undefined value.
WorkspaceReadResult parseWorkspace(QIODevice &device, WorkspaceRecords &records);

// Reads and validates the whole file before returning anything. Interactive
// when `context` is null (message boxes), else failures are error codes
// reported on the running command.
bool readWorkspaceFile(const QString &path, WorkspaceRecords &records, ExecutionContext *context = nullptr);

// Writes the records in order. The values must be storable: no integer
// scalars and no vectors of integers (convert them first). The file is
// written through a temporary file in the same directory and replaces the
// old one only when complete, so a failed save leaves the old file intact.
bool writeWorkspaceFile(const QString &path, const WorkspaceRecords &records, ExecutionContext *context = nullptr);
