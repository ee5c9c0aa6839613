#pragma once

// The two decodings. Private to the reader's implementation: include only from reader.cpp.

#include <cstdint>

#include "xml/reader/messages.h"
#include "xml/reader/reader.h"

namespace xml {

// Each policy decodes one character from its first byte (already taken; never a carriage return
// or line feed), taking any further bytes from cur. Failures are reported at the character's own
// position, `at`.

// UTF-8 within the Basic Multilingual Plane. Overlong forms, surrogates, U+FFFE and U+FFFF are
// taken as they come; four-byte sequences are refused.
template <typename It>
struct CXmlReader<It>::EncodingUTF8 {
    static WideChar decode(It& cur, It end, unsigned char first, SourcePos at) {
        if (first < 0x80) return first;
        if (first < 0xC0 || first >= 0xF0) detail::fail(detail::kInvalidCharacter, at);
        const bool twoByte = first < 0xE0;
        std::uint32_t value = first & (twoByte ? 0x1F : 0x0F);
        for (int more = twoByte ? 1 : 2; more > 0; --more) {
            if (cur == end) detail::fail(detail::kInvalidCharacter, at);
            const auto next = static_cast<unsigned char>(*cur);
            if ((next & 0xC0) != 0x80) detail::fail(detail::kInvalidCharacter, at);
            ++cur;
            value = (value << 6) | (next & 0x3F);
        }
        return static_cast<WideChar>(value);
    }
};

// Seven-bit text: 0x01 to 0x7E, the range the writer's legacy output can express again.
template <typename It>
struct CXmlReader<It>::EncodingLegacy {
    static WideChar decode(It&, It, unsigned char first, SourcePos at) {
        if (first == 0 || first >= 0x7F) detail::fail(detail::kInvalidCharacter, at);
        return first;
    }
};

}  // namespace xml
