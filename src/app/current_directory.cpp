#include "app/current_directory.h"

namespace {

QString &currentPath()
{
    static QString path = QDir::cleanPath(QDir::currentPath());
    return path;
}

} // namespace

namespace CurrentDirectory {

QString path()
{
    return currentPath();
}

QDir dir()
{
    return QDir(currentPath());
}

void setPath(const QString &absolute)
{
    currentPath() = QDir::cleanPath(absolute);
}

QString expandHome(const QString &name)
{
    if (name == QLatin1String("~"))
        return QDir::homePath();
    if (name.startsWith(QLatin1String("~/")))
        return QDir::homePath() + name.mid(1);
    return name;
}

QString resolve(const QString &name)
{
    return QDir::cleanPath(dir().absoluteFilePath(expandHome(name)));
}

} // namespace CurrentDirectory
