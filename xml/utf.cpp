#include "xml/utf.h"

#include <iterator>

#include <utf8cpp/utf8.h>

namespace xml {

std::string toUtf8(WideStringView text) {
    std::string result;
    result.reserve(text.size());
    utf8::utf16to8(text.begin(), text.end(), std::back_inserter(result));
    return result;
}

WideString fromUtf8(std::string_view text) {
    WideString result;
    result.reserve(text.size());
    utf8::utf8to16(text.begin(), text.end(), std::back_inserter(result));
    return result;
}

}  // namespace xml
