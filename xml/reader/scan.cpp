#include "xml/reader/scan.h"

namespace detail {

const char* skipWhileAndUtf8(const char* p, const char* end, std::uint8_t flags, std::size_t& characters) {
    const auto continues = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    const char* const start = p;
    std::size_t continuations = 0;
    for (;;) {
        p = skipWhile(p, end, flags);
        if (p == end) break;
        const auto lead = static_cast<unsigned char>(*p);
        if (lead >= 0xC2 && lead <= 0xDF && end - p >= 2 && continues(p[1])) {
            p += 2;
            continuations += 1;
        } else if (lead >= 0xE0 && lead <= 0xEF && end - p >= 3 && continues(p[1]) && continues(p[2]) &&
                   (lead != 0xE0 || static_cast<unsigned char>(p[1]) >= 0xA0)) {
            p += 3;
            continuations += 2;
        } else {
            break;
        }
    }
    characters = static_cast<std::size_t>(p - start) - continuations;
    return p;
}

}  // namespace detail
