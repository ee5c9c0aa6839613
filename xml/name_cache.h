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
    // The same for a name of plain ASCII bytes, one a character: the same slot as its wide form.
    ArenaText get(const char* begin, const char* end) {
        const auto n = static_cast<std::size_t>(end - begin);
        ArenaText& slot = slots[n == 0 ? 0 : slotOf(n, static_cast<unsigned char>(begin[0]),
                                                     static_cast<unsigned char>(begin[n / 2]),
                                                     static_cast<unsigned char>(begin[n - 1]))];
        if (!sameText(slot.view(), begin, end)) slot = ArenaText(begin, end, arena);
        return slot;
    }

    static bool sameText(WideStringView text, const char* begin, const char* end) {
        if (text.size() != static_cast<std::size_t>(end - begin)) return false;
        for (const WideChar c : text)
            if (c != static_cast<unsigned char>(*begin++)) return false;
        return true;
    }

private:
    static constexpr std::size_t kSlots = 256;

    // A few characters and the length tell the names of one document apart well enough; a
    // collision only costs a copy.
    static std::size_t slotOf(std::size_t n, std::uint32_t first, std::uint32_t middle, std::uint32_t last) {
        const std::uint32_t mix = static_cast<std::uint32_t>(n) * 0x9E3779B1u ^ first * 0x85EBCA6Bu ^
                                  middle * 0xC2B2AE35u ^ last * 0x27D4EB2Fu;
        return (mix ^ (mix >> 15)) % kSlots;
    }
    static std::size_t slotOf(WideStringView name) {
        const std::size_t n = name.size();
        return n == 0 ? 0 : slotOf(n, name[0], name[n / 2], name[n - 1]);
    }

    NodeArena& arena;
    std::array<ArenaText, kSlots> slots;
};

}  // namespace detail
