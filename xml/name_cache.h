#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "boundary/wide_string.h"
#include "xml/shared_string.h"

namespace detail {

// Element names repeat all through a document, so while one tree is built equal names share one
// string. The cache is a direct-mapped table of recently seen names: a hit costs a hash and a
// comparison instead of an allocation, a miss replaces the slot's name.
class NameCache {
public:
    SharedString get(WideStringView name) {
        SharedString& slot = slots[slotOf(name)];
        if (slot.view() != name) slot = SharedString(name);
        return slot;
    }

private:
    static constexpr std::size_t kSlots = 256;

    static std::size_t slotOf(WideStringView name) {
        std::uint32_t hash = 2166136261u;  // FNV-1a
        for (const WideChar c : name) hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
        return (hash ^ (hash >> 16)) % kSlots;
    }

    std::array<SharedString, kSlots> slots;
};

}  // namespace detail
