#pragma once

#include <cstdint>

namespace xml {

// The kind of the reader's current token; what its text holds is noted per kind.
enum class TokenType : std::int32_t {
    None = 0,          // no token read yet
    Text = 1,          // the character data, folded and trimmed
    ElementStart = 2,  // the element's name
    ElementEnd = 3,    // the name in the end tag, or the element's own name for "/>"
    Comment = 4,       // the comment's content, raw
};

}  // namespace xml
