#include "app/message_hook.h"

#include <cstdio>

namespace {
CriticalMessageHandler &handler()
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
