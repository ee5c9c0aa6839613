#include "xml/node_arena.h"

#include <algorithm>
#include <new>

#include "xml/node.h"

namespace detail {
namespace {

// Small documents (a configuration file) take a block or two; large ones settle on blocks of
// this size, far below the point where the C library maps each block on its own.
constexpr std::size_t kLargestBlock = 64 * 1024;

}  // namespace

NodeArena::~NodeArena() {
    for (Block* block = lastBlock; block;) {
        Block* previous = block->previous;
        ::operator delete(block);
        block = previous;
    }
}

CXmlParserNode** NodeArena::table(std::size_t count) {
    return static_cast<CXmlParserNode**>(allocate(count * sizeof(CXmlParserNode*)));
}

void* NodeArena::allocateInNewBlock(std::size_t bytes) {
    const std::size_t header = roundUp(sizeof(Block));
    const std::size_t usable = std::max(bytes, nextBlockBytes - header);
    // The spill room at the end of a block is never handed out; elsewhere the next
    // allocation's room, not handed out yet, serves.
    auto* block = static_cast<Block*>(::operator new(header + usable + kSpill));
    block->previous = lastBlock;
    lastBlock = block;
    next = reinterpret_cast<unsigned char*>(block) + header;
    nextBytes = usable;
    nextBlockBytes = std::min(nextBlockBytes * 2, kLargestBlock);
    void* room = next;
    next += bytes;
    nextBytes -= bytes;
    return room;
}

}  // namespace detail
