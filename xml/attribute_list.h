#pragma once

#include <cstdint>
#include <vector>

#include "boundary/wide_string.h"
#include "xml/model.h"
#include "xml/node_arena.h"
#include "xml/reader/reader.h"

namespace detail {

// An attribute's name or value as a builder holds it: bytes of the input, plain ASCII or UTF-8
// sequences of two or three bytes, or wide code units.
struct AttributeText {
    const char* bytes;       // when not null, `byteLength` bytes
    const WideChar* units;   // otherwise `length` code units
    std::size_t length;      // in code units
    std::size_t byteLength;  // equal to `length` for plain ASCII
};
struct AttributeParts {
    AttributeText name;
    AttributeText value;
};
using PlainAttribute = xml::CXmlReader<const char*>::PlainAttribute;

inline AttributeParts partsOf(const PlainAttribute& plain) {
    const auto nameLength = static_cast<std::size_t>(plain.nameEnd - plain.nameBegin);
    return {{plain.nameBegin, nullptr, nameLength, nameLength},
            {plain.valueBegin, nullptr, plain.valueUnits, static_cast<std::size_t>(plain.valueEnd - plain.valueBegin)}};
}

// The attributes of one node, names and values in document order, in a single block of its
// document's arena: a small header, a table of entries, then the zero-terminated names and
// values the entries locate. No allocation of its own, and nothing to free: the block goes with
// the arena. A copy for another document is one block copy into that document's arena.
// Immutable once built.
class AttributeList {
public:
    AttributeList() noexcept = default;  // no attributes
    AttributeList(const std::vector<xml::CXmlAttribute>& attributes, NodeArena& arena);
    AttributeList(const xml::CXmlAttribute* first, std::size_t count, NodeArena& arena);
    AttributeList(const AttributeParts* first, std::size_t count, NodeArena& arena);
    // The plain attributes of a document whose bytes end at `inputEnd`.
    AttributeList(const PlainAttribute* first, std::size_t count, const char* inputEnd, NodeArena& arena);
    AttributeList(const AttributeList& other, NodeArena& arena);
    AttributeList(AttributeList&& other) noexcept : block(other.block) { other.block = nullptr; }
    AttributeList(const AttributeList&) = delete;
    AttributeList& operator=(const AttributeList&) = delete;

    std::uint32_t size() const noexcept;
    // Both are followed by a zero unit.
    WideStringView name(std::uint32_t index) const noexcept;
    WideStringView value(std::uint32_t index) const noexcept;

private:
    struct Header {
        std::uint32_t count;
        std::uint32_t units;  // of all names and values, with their terminating zeros
    };
    struct Entry {
        std::uint32_t nameOffset;
        std::uint32_t nameLength;
        std::uint32_t valueOffset;
        std::uint32_t valueLength;
    };

    static std::size_t blockBytes(const Header& header);
    template <class PartsAt>
    void build(std::size_t count, NodeArena& arena, PartsAt partsAt, const char* inputEnd = nullptr);
    const Entry* entries() const noexcept;
    const WideChar* units() const noexcept;

    Header* block = nullptr;  // null when there are no attributes
};

}  // namespace detail
