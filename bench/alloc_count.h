#pragma once

#include <cstdint>

// Live heap bytes of the whole process, counted by replacements of malloc, free, calloc,
// realloc, the aligned allocations and the global operator new and delete, so that C and C++
// libraries are measured alike. Bytes are what malloc_usable_size reports (request plus the
// allocator's rounding, without its per-block header). Only counts between start() and stop():
// the timed runs pay no more than one test of a flag per call.
namespace alloc_count {

// False where a sanitizer owns the allocator (the asan preset): nothing is replaced there and
// every figure is zero.
bool available();

struct Usage {
    std::int64_t live = 0;           // bytes allocated and not yet freed since start()
    std::int64_t peak = 0;           // the most `live` has been since start()
    std::uint64_t allocations = 0;   // blocks handed out since start()
};

void start();
Usage now();
void stop();

}  // namespace alloc_count
