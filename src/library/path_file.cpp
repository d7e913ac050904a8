#include "library/path_file.h"

#include "app/constants.h"
#include "app/regular_file.h"
#include "app/settings.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>

namespace PathFile {

QString location()
{
    return programDirectory() + Numlyra::pathFileName;
}

bool read(const QString &file, QStringList &directories)
{
    directories.clear();
    QFile in(file);
    if (!RegularFile::openForReading(in, QIODevice::Text))
        return false;
    for (const QByteArray &line : in.readAll().split('\n')) {
        const QString entry = QString::fromLocal8Bit(line).trimmed();
        if (!entry.isEmpty())
            directories << entry;
    }
    return true;
}

// Written to a temporary file first, so that a full disk never leaves half
// a search path behind.
bool write(const QString &file, const QStringList &directories)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    for (const QString &directory : directories)
        out.write(directory.toLocal8Bit() + '\n');
    return out.commit();
}

namespace {

// A link back up the tree is listed once and not followed again.
void appendTree(const QString &directory, QSet<QString> &seen, QStringList &out)
{
    out << directory;
    const QDir dir(directory);
    if (seen.contains(dir.canonicalPath()))
        return;
    seen.insert(dir.canonicalPath());
    for (const QString &sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        appendTree(dir.filePath(sub), seen, out);
}

} // namespace

QStringList withSubfolders(const QString &directory)
{
    QSet<QString> seen;
    QStringList out;
    appendTree(directory, seen, out);
    return out;
}

} // namespace PathFile
