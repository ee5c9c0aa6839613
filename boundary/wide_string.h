#pragma once

#include <string>
#include <string_view>

#include "boundary/wide_char.h"

using WideString = std::basic_string<WideChar>;
using WideStringView = std::basic_string_view<WideChar>;

// Texts that the code itself spells (messages, names) are ASCII, so widening them unit by unit
// needs no literal prefix that would differ between the builds.
inline WideString widen(std::string_view ascii) {
    return WideString(ascii.begin(), ascii.end());
}
