#pragma once

#include <cstdint>

#include "boundary/wide_string.h"
#include "xml/node_arena.h"

namespace detail {

// An immutable wide string in a document's arena: a node's name or text, its length, its code
// units and a terminating zero. Nothing to count or free: it goes with the arena, so a node holds
// no string that needs destroying. The empty string needs no room.
class ArenaText {
public:
    ArenaText() noexcept : block(&emptyBlock) {}
    ArenaText(WideStringView text, NodeArena& arena);
    // From plain ASCII bytes, one a character.
    ArenaText(const char* begin, const char* end, NodeArena& arena);
    // From bytes that detail::skipWhileUtf8 passed, `units` characters.
    ArenaText(const char* begin, const char* end, std::size_t units, NodeArena& arena);

    const WideChar* c_str() const noexcept { return block->units; }
    std::uint32_t size() const noexcept { return block->length; }
    WideStringView view() const noexcept { return {block->units, block->length}; }

private:
    struct Block {
        std::uint32_t length;
        WideChar units[1];  // `length` units and a zero; allocated to fit
    };
    static const Block emptyBlock;

    const Block* block;
};

}  // namespace detail
