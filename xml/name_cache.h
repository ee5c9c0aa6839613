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

    static std::size_t slotOf(WideStringView name) {
        std::uint32_t hash = 2166136261u;  // FNV-1a
        for (const WideChar c : name) hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
        return (hash ^ (hash >> 16)) % kSlots;
    }

    NodeArena& arena;
    std::array<ArenaText, kSlots> slots;
};

}  // namespace detail
