#include "app/message_hook.h"

#include <cstdio>

namespace {
CriticalMessageHandler &handler()
{
    static CriticalMessageHandler h;
    return h;
}

CriticalMessageHandler &informationHandler()
{
    static CriticalMessageHandler h;
    return h;
}
} // namespace

void setCriticalMessageHandler(CriticalMessageHandler h)
{
    handler() = std::move(h);
}

void showCriticalMessage(const QString &text)
{
    if (handler()) {
        handler()(text);
        return;
    }
    std::fprintf(stderr, "Numlyra: %s\n", text.toLocal8Bit().constData());
}

void setInformationMessageHandler(CriticalMessageHandler h)
{
    informationHandler() = std::move(h);
}

void showInformationMessage(const QString &text)
{
    if (informationHandler()) {
        informationHandler()(text);
        return;
    }
    std::fprintf(stderr, "Numlyra: %s\n", text.toLocal8Bit().constData());
}
