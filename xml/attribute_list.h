#pragma once

#include <cstdint>
#include <vector>

#include "boundary/wide_string.h"
#include "xml/model.h"

namespace detail {

// The attributes of one node, names and values in document order, in a single heap block: a
// small header, a table of entries, then the zero-terminated names and values the entries
// locate. One allocation per node instead of two strings per attribute; a copy for another
// document is one block copy. Immutable once built.
class AttributeList {
public:
    AttributeList() noexcept = default;  // no attributes
    explicit AttributeList(const std::vector<xml::CXmlAttribute>& attributes);
    AttributeList(const xml::CXmlAttribute* first, std::size_t count);
    AttributeList(const AttributeList& other);
    AttributeList& operator=(const AttributeList&) = delete;
    ~AttributeList();

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
    const Entry* entries() const noexcept;
    const WideChar* units() const noexcept;

    Header* block = nullptr;  // null when there are no attributes
};

}  // namespace detail
