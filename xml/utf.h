#pragma once

#include <string>
#include <string_view>

#include "boundary/wide_string.h"

namespace xml {

// UTF-16 to UTF-8 and back through UTF8-CPP. Both throw the library's utf8::exception family
// (invalid_utf16, invalid_utf8, ...) on malformed input.
std::string toUtf8(WideStringView text);
WideString fromUtf8(std::string_view text);

// The text of an exception's what() (UTF-8, as the library's exceptions write it) for a reader;
// bytes that are not UTF-8 are kept one by one, each as the character of that number, rather
// than lost.
WideString readableText(const char* what);

}  // namespace xml
