#include "xml/errors.h"

#include <string>

#include "xml/model.h"
#include "xml/utf.h"

gen_exception::gen_exception(WideStringView message) : std::runtime_error(xml::toUtf8(message)) {}

namespace xml {

WideString locationText(SourcePos position) {
    // Widened through 64 bits: a row of INT32_MAX still prints as its successor, not as a negative.
    return widen("row: " + std::to_string(std::int64_t{position.row} + 1) +
                 ", column: " + std::to_string(std::int64_t{position.column} + 1));
}

WideString nodeLocationText(const CXmlNode& node, const WideChar* sourceName) {
    return nodeLocationText(node.position, sourceName);
}

WideString nodeLocationText(SourcePos position, const WideChar* sourceName) {
    WideString text(1, WideChar('"'));
    text += sourceName ? WideString(sourceName) : widen("<source>");
    text += widen("\" at ");
    text += locationText(position);
    return text;
}

static WideString withLocation(WideStringView message, SourcePos position) {
    WideString text(message);
    text += widen(" at ");
    text += locationText(position);
    return text;
}

parse_error::parse_error(WideStringView message, SourcePos position)
    : gen_exception(withLocation(message, position)), row(position.row), column(position.column) {}

}  // namespace xml
