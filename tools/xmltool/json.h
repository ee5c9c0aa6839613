#pragma once

#include <string>

#include "boundary/wide_string.h"
#include "boundary/xml_reader.h"
#include "xml/model.h"

namespace xmltool {

// A JSON string of UTF-16 code units: one escape per unit outside printable ASCII, so lone
// surrogates survive.
std::string jsonString(WideStringView text);

// {"name":S,"text":S,"attributes":[[S,S],...],"children":[NODE,...]}
std::string nodeJson(IXmlReaderNode& node);

// {"utf8":B,"root":E}; E = {"name":S,"row":R,"column":C,"attributes":[[S,S,B],...],
// "children":[E or T,...]}, T = {"text":S,"row":R,"column":C}; R and C 0-based.
std::string modelJson(const xml::CXmlDocument& document);

}  // namespace xmltool
