#pragma once

#include <cstdint>

#include "boundary/wide_string.h"

namespace detail {

// An immutable, reference-counted wide string: one heap block with the count, the length, the
// code units and a terminating zero. Nodes share names and texts with their copies this way.
//
// The process-wide empty string is immortal: copying or dropping it touches no count, so
// documents built on different threads never write to the one block they all share. The
// counts of other strings are not atomic: a string is shared only within the trees built by one
// document parser, on one thread.
class SharedString {
public:
    SharedString() noexcept;  // the empty string
    explicit SharedString(WideStringView text);
    SharedString(const SharedString& other) noexcept;
    SharedString& operator=(const SharedString& other) noexcept;
    ~SharedString();

    const WideChar* c_str() const noexcept { return block->units; }
    std::uint32_t size() const noexcept { return block->length; }
    WideStringView view() const noexcept { return {block->units, block->length}; }

private:
    struct Block {
        std::uint32_t references;
        std::uint32_t length;
        WideChar units[1];  // `length` units and a zero; allocated to fit
    };
    static Block emptyBlock;

    void acquire() const noexcept;
    void dropReference() noexcept;

    Block* block;
};

}  // namespace detail
