#include "xml/arena_text.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace detail {

const ArenaText::Block ArenaText::emptyBlock = {0, {0}};

ArenaText::ArenaText(WideStringView text, NodeArena& arena) : block(&emptyBlock) {
    if (text.empty()) return;
    if (text.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("text too long for a node");
    auto* fresh = static_cast<Block*>(arena.bytes(offsetof(Block, units) + (text.size() + 1) * sizeof(WideChar)));
    fresh->length = static_cast<std::uint32_t>(text.size());
    std::memcpy(fresh->units, text.data(), text.size() * sizeof(WideChar));
    fresh->units[text.size()] = 0;
    block = fresh;
}

}  // namespace detail
