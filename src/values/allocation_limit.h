#pragma once

#include <cstdint>

// The one guard on array storage. Under the kernel's overcommit a huge
// allocation succeeds on paper and the process is killed when its pages are
// touched; so an element block is refused up front (the callers report
// "Not enough memory") when it is larger than
//  - the machine's physical memory, or the lower limit the user set, or
//  - for blocks of 64 MiB and more, when what they add is more than the
//    memory the system has available (less what was granted since it was
//    last asked).
namespace AllocationLimit {

// The largest block allowed, in bytes: the user's limit when one is set,
// else the physical memory.
uint64_t limit();
uint64_t physicalMemory();
// A limit in bytes below the physical memory; 0 (or one above it) restores
// the physical memory as the limit.
void setUserLimit(uint64_t bytes);
uint64_t userLimit();

// True when a block of `blockBytes` may exist now, `newBytes` of it new
// (a grown block keeps its old pages).
bool allows(uint64_t blockBytes, uint64_t newBytes);

} // namespace AllocationLimit
