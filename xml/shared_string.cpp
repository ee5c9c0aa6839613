#include "xml/shared_string.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace detail {

SharedString::Block SharedString::emptyBlock = {1, 0, {0}};

SharedString::SharedString() noexcept : block(&emptyBlock) {}

SharedString::SharedString(WideStringView text) : block(&emptyBlock) {
    if (text.empty()) return;
    if (text.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("text too long for a shared string");
    const std::size_t bytes = offsetof(Block, units) + (text.size() + 1) * sizeof(WideChar);
    auto* fresh = static_cast<Block*>(::operator new(bytes));
    fresh->references = 1;
    fresh->length = static_cast<std::uint32_t>(text.size());
    std::memcpy(fresh->units, text.data(), text.size() * sizeof(WideChar));
    fresh->units[text.size()] = 0;
    block = fresh;
}

SharedString::SharedString(const SharedString& other) noexcept : block(other.block) { acquire(); }

SharedString& SharedString::operator=(const SharedString& other) noexcept {
    other.acquire();
    dropReference();
    block = other.block;
    return *this;
}

SharedString::~SharedString() { dropReference(); }

void SharedString::acquire() const noexcept {
    if (block != &emptyBlock) ++block->references;
}

void SharedString::dropReference() noexcept {
    if (block != &emptyBlock && --block->references == 0) ::operator delete(block);
}

}  // namespace detail
