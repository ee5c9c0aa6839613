#include "alloc_count.h"

#include <cerrno>
#include <cstddef>
#include <new>

#include <malloc.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BENCH_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(BENCH_SANITIZED)
#define BENCH_COUNTS_ALLOCATIONS 0
#else
#define BENCH_COUNTS_ALLOCATIONS 1
#endif

namespace {

// One thread only: the benchmark never starts another.
bool counting = false;
alloc_count::Usage usage;

}  // namespace

namespace alloc_count {

bool available() { return BENCH_COUNTS_ALLOCATIONS != 0; }

void start() {
    usage = Usage{};
    counting = true;
}

Usage now() { return usage; }

void stop() { counting = false; }

}  // namespace alloc_count

#if BENCH_COUNTS_ALLOCATIONS

// glibc's own entry points: replacing malloc and friends in the executable reroutes every
// library of the process through the functions below, which forward here.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

void* added(void* block) {
    if (counting && block) {
        usage.live += static_cast<std::int64_t>(malloc_usable_size(block));
        if (usage.live > usage.peak) usage.peak = usage.live;
        ++usage.allocations;
    }
    return block;
}

void removing(void* block) {
    if (counting && block) usage.live -= static_cast<std::int64_t>(malloc_usable_size(block));
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) noexcept { return added(__libc_malloc(size)); }

void free(void* block) noexcept {
    removing(block);
    __libc_free(block);
}

void* calloc(std::size_t count, std::size_t size) noexcept { return added(__libc_calloc(count, size)); }

void* realloc(void* block, std::size_t size) noexcept {
    if (!counting) return __libc_realloc(block, size);
    const auto before = static_cast<std::int64_t>(block ? malloc_usable_size(block) : 0);
    void* moved = __libc_realloc(block, size);
    if (!moved) {
        if (size == 0) usage.live -= before;  // freed
        return moved;
    }
    usage.live += static_cast<std::int64_t>(malloc_usable_size(moved)) - before;
    if (usage.live > usage.peak) usage.peak = usage.live;
    if (moved != block) ++usage.allocations;
    return moved;
}

void* memalign(std::size_t alignment, std::size_t size) noexcept {
    return added(__libc_memalign(alignment, size));
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    return added(__libc_memalign(alignment, size));
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* block = added(__libc_memalign(alignment, size));
    if (!block) return ENOMEM;
    *out = block;
    return 0;
}

}  // extern "C"

// The C++ allocation functions forward to the counted functions above, so that no C++ block
// depends on how the standard library itself reaches the allocator.
namespace {

void* newBlock(std::size_t size) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* block = malloc(size)) return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* newAligned(std::size_t size, std::align_val_t alignment) {
    const auto align = static_cast<std::size_t>(alignment);
    if (size == 0) size = 1;
    for (;;) {
        if (void* block = memalign(align, size)) return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

}  // namespace

void* operator new(std::size_t size) { return newBlock(size); }
void* operator new[](std::size_t size) { return newBlock(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return newBlock(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return newBlock(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t alignment) { return newAligned(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return newAligned(size, alignment); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return newAligned(size, alignment);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return newAligned(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, std::size_t) noexcept { free(block); }
void operator delete[](void* block, std::size_t) noexcept { free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { free(block); }
void operator delete(void* block, std::align_val_t) noexcept { free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { free(block); }

#endif
