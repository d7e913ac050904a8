#include "ui/icons.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>

// The resources live in a static library: nothing would pull them into the
// program unless initialised by name.
static void initIconResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

struct IconEntry {
    const char *name;
    // The freedesktop name, or null when no standard icon means this.
    const char *themeName;
};

const IconEntry kIcons[] = {
    {"new", "document-new"},
    {"open", "document-open"},
    {"save", "document-save"},
    {"cut", "edit-cut"},
    {"copy", "edit-copy"},
    {"paste", "edit-paste"},
    {"printer", "document-print"},
    {"run", "media-playback-start"},
    {"stop", "process-stop"},
    {"help", "help-contents"},
    {"delete", "edit-delete"},
    {"close_tab", "window-close"},
    {"up_folder", "go-up"},
    {"add_folder", "folder-new"},
    {"font", "preferences-desktop-font"},
    {"open_workspace", "document-open"},
    {"save_workspace", nullptr},
    {"save_variables", nullptr},
    {"clear_workspace", nullptr},
    {"merge_workspace", nullptr},
    {"load_from_csv", nullptr},
    {"save_as_csv", nullptr},
    {"delete_variable", nullptr},
    {"grid", nullptr},
    {"title", nullptr},
    {"x_label", nullptr},
    {"y_label", nullptr},
    {"numlyra", nullptr},
};

QIcon ownIcon(const QString &name)
{
    initIconResources();
    const QString path = QStringLiteral(":/icons/%1.svg").arg(name);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

} // namespace

namespace Icons {

void setUpThemes()
{
    // Some platforms (offscreen, minimal) search no system icon directory
    // and name no theme: the fallback theme then serves as the theme.
    QStringList paths = QIcon::themeSearchPaths();
    const QStringList system =
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"), QStandardPaths::LocateDirectory);
    for (const QString &path : system)
        if (!paths.contains(path))
            paths << path;
    if (paths != QIcon::themeSearchPaths())
        QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QLatin1String(FALLBACK_THEME));
    if (QIcon::fallbackThemeName() != QLatin1String(FALLBACK_THEME))
        QIcon::setFallbackThemeName(QLatin1String(FALLBACK_THEME));
}

QIcon get(const QString &name)
{
    static const bool themes = [] {
        setUpThemes();
        return true;
    }();
    Q_UNUSED(themes);
    for (const IconEntry &entry : kIcons) {
        if (name != QLatin1String(entry.name))
            continue;
        if (entry.themeName && QIcon::hasThemeIcon(QLatin1String(entry.themeName)))
            return QIcon::fromTheme(QLatin1String(entry.themeName));
        return ownIcon(name);
    }
    Q_ASSERT_X(false, "Icons::get", "unknown icon name");
    return QIcon();
}

QStringList names()
{
    QStringList list;
    for (const IconEntry &entry : kIcons)
        list << QLatin1String(entry.name);
    return list;
}

} // namespace Icons
