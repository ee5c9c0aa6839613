#include "xml/utf.h"

#include <cstdint>
#include <exception>
#include <iterator>

#include <utf8cpp/utf8.h>

namespace xml {

std::string toUtf8(WideStringView text) {
    // Text without surrogates is encoded here, unit by unit into room made once, at the size it
    // needs when nothing is a surrogate; surrogates, paired or not, go through the library, which
    // also reports the malformed ones.
    std::size_t bytes = text.size();
    for (const WideChar unit : text) bytes += (unit >= 0x80) + (unit >= 0x800);
    std::string result(bytes, '\0');
    char* to = result.data();
    for (const WideChar unit : text) {
        const auto c = static_cast<std::uint32_t>(unit);
        if (c < 0x80) {
            *to++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *to++ = static_cast<char>(0xC0 | (c >> 6));
            *to++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0xD800 || c > 0xDFFF) {
            *to++ = static_cast<char>(0xE0 | (c >> 12));
            *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *to++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            result.clear();
            utf8::utf16to8(text.begin(), text.end(), std::back_inserter(result));
            return result;
        }
    }
    result.resize(static_cast<std::size_t>(to - result.data()));
    return result;
}

WideString fromUtf8(std::string_view text) {
    WideString result;
    result.reserve(text.size());
    utf8::utf8to16(text.begin(), text.end(), std::back_inserter(result));
    return result;
}

WideString readableText(const char* what) {
    try {
        return fromUtf8(what);
    } catch (const std::exception&) {
        WideString text;
        for (const char* c = what; *c; ++c) text += WideChar(static_cast<unsigned char>(*c));
        return text;
    }
}

}  // namespace xml
