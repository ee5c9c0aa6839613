#pragma once

#include <cstdint>
#include <stdexcept>

#include "boundary/wide_string.h"
#include "xml/source_pos.h"

// The library's general error. It is built from a wide message and keeps it UTF-8 encoded as
// what(); a catcher recovers the exact wide text with xml::fromUtf8(what()). A message that is
// not valid UTF-16 makes the constructor throw utf8::invalid_utf16 instead.
class gen_exception : public std::runtime_error {
public:
    explicit gen_exception(WideStringView message);
};

namespace xml {

class CXmlNode;

// "row: R, column: C", both printed 1-based.
WideString locationText(SourcePos position);

// "\"NAME\" at row: R, column: C" for the node's position; "<source>" stands in for a null name.
WideString nodeLocationText(const CXmlNode& node, const WideChar* sourceName);
// The same for a node known only by its position.
WideString nodeLocationText(SourcePos position, const WideChar* sourceName);

// A syntax error: the message followed by " at " and the location where it was found.
class parse_error : public gen_exception {
public:
    parse_error(WideStringView message, SourcePos position);

    SourcePos position() const { return {row, column}; }

    std::int32_t row;
    std::int32_t column;
};

}  // namespace xml
