#include "xml/attribute_list.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "xml/reader/scan.h"

namespace detail {

std::size_t AttributeList::blockBytes(const Header& header) {
    return sizeof(Header) + header.count * sizeof(Entry) + header.units * sizeof(WideChar);
}

AttributeList::AttributeList(const std::vector<xml::CXmlAttribute>& attributes, NodeArena& arena)
    : AttributeList(attributes.data(), attributes.size(), arena) {}

AttributeList::AttributeList(const xml::CXmlAttribute* first, std::size_t count, NodeArena& arena) {
    const auto text = [](const WideString& wide) { return AttributeText{nullptr, wide.data(), wide.size(), 0}; };
    build(count, arena, [&](std::size_t i) { return AttributeParts{text(first[i].name), text(first[i].value)}; });
}

AttributeList::AttributeList(const AttributeParts* first, std::size_t count, NodeArena& arena) {
    build(count, arena, [&](std::size_t i) -> const AttributeParts& { return first[i]; });
}

AttributeList::AttributeList(const PlainAttribute* first, std::size_t count, const char* inputEnd, NodeArena& arena) {
    build(count, arena, [&](std::size_t i) { return partsOf(first[i]); }, inputEnd);
}

// Bytes of the input are read sixteen at a time where sixteen lie before `inputEnd` (given when
// they are the input's); the units are written so too, into the block and the arena's spill
// room after it.
template <class PartsAt>
void AttributeList::build(std::size_t count, NodeArena& arena, PartsAt partsAt, const char* inputEnd) {
    if (count == 0) return;
    std::size_t units = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const AttributeParts& parts = partsAt(i);
        units += parts.name.length + parts.value.length + 2;
    }
    if (count > std::numeric_limits<std::uint32_t>::max() / sizeof(Entry) ||
        units > std::numeric_limits<std::uint32_t>::max() / sizeof(WideChar))
        throw std::length_error("attributes too long");
    const Header header{static_cast<std::uint32_t>(count), static_cast<std::uint32_t>(units)};
    block = static_cast<Header*>(arena.bytes(blockBytes(header)));
    *block = header;
    auto* entry = reinterpret_cast<Entry*>(block + 1);
    auto* to = reinterpret_cast<WideChar*>(entry + header.count);
    std::uint32_t offset = 0;
    const auto place = [&](const AttributeText& text, std::uint32_t& where, std::uint32_t& length) {
        where = offset;
        length = static_cast<std::uint32_t>(text.length);
        WideChar* into = to + offset;
        if (!text.bytes)
            std::memcpy(into, text.units, text.length * sizeof(WideChar));
        else if (text.byteLength != text.length)
            detail::widenUtf8(into, text.bytes, text.bytes + text.byteLength);
        else if (text.length <= 16 && inputEnd && inputEnd - text.bytes >= 16)
            detail::widen16(into, text.bytes);
        else
            detail::widenAscii(into, text.bytes, text.length);
        into[length] = 0;
        offset += length + 1;
    };
    for (std::size_t i = 0; i < count; ++i) {
        const AttributeParts& parts = partsAt(i);
        place(parts.name, entry->nameOffset, entry->nameLength);
        place(parts.value, entry->valueOffset, entry->valueLength);
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
