#include "xml/parser.h"

#include <cstring>
#include <utility>

#include "xml/model.h"
#include "xml/node.h"

CXmlParser::CXmlParser(const char* text, IXmlResolver* resolver, const WideChar* documentName) {
    xml::CXmlDocument document;  // the model tree goes with it on every way out
    document.parse(text, text + std::strlen(text));
    if (!document.root) throw InitError(widen("malformed Xml document"));
    root = std::make_unique<detail::CXmlParserNode>(this, std::move(*document.root), resolver, documentName);
}

CXmlParser::~CXmlParser() = default;

void* CXmlParser::queryInterface(std::uint32_t id) { return id == kXmlReaderId ? this : nullptr; }

void* CXmlParser::destroy(unsigned int flags) { return destroyObject(this, flags); }

IXmlReaderNode* CXmlParser::getRoot() { return root.get(); }
