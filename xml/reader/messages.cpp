#include "xml/reader/messages.h"

#include "xml/errors.h"

namespace detail {

using xml::locationText;
using xml::parse_error;
using xml::SourcePos;

void fail(const char* message, SourcePos at) { throw parse_error(widen(message), at); }

void failFound(const char* prefix, WideStringView found, SourcePos at) {
    WideString message = widen(prefix);
    message += found;
    message += WideChar('\'');
    throw parse_error(message, at);
}

void failFound(const char* prefix, WideChar found, SourcePos at) {
    failFound(prefix, WideStringView(&found, 1), at);
}

void failFoundBytes(const char* prefix, std::string_view found, SourcePos at) {
    WideString widened;
    for (char byte : found) widened += WideChar(static_cast<unsigned char>(byte));
    failFound(prefix, widened, at);
}

void failEndTag(bool missing, SourcePos element, SourcePos at) {
    WideString message = widen(missing ? "no ending tag found for element at "
                                       : "invalid ending tag found for element at ");
    message += locationText(element);
    throw parse_error(message, at);
}

}  // namespace detail
