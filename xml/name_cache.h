#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "boundary/wide_string.h"
#include "xml/arena_text.h"

namespace detail {

// Element names repeat all through a document, so while one tree is built equal names share one
// string in its arena. The cache is a direct-mapped table of recently seen names: a hit costs a
// hash and a comparison instead of a copy, a miss puts the name in the arena and in the slot.
class NameCache {
public:
    explicit NameCache(NodeArena& arena) : arena(arena) {}

    ArenaText get(WideStringView name) {
        ArenaText& slot = slots[slotOf(name)];
        if (slot.view() != name) slot = ArenaText(name, arena);
        return slot;
    }

private:
    static constexpr std::size_t kSlots = 256;

    // A few characters and the length tell the names of one document apart well enough; a
    // collision only costs a copy.
    static std::size_t slotOf(WideStringView name) {
        const std::size_t n = name.size();
        if (n == 0) return 0;
        const std::uint32_t mix = static_cast<std::uint32_t>(n) * 0x9E3779B1u ^ name[0] * 0x85EBCA6Bu ^
                                  name[n / 2] * 0xC2B2AE35u ^ name[n - 1] * 0x27D4EB2Fu;
        return (mix ^ (mix >> 15)) % kSlots;
    }

    NodeArena& arena;
    std::array<ArenaText, kSlots> slots;
};

}  // namespace detail
