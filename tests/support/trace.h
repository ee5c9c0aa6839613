#pragma once

#include <string>

#include "boundary/xml_reader.h"
#include "boundary/xml_resolver.h"
#include "xml/model.h"

// Compact texts of what the reader and the document builder produce, for table-driven tests.
// A failure gives "!" followed by the exception's what().
namespace trace {

struct Options {
    bool positions = false;   // append "@row:column" (1-based) to tokens and nodes
    bool attributes = true;   // ask for attributes; false reads start tags with next() only
};

// The reader's tokens, space-separated: `<name`, `attr="value"` (`^attr` after a line break),
// `"text"`, `/name`, `!comment`. Runs both instantiations of the reader and reports any
// difference between them as a test failure.
std::string tokens(const std::string& document, Options options = {});

// CXmlDocument::parse: `<name attr="value"> "text" <child/> </name>` with `^` marking
// newlineBefore; "(no root)" when parse leaves the root null; "utf8:" in front for UTF-8.
std::string model(const std::string& document, Options options = {});

// The same dump of a model tree.
std::string dump(const xml::CXmlNode& node, Options options = {});

// A node access tree the same way, with its text: `<name "text" attr="value"> child </name>`.
std::string nodes(IXmlReaderNode& node);

// CXmlParser's load of `document` as nodes(), or "!" and the error. Loads both in one pass and in
// the two stages it stands for, and reports any difference between them as a test failure.
std::string load(const std::string& document, IXmlResolver* resolver = nullptr, const WideChar* name = nullptr);

}  // namespace trace
