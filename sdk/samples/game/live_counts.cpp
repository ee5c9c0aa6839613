#include "live_counts.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<int> liveObjects{0};
std::atomic<int> liveAllocations{0};
}  // namespace

LiveObject::LiveObject() { ++liveObjects; }
LiveObject::~LiveObject() { --liveObjects; }

extern "C" int moduleLiveObjects() { return liveObjects; }
extern "C" int moduleLiveAllocations() { return liveAllocations; }

// The module's own allocator: the C heap, counted.
void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    ++liveAllocations;
    return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept {
    if (!block) return;
    --liveAllocations;
    std::free(block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }
