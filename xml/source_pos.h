#pragma once

#include <cstdint>

namespace xml {

// A place in a document: both 0-based, printed 1-based (see locationText).
struct SourcePos {
    std::int32_t row = 0;     // line number, 0 for the first line
    std::int32_t column = 0;  // characters already read on this line
};

}  // namespace xml
