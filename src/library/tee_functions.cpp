// The tee copy of the command window's output and its page size: tee,
// tee_rc, set_tee_rc, tee_cc, set_tee_cc. The engine appends each
// command's output to the file after the command; these natives only
// switch it.

#include "app/current_directory.h"
#include "app/settings.h"
#include "engine/virtual_machine.h"
#include "library/native_definition.h"
#include "values/error_codes.h"
#include "values/output_list.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

// The file must be a file (or not exist yet) and open for appending; a
// fresh start first removes the old copy.
bool prepareTeeFile(NativeFrame &frame, const QString &name, bool replace, QString &path)
{
    path = CurrentDirectory::resolve(name);
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        frame.context.reportNamed(ERR_NOT_A_FILE, name);
        return false;
    }
    if (replace && info.exists() && !QFile::remove(path)) {
        frame.context.reportNamed(ERR_CANT_REMOVE_FILE, name);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        frame.context.reportNamed(ERR_CANT_OPEN_FILE_TO_WRITE, name);
        return false;
    }
    return true;
}

bool stringArgument(const Variable &arg, QString &text)
{
    if (arg.type() != STRING_TYPE || arg.getString().isEmpty())
        return false;
    text = arg.getString().toQString();
    return true;
}

// tee FILE (start afresh), tee append [FILE] (go on appending, to the last
// file when none is named), tee off | suspend | resume; tee alone prints
// the state as the desktop's status bar shows it.
bool tee(NativeFrame &frame)
{
    if (!frame.expectArguments(0, 2))
        return false;
    VirtualMachine &vm = VirtualMachine::instance();
    if (frame.argc == 0) {
        OutputList::instance().appendTextLine(QStringLiteral("Tee: ") + vm.teeStatusText());
        frame.setResult(Variable(true));
        return true;
    }
    QString word;
    if (!stringArgument(frame.arg(0), word)) {
        frame.context.report(ERR_BAD_TEE_ARG);
        return false;
    }
    QString name;
    if (frame.argc == 2 && (word != QLatin1String("append") || !stringArgument(frame.arg(1), name))) {
        frame.context.report(ERR_BAD_TEE_ARG);
        return false;
    }
    if (frame.argc == 1) {
        if (word == QLatin1String("off")) {
            vm.teeOff();
        } else if (word == QLatin1String("suspend") || word == QLatin1String("resume")) {
            if (vm.teeOn())
                vm.suspendTee(word == QLatin1String("suspend"));
        } else if (word == QLatin1String("append")) {
            if (vm.teePath().isEmpty()) {
                frame.context.report(ERR_BAD_TEE_ARG);
                return false;
            }
            name = vm.teePath();
        } else {
            QString path;
            if (!prepareTeeFile(frame, word, true, path))
                return false;
            vm.tee(path);
        }
    }
    if (!name.isEmpty()) {
        QString path;
        if (!prepareTeeFile(frame, name, false, path))
            return false;
        vm.tee(path);
    }
    frame.setResult(Variable(true));
    return true;
}

bool teeRc(NativeFrame &frame)
{
    if (!frame.expectArguments(0))
        return false;
    frame.setResult(Variable(double(Settings::teeRowCount())));
    return true;
}

bool teeCc(NativeFrame &frame)
{
    if (!frame.expectArguments(0))
        return false;
    frame.setResult(Variable(double(Settings::teeColumnCount())));
    return true;
}

// The fraction of n is dropped; the store refuses values outside 10..255.
bool setTeeSize(NativeFrame &frame, bool (*store)(int), quint32 rangeCode)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &arg = frame.arg(0);
    if (arg.type() != DOUBLE_TYPE) {
        frame.context.badArgument(DOUBLE_TYPE, arg.type(), 0);
        return false;
    }
    const double n = std::trunc(arg.getDouble());
    if (!(n >= Settings::MINIMUM_TEE_SIZE && n <= Settings::MAXIMUM_TEE_SIZE) || !store(int(n))) {
        frame.context.report(rangeCode);
        return false;
    }
    frame.setResult(Variable(true));
    return true;
}

bool setTeeRc(NativeFrame &frame) { return setTeeSize(frame, Settings::setTeeRowCount, ERR_BAD_SET_TEE_RC_ARG); }
bool setTeeCc(NativeFrame &frame) { return setTeeSize(frame, Settings::setTeeColumnCount, ERR_BAD_SET_TEE_CC_ARG); }

const NativeDefinition kTeeNatives[] = {
    {"tee", tee}, {"tee_rc", teeRc}, {"set_tee_rc", setTeeRc}, {"tee_cc", teeCc}, {"set_tee_cc", setTeeCc},
};

} // namespace

std::span<const NativeDefinition> teeNatives()
{
    return kTeeNatives;
}
