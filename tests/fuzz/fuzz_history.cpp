// The history file is read at every start: any content must load (or be
// discarded as corrupt) without crashing, and what loaded must survive a
// save and a reload unchanged.
#include "persistence/history.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir &directory()
{
    static QTemporaryDir dir;
    return dir;
}

void writeHistory(const QByteArray &bytes)
{
    QFile file(QDir(directory().path()).filePath(QStringLiteral("history")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    writeHistory(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    History history(directory().path());
    while (history.hasPrevious())
        history.previous();
    (void)history.allText();
    return 0;
}
