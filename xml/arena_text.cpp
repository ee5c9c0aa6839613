#include "xml/arena_text.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "xml/reader/scan.h"

namespace detail {

const ArenaText::Block ArenaText::emptyBlock = {0, {0}};

namespace {

template <class Fill>
const void* makeBlock(std::size_t length, NodeArena& arena, std::size_t unitsOffset, Fill fill) {
    if (length >= std::numeric_limits<std::uint32_t>::max()) throw std::length_error("text too long for a node");
    auto* bytes = static_cast<unsigned char*>(arena.bytes(unitsOffset + (length + 1) * sizeof(WideChar)));
    *reinterpret_cast<std::uint32_t*>(bytes) = static_cast<std::uint32_t>(length);
    auto* units = reinterpret_cast<WideChar*>(bytes + unitsOffset);
    fill(units);
    units[length] = 0;
    return bytes;
}

}  // namespace

ArenaText::ArenaText(WideStringView text, NodeArena& arena) : block(&emptyBlock) {
    if (text.empty()) return;
    block = static_cast<const Block*>(makeBlock(text.size(), arena, offsetof(Block, units), [&](WideChar* units) {
        std::memcpy(units, text.data(), text.size() * sizeof(WideChar));
    }));
}

ArenaText::ArenaText(const char* begin, const char* end, NodeArena& arena) : block(&emptyBlock) {
    if (begin == end) return;
    block = static_cast<const Block*>(makeBlock(static_cast<std::size_t>(end - begin), arena, offsetof(Block, units),
                                                [&](WideChar* units) {
                                                    detail::widenAscii(units, begin, static_cast<std::size_t>(end - begin));
                                                }));
}

ArenaText::ArenaText(const char* begin, const char* end, std::size_t units, NodeArena& arena) : block(&emptyBlock) {
    if (units == static_cast<std::size_t>(end - begin)) {
        *this = ArenaText(begin, end, arena);
        return;
    }
    block = static_cast<const Block*>(makeBlock(units, arena, offsetof(Block, units),
                                                [&](WideChar* to) { detail::widenUtf8(to, begin, end); }));
}

}  // namespace detail
