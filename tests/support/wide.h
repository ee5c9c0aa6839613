#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "boundary/wide_string.h"
#include "xml/utf.h"

// Wide strings in tests are written as UTF-8 literals: W("é") is the UTF-16 text of "é".
inline WideString W(std::string_view utf8) { return xml::fromUtf8(utf8); }

// GoogleTest prints failing wide strings as UTF-8.
inline void PrintTo(const WideString& text, std::ostream* out) { *out << '"' << xml::toUtf8(text) << '"'; }

// A path as the resolver reports it: "/" between all pieces.
inline std::string slashed(const WideString& path) {
    std::string text = xml::toUtf8(path);
    for (char& c : text)
        if (c == '\\') c = '/';
    return text;
}
