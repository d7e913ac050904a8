#include "values/allocation_limit.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {

// Blocks smaller than this only meet the fixed limit: asking the system
// costs a read of /proc, negligible against touching 64 MiB.
constexpr uint64_t kAskSystemFrom = uint64_t(64) << 20;
constexpr auto kAnswerKeptFor = std::chrono::milliseconds(200);

std::atomic<uint64_t> userLimitBytes{0};

// MemAvailable plus free swap, in bytes; 0 when it cannot be read (then
// only the fixed limit applies).
uint64_t systemAvailable()
{
    std::FILE *file = std::fopen("/proc/meminfo", "r");
    if (!file)
        return 0;
    uint64_t available = 0;
    uint64_t swapFree = 0;
    char line[128];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, file)) {
        if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1)
            available = uint64_t(kib) << 10;
        else if (std::sscanf(line, "SwapFree: %llu kB", &kib) == 1)
            swapFree = uint64_t(kib) << 10;
    }
    std::fclose(file);
    return available == 0 ? 0 : available + swapFree;
}

// The last answer of the system, and what was granted since: growing an
// array element by element asks at most a few times a second.
struct AvailableMemory {
    std::mutex mutex;
    std::chrono::steady_clock::time_point askedAt;
    uint64_t available = 0;
    uint64_t grantedSince = 0;
    bool asked = false;

    bool grant(uint64_t bytes)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto now = std::chrono::steady_clock::now();
        if (!asked || now - askedAt > kAnswerKeptFor || grantedSince + bytes > available) {
            available = systemAvailable();
            askedAt = now;
            grantedSince = 0;
            asked = true;
        }
        if (available != 0 && grantedSince + bytes > available)
            return false;
        grantedSince += bytes;
        return true;
    }
};

AvailableMemory &availableMemory()
{
    static AvailableMemory memory;
    return memory;
}

} // namespace

namespace AllocationLimit {

uint64_t physicalMemory()
{
    static const uint64_t bytes = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        return pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : uint64_t(1) << 40;
    }();
    return bytes;
}

uint64_t limit()
{
    const uint64_t user = userLimitBytes.load(std::memory_order_relaxed);
    const uint64_t physical = physicalMemory();
    return user != 0 && user < physical ? user : physical;
}

void setUserLimit(uint64_t bytes)
{
    userLimitBytes.store(bytes < physicalMemory() ? bytes : 0, std::memory_order_relaxed);
}

uint64_t userLimit()
{
    return userLimitBytes.load(std::memory_order_relaxed);
}

bool allows(uint64_t blockBytes, uint64_t newBytes)
{
    if (blockBytes > limit())
        return false;
    return blockBytes < kAskSystemFrom || availableMemory().grant(newBytes);
}

} // namespace AllocationLimit
