// save_csv(file, value) and load_csv(file [, type]): the text table from a
// running command. Type names for load_csv: "double" (the default),
// "string", "boolean".

#include "app/current_directory.h"
#include "library/native_definition.h"
#include "persistence/failure_reporter.h"
#include "persistence/text_table.h"
#include "values/error_codes.h"

#include <QDir>

namespace {

QString absolutePath(const Variable &name)
{
    return CurrentDirectory::resolve(name.getString().toQString());
}

bool saveCsv(NativeFrame &frame)
{
    if (frame.argc != 2) {
        frame.context.report(ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION);
        return false;
    }
    const Variable &name = frame.arg(0);
    const Variable &value = frame.arg(1);
    if (name.type() != STRING_TYPE || name.getString().isEmpty() || value.isUndefined()) {
        frame.context.report(ERR_BAD_SAVE_CSV_ARG);
        return false;
    }
    const FailureReporter reporter(&frame.context);
    if (!TextTable::writeFile(absolutePath(name), value, reporter))
        return false;
    frame.setResult(Variable(true));
    return true;
}

bool loadCsv(NativeFrame &frame)
{
    if (frame.argc != 1 && frame.argc != 2) {
        frame.context.report(ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION);
        return false;
    }
    const Variable &name = frame.arg(0);
    if (name.type() != STRING_TYPE || name.getString().isEmpty()) {
        frame.context.report(ERR_BAD_LOAD_CSV_ARG);
        return false;
    }
    VariableType type = DOUBLE_TYPE;
    if (frame.argc == 2) {
        const Variable &typeName = frame.arg(1);
        const QString word = typeName.type() == STRING_TYPE ? typeName.getString().toQString() : QString();
        if (word == QLatin1String("double"))
            type = DOUBLE_TYPE;
        else if (word == QLatin1String("string"))
            type = STRING_TYPE;
        else if (word == QLatin1String("boolean"))
            type = BOOLEAN_TYPE;
        else {
            frame.context.report(ERR_BAD_LOAD_CSV_ARG);
            return false;
        }
    }
    Variable value;
    const FailureReporter reporter(&frame.context);
    if (!TextTable::readFile(absolutePath(name), type, reporter, value))
        return false;
    frame.setResult(std::move(value));
    return true;
}

const NativeDefinition kCsvNatives[] = {
    {"save_csv", saveCsv},
    {"load_csv", loadCsv},
};

} // namespace

std::span<const NativeDefinition> csvNatives()
{
    return kCsvNatives;
}
