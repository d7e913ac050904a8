#include "ui/icons.h"

#include <QFile>
#include <QStringList>

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
    const QString path = QStringLiteral(":/icons/%1.svg").arg(name);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

} // namespace

namespace Icons {

QIcon get(const QString &name)
{
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
