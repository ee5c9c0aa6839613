// What a C and C++ runtime would otherwise give the module: the allocator, the entry point and
// the symbols the compiler refers to. Allocations and live objects are counted for the tests.

#include <stddef.h>

#include "kernel32.h"
#include "live_count.h"

namespace {
int liveObjects = 0;
int liveAllocations = 0;
}  // namespace

LiveCount::LiveCount() { __atomic_add_fetch(&liveObjects, 1, __ATOMIC_RELAXED); }
LiveCount::~LiveCount() { __atomic_sub_fetch(&liveObjects, 1, __ATOMIC_RELAXED); }

extern "C" __declspec(dllexport) int moduleLiveObjects() { return __atomic_load_n(&liveObjects, __ATOMIC_RELAXED); }
extern "C" __declspec(dllexport) int moduleLiveAllocations() { return __atomic_load_n(&liveAllocations, __ATOMIC_RELAXED); }

// Without exceptions there is no bad_alloc to throw, and every `new` is assumed to succeed.
void* operator new(size_t size) {
    void* block = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    if (!block) __builtin_trap();
    __atomic_add_fetch(&liveAllocations, 1, __ATOMIC_RELAXED);
    return block;
}
void* operator new[](size_t size) { return operator new(size); }

void operator delete(void* block) noexcept {
    if (!block) return;
    __atomic_sub_fetch(&liveAllocations, 1, __ATOMIC_RELAXED);
    HeapFree(GetProcessHeap(), 0, block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, size_t) noexcept { operator delete(block); }
void operator delete[](void* block, size_t) noexcept { operator delete(block); }

// A pure virtual function called through a half-built or half-destroyed object.
extern "C" int __cdecl _purecall() { __builtin_trap(); }

// Referred to by every object file that uses floating point.
extern "C" int _fltused = 0;

extern "C" int __stdcall DllMain(void*, unsigned long, void*) { return 1; }
