#include "app/settings.h"

#include "app/constants.h"
#include "app/message_hook.h"
#include "values/assert.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QSettings>

#include <limits>

namespace {

struct SettingInfo {
    SettingKey key;
    const char *name;
    // Integer keys: whether the key has a default of its own, and its range.
    bool hasDefault;
    int defaultValue;
    int minimum;
    int maximum;
};

// One row per key, in the order of SettingKey.
constexpr SettingInfo kSettings[] = {
    {MAIN_WINDOW_GEOMETRY_SETTING, "MainWindow/geometry", false, 0, 0, 0},
    {MAIN_WINDOW_STATE_SETTING, "MainWindow/windowState", false, 0, 0, 0},
    {PWD_SETTING, "pwd", false, 0, 0, 0},
    {FILE_BROWSER_PWD_SETTING, "FileBrowser/pwd", false, 0, 0, 0},
    {CONSOLE_FONT_SETTING, "Console/font", false, 0, 0, 0},
    {GRAPH_FONT_SETTING, "GraphWidget/font", false, 0, 0, 0},
    {PREFERENCES_GEOMETRY_SETTING, "Preferences/geometry", false, 0, 0, 0},
    {PRECISION_SETTING, "prec", true, OutputFormatter::DEFAULT_PRECISION, OutputFormatter::MINIMUM_PRECISION,
     OutputFormatter::MAXIMUM_PRECISION},
    {TEE_ROWS_SETTING, "tee_rc", true, Settings::DEFAULT_TEE_ROWS, Settings::MINIMUM_TEE_SIZE, Settings::MAXIMUM_TEE_SIZE},
    {TEE_COLUMNS_SETTING, "tee_cc", true, Settings::DEFAULT_TEE_COLUMNS, Settings::MINIMUM_TEE_SIZE,
     Settings::MAXIMUM_TEE_SIZE},
    {VARIABLE_VIEW_COLUMN_SETTING, "VariableView/c%1", false, 0, 0, 0},
    {FILE_BROWSER_COLUMN_SETTING, "FileBrowser/c%1", false, 0, 0, 0},
    {MEMORY_LIMIT_SETTING, "memory_limit", true, 0, 0, std::numeric_limits<int>::max()},
};
static_assert(std::size(kSettings) == SETTING_COUNT);

const SettingInfo &info(SettingKey key)
{
    NUMLYRA_ASSERT(key >= 0 && key < SETTING_COUNT && kSettings[key].key == key);
    return kSettings[key];
}

QSettings openStore()
{
    return QSettings(Numlyra::organisationName, Numlyra::applicationName);
}

const QString kPreferredConsoleFont = QStringLiteral("Consolas,9");
const QString kFallbackConsoleFont = QStringLiteral("Courier New,9");

} // namespace

namespace Settings {

QString keyName(SettingKey key, int column)
{
    const QString name = QString::fromLatin1(info(key).name);
    return name.contains(QLatin1String("%1")) ? name.arg(column) : name;
}

bool contains(SettingKey key, int column)
{
    return openStore().contains(keyName(key, column));
}

void remove(SettingKey key, int column)
{
    openStore().remove(keyName(key, column));
}

QByteArray readBytes(SettingKey key)
{
    return openStore().value(keyName(key)).toByteArray();
}

void writeBytes(SettingKey key, const QByteArray &value)
{
    openStore().setValue(keyName(key), value);
}

QString readText(SettingKey key)
{
    const QVariant value = openStore().value(keyName(key));
    return value.canConvert<QString>() ? value.toString() : QString();
}

void writeText(SettingKey key, const QString &value)
{
    openStore().setValue(keyName(key), value);
}

int readInteger(SettingKey key, int fallback, int column)
{
    const SettingInfo &setting = info(key);
    const int otherwise = setting.hasDefault ? setting.defaultValue : fallback;
    const QVariant value = openStore().value(keyName(key, column));
    if (!value.isValid())
        return otherwise;
    // The store may hand back text ("7") or a number; "7.5", "abc" and
    // numbers beyond int are not integers.
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        return otherwise;
    if (setting.hasDefault && (number < setting.minimum || number > setting.maximum))
        return otherwise;
    return int(number);
}

void writeInteger(SettingKey key, int value, int column)
{
    openStore().setValue(keyName(key, column), value);
}

int precision()
{
    return readInteger(PRECISION_SETTING);
}

void setPrecision(int precision)
{
    if (OutputFormatter::isValidPrecision(precision))
        writeInteger(PRECISION_SETTING, precision);
}

int teeRowCount()
{
    return readInteger(TEE_ROWS_SETTING);
}

bool setTeeRowCount(int rows)
{
    if (rows < MINIMUM_TEE_SIZE || rows > MAXIMUM_TEE_SIZE)
        return false;
    writeInteger(TEE_ROWS_SETTING, rows);
    return true;
}

int teeColumnCount()
{
    return readInteger(TEE_COLUMNS_SETTING);
}

bool setTeeColumnCount(int columns)
{
    if (columns < MINIMUM_TEE_SIZE || columns > MAXIMUM_TEE_SIZE)
        return false;
    writeInteger(TEE_COLUMNS_SETTING, columns);
    return true;
}

int memoryLimit()
{
    return readInteger(MEMORY_LIMIT_SETTING);
}

void setMemoryLimit(int mebibytes)
{
    writeInteger(MEMORY_LIMIT_SETTING, mebibytes);
}

QString existingDirectory(SettingKey key)
{
    NUMLYRA_ASSERT(key == PWD_SETTING || key == FILE_BROWSER_PWD_SETTING);
    const QString path = readText(key);
    return !path.isEmpty() && QFileInfo(path).isDir() ? path : QString();
}

QString consoleFontDescription()
{
    const QString stored = readText(CONSOLE_FONT_SETTING);
    QFont font;
    if (!stored.isEmpty() && font.fromString(stored))
        return stored;
    return QFontDatabase::hasFamily(QStringLiteral("Consolas")) ? kPreferredConsoleFont : kFallbackConsoleFont;
}

QFont consoleFont()
{
    QFont font;
    font.fromString(consoleFontDescription());
    // Where the family is not installed, the matcher still picks a
    // fixed-width face for it.
    if (font.styleHint() == QFont::AnyStyle)
        font.setStyleHint(QFont::TypeWriter);
    return font;
}

void setConsoleFont(const QFont &font)
{
    writeText(CONSOLE_FONT_SETTING, font.toString());
}

QFont graphFont()
{
    const QString stored = readText(GRAPH_FONT_SETTING);
    QFont font;
    if (stored.isEmpty() || !font.fromString(stored))
        return QFont();
    return font;
}

void setGraphFont(const QFont &font)
{
    writeText(GRAPH_FONT_SETTING, font.toString());
}

} // namespace Settings

QString programDirectory()
{
    static const QString path = QDir::homePath() + QLatin1Char('/') + Numlyra::applicationName + QLatin1Char('/');
    return path;
}

bool ensureProgramDirectory()
{
    const QString path = programDirectory();
    if (QFileInfo(path).isDir() || QDir().mkpath(path))
        return true;
    showCriticalMessage(QCoreApplication::translate("Settings", "Can't create program directory"));
    return false;
}
