#pragma once

#include <array>
#include <cstdint>

#include "boundary/wide_string.h"

namespace detail {

// Byte classes for the reader's scanning loops. Every class holds ASCII bytes only, which are
// one character in both encodings, so a byte of a class can be taken without decoding.
enum : std::uint8_t {
    kNameStart = 1 << 0,   // A-Z a-z: the first character of a name
    kName = 1 << 1,        // A-Z a-z 0-9 _ : (later characters of a name)
    kTextSpace = 1 << 2,   // tab, line feed, vertical tab, form feed, carriage return, space
    kMarkupSpace = 1 << 3, // space, tab: white space inside tags, besides line breaks
    kPlainText = 1 << 4,   // 0x21-0x7E but "<" and "&": stored as they are in texts and values
    kSafe = 1 << 5,        // 0x01-0x7E: decodes to itself in both encodings and never fails
    kInDoubleQuotes = 1 << 6,  // kPlainText and kMarkupSpace but '"': taken as they are in a value
    kInSingleQuotes = 1 << 7,  // the same but "'"
};

constexpr std::array<std::uint8_t, 256> makeTable() {
    std::array<std::uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        std::uint8_t flags = 0;
        const bool letter = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
        const bool digit = b >= '0' && b <= '9';
        if (letter) flags |= kNameStart;
        if (letter || digit || b == '_' || b == ':') flags |= kName;
        if ((b >= 0x09 && b <= 0x0D) || b == ' ') flags |= kTextSpace;
        if (b == ' ' || b == '\t') flags |= kMarkupSpace;
        if (b >= 0x21 && b <= 0x7E && b != '<' && b != '&') flags |= kPlainText;
        if (b >= 0x01 && b <= 0x7E) flags |= kSafe;
        if ((flags & (kPlainText | kMarkupSpace)) && b != '"') flags |= kInDoubleQuotes;
        if ((flags & (kPlainText | kMarkupSpace)) && b != '\'') flags |= kInSingleQuotes;
        table[b] = flags;
    }
    return table;
}

inline constexpr std::array<std::uint8_t, 256> kTable = makeTable();

constexpr bool byteIs(std::uint8_t flag, unsigned char byte) { return (kTable[byte] & flag) != 0; }

// The same tests on decoded characters; nothing above U+007F belongs to any class.
constexpr bool charIs(std::uint8_t flag, WideChar c) { return c < 0x80 && (kTable[c] & flag) != 0; }

}  // namespace detail
