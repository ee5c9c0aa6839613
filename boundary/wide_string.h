#pragma once

#include <string>
#include <string_view>

// Every wide string of the system is UTF-16 in 16-bit code units. On Windows that is exactly
// wchar_t, so Win32 calls and the module boundary take these strings as they are; elsewhere
// wchar_t is 32 bits wide and char16_t takes its place.
#if defined(_WIN32)
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
static_assert(sizeof(WideChar) == 2, "wide strings are UTF-16 code units");

using WideString = std::basic_string<WideChar>;
using WideStringView = std::basic_string_view<WideChar>;

// Texts that the code itself spells (messages, names) are ASCII, so widening them unit by unit
// needs no literal prefix that would differ between the builds.
inline WideString widen(std::string_view ascii) {
    return WideString(ascii.begin(), ascii.end());
}
