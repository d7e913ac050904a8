#pragma once

#include <cstdint>

// What a CALL finds for a function id (the local functions of the running
// script and its parents, then the registry's active candidate) changes only
// when a function record appears or goes away or the registry is rebuilt.
// Each such change moves this count on, so a call site may keep what it
// found for as long as the count stands still. One thread at a time touches
// it, as with every other piece of run state.
inline uint64_t g_callTargetsVersion = 1;

inline uint64_t callTargetsVersion()
{
    return g_callTargetsVersion;
}

inline void callTargetsChanged()
{
    ++g_callTargetsVersion;
}
