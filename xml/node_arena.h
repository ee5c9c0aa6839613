#pragma once

#include <cstddef>

namespace detail {

class CXmlParserNode;

// The memory of one document's nodes, their tables of children and their attributes, taken from
// the heap in blocks and given back all at once with the document: a node is never freed on its
// own. A tree then costs a heap call per block rather than several per node, its nodes lie in
// the order they were built, and destroying it walks no tree, however deep.
class NodeArena {
public:
    NodeArena() = default;
    ~NodeArena();  // frees the blocks; what lies in them needs no destruction
    NodeArena(const NodeArena&) = delete;
    NodeArena& operator=(const NodeArena&) = delete;

    // A node constructed here (defined in xml/node.h). A constructor that throws leaves its room
    // unused until the arena goes.
    template <class... Args>
    CXmlParserNode* make(Args&&... args);
    // Room for `count` pointers to children, not initialised.
    CXmlParserNode** table(std::size_t count);
    // Room for other data of the document's nodes, aligned for pointers, not initialised. Until
    // the next allocation, the kSpill bytes after it are the caller's too: wide stores that
    // run past the end of what they fill need no care there.
    void* bytes(std::size_t count) { return allocate(count); }
    static constexpr std::size_t kSpill = 32;

private:
    static constexpr std::size_t kAlignment = alignof(void*);
    static std::size_t roundUp(std::size_t bytes) { return (bytes + kAlignment - 1) / kAlignment * kAlignment; }

    struct Block {
        Block* previous;
    };

    // The common case inline: room in the current block.
    void* allocate(std::size_t bytes) {
        bytes = roundUp(bytes);
        if (bytes > nextBytes) return allocateInNewBlock(bytes);
        void* room = next;
        next += bytes;
        nextBytes -= bytes;
        return room;
    }
    void* allocateInNewBlock(std::size_t bytes);

    Block* lastBlock = nullptr;
    unsigned char* next = nullptr;
    std::size_t nextBytes = 0;
    std::size_t nextBlockBytes = 1024;
};

}  // namespace detail
