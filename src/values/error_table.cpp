#include "values/error_table.h"

#include "values/assert.h"
#include "values/error_table_data.h"

#include <QCoreApplication>

ErrorTable *ErrorTable::_instance = nullptr;

namespace {

QString translated(const char *message)
{
    return QCoreApplication::translate("ErrorTable", message);
}

// Used only when no table has been created (tests and tools that report
// errors without an application start-up).
const QHash<quint32, const char *> &builtInMessages()
{
    static const QHash<quint32, const char *> messages = [] {
        QHash<quint32, const char *> h;
        h.reserve(kErrorTableSize);
        for (int i = 0; i < kErrorTableSize; ++i)
            h.insert(kErrorTable[i].code, kErrorTable[i].message);
        return h;
    }();
    return messages;
}

} // namespace

// Filled once, after the translators are installed, so that every later
// lookup is a plain hash access.
ErrorTable::ErrorTable()
{
    NUMLYRA_ASSERT(_instance == nullptr);
    _messages.reserve(kErrorTableSize);
    for (int i = 0; i < kErrorTableSize; ++i)
        _messages.insert(kErrorTable[i].code, translated(kErrorTable[i].message));
    _instance = this;
}

ErrorTable::~ErrorTable()
{
    if (_instance == this)
        _instance = nullptr;
}

QString ErrorTable::message(quint32 code)
{
    if (_instance) {
        const auto it = _instance->_messages.constFind(code);
        if (it != _instance->_messages.constEnd())
            return it.value();
    } else if (const char *text = builtInMessages().value(code, nullptr)) {
        return translated(text);
    }
    return QStringLiteral("UNKNOWN ERROR CODE");
}

bool ErrorTable::contains(quint32 code)
{
    return _instance ? _instance->_messages.contains(code) : builtInMessages().contains(code);
}
