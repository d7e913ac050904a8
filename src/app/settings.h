#pragma once

#include "values/output_formatter.h"

#include <QByteArray>
#include <QFont>
#include <QString>

// Every key of the settings store, in one table (settings.cpp). The store is
// opened afresh for each access with the organisation and application names,
// so two windows or a crashed run never leave a stale cached value behind.
enum SettingKey {
    MAIN_WINDOW_GEOMETRY_SETTING,
    MAIN_WINDOW_STATE_SETTING,
    PWD_SETTING,
    FILE_BROWSER_PWD_SETTING,
    CONSOLE_FONT_SETTING,
    GRAPH_FONT_SETTING,
    PREFERENCES_GEOMETRY_SETTING,
    PRECISION_SETTING,
    TEE_ROWS_SETTING,
    TEE_COLUMNS_SETTING,
    VARIABLE_VIEW_COLUMN_SETTING, // "VariableView/c%1", %1 is 0 or 1
    FILE_BROWSER_COLUMN_SETTING,  // "FileBrowser/c%1"
    MEMORY_LIMIT_SETTING,
    SETTING_COUNT
};

namespace Settings {

inline constexpr int MINIMUM_TEE_SIZE = 10;
inline constexpr int MAXIMUM_TEE_SIZE = 255;
inline constexpr int DEFAULT_TEE_ROWS = 62;
inline constexpr int DEFAULT_TEE_COLUMNS = 76;

// The key's name in the store; `column` fills the %1 of the column keys.
QString keyName(SettingKey key, int column = -1);

bool contains(SettingKey key, int column = -1);
void remove(SettingKey key, int column = -1);

// Raw access. An absent value reads as empty.
QByteArray readBytes(SettingKey key);
void writeBytes(SettingKey key, const QByteArray &value);
QString readText(SettingKey key);
void writeText(SettingKey key, const QString &value);
// The key's integer, or its default when it is absent, not an integer or
// outside the key's range; keys without a default of their own (the column
// widths) give `fallback`.
int readInteger(SettingKey key, int fallback = 0, int column = -1);
void writeInteger(SettingKey key, int value, int column = -1);

// "prec": 5..15, else 7.
int precision();
void setPrecision(int precision);
// "tee_rc" and "tee_cc": 10..255, else 62 and 76. The setters refuse values
// outside the range and return false (the commands report the error).
int teeRowCount();
bool setTeeRowCount(int rows);
int teeColumnCount();
bool setTeeColumnCount(int columns);

// "memory_limit": the largest array or string in MiB; 0 (the default) for
// the machine's physical memory.
int memoryLimit();
void setMemoryLimit(int mebibytes);

// "pwd" and "FileBrowser/pwd" when they name an existing directory, else
// empty (the caller keeps its own default).
QString existingDirectory(SettingKey key);

// The console font's description: the stored one when it can be read as a
// font, else "Consolas,9", or "Courier New,9" where that family is missing.
QString consoleFontDescription();
QFont consoleFont();
void setConsoleFont(const QFont &font);
// The graph pages' font: the stored one, else the toolkit's default font.
QFont graphFont();
void setGraphFont(const QFont &font);

} // namespace Settings

// The formatter's precision kept under "prec".
class SettingsPrecisionStore : public PrecisionStore {
public:
    int loadPrecision() override { return Settings::precision(); }
    void storePrecision(int precision) override { Settings::setPrecision(precision); }
};

// The user's home directory, "/", the application name and "/", computed
// once; file names are appended directly.
QString programDirectory();
// Creates the program directory when it is missing. On failure a critical
// message "Can't create program directory" is shown and false returned; the
// caller goes on without the directory.
bool ensureProgramDirectory();
