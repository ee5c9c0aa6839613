#include "xml/attribute_list.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace detail {

std::size_t AttributeList::blockBytes(const Header& header) {
    return sizeof(Header) + header.count * sizeof(Entry) + header.units * sizeof(WideChar);
}

AttributeList::AttributeList(const std::vector<xml::CXmlAttribute>& attributes, NodeArena& arena)
    : AttributeList(attributes.data(), attributes.size(), arena) {}

AttributeList::AttributeList(const xml::CXmlAttribute* first, std::size_t count, NodeArena& arena) {
    if (count == 0) return;
    const xml::CXmlAttribute* const last = first + count;
    std::size_t units = 0;
    for (const xml::CXmlAttribute* attribute = first; attribute != last; ++attribute)
        units += attribute->name.size() + attribute->value.size() + 2;
    if (count > std::numeric_limits<std::uint32_t>::max() / sizeof(Entry) ||
        units > std::numeric_limits<std::uint32_t>::max() / sizeof(WideChar))
        throw std::length_error("attributes too long");
    const Header header{static_cast<std::uint32_t>(count), static_cast<std::uint32_t>(units)};
    block = static_cast<Header*>(arena.bytes(blockBytes(header)));
    *block = header;
    auto* entry = reinterpret_cast<Entry*>(block + 1);
    auto* to = reinterpret_cast<WideChar*>(entry + header.count);
    std::uint32_t offset = 0;
    const auto place = [&](const WideString& text, std::uint32_t& where, std::uint32_t& length) {
        where = offset;
        length = static_cast<std::uint32_t>(text.size());
        std::memcpy(to + offset, text.data(), text.size() * sizeof(WideChar));
        to[offset + length] = 0;
        offset += length + 1;
    };
    for (const xml::CXmlAttribute* attribute = first; attribute != last; ++attribute) {
        place(attribute->name, entry->nameOffset, entry->nameLength);
        place(attribute->value, entry->valueOffset, entry->valueLength);
        ++entry;
    }
}

AttributeList::AttributeList(const AttributeList& other, NodeArena& arena) {
    if (!other.block) return;
    const std::size_t bytes = blockBytes(*other.block);
    block = static_cast<Header*>(arena.bytes(bytes));
    std::memcpy(block, other.block, bytes);
}

std::uint32_t AttributeList::size() const noexcept { return block ? block->count : 0; }

const AttributeList::Entry* AttributeList::entries() const noexcept { return reinterpret_cast<const Entry*>(block + 1); }

const WideChar* AttributeList::units() const noexcept {
    return reinterpret_cast<const WideChar*>(entries() + block->count);
}

WideStringView AttributeList::name(std::uint32_t index) const noexcept {
    const Entry& entry = entries()[index];
    return {units() + entry.nameOffset, entry.nameLength};
}

WideStringView AttributeList::value(std::uint32_t index) const noexcept {
    const Entry& entry = entries()[index];
    return {units() + entry.valueOffset, entry.valueLength};
}

}  // namespace detail
