#pragma once

#include <string>

#include "boundary/wide_string.h"
#include "xml/model.h"

// The writer: writeXml of the model's nodes writes as it goes, encoding each piece just before
// writing it, so that on an encoding failure the stream holds exactly what came before. Lines
// end with a line feed and a flush. Stream failures are left in the stream's state; writing
// goes on. There is no declaration and no byte-order mark: a UTF-8 document written out must be
// given one of them to be read back as UTF-8.
namespace xml {

// UTF-8 for a UTF-8 document (throws utf8::invalid_utf16 on a lone surrogate), the 7-bit
// legacy form otherwise (throws std::runtime_error "character string cannot be expressed in
// legacy encoding").
std::string encodeForDocument(const CXmlDocument& document, WideStringView text);

// The encoded value with "&", "<" and the chosen quote escaped; returns that quote: the double
// quote unless the value holds one and no apostrophe, or more double quotes than apostrophes
// together with "&" or "<" or both kinds of quote.
WideChar escapeAttributeValue(const CXmlDocument& document, WideStringView value, std::string& escaped);

// The encoded text with "&", "<" and ">" escaped, carriage returns dropped, `depth` tabs after
// each line feed, and leading and trailing white space trimmed. True when a line break remains.
bool escapeText(const CXmlDocument& document, WideStringView text, unsigned depth, std::string& escaped);

}  // namespace xml
