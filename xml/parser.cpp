#include "xml/parser.h"

#include <cstring>
#include <utility>

#include "xml/load_context.h"
#include "xml/model.h"
#include "xml/node.h"
#include "xml/resolver.h"

// This library's resolver takes part in the load (one parse per file, the bound on copies);
// another resolver is asked as it is, and only the copies of what it returns are counted.
CXmlParser::CXmlParser(const char* text, IXmlResolver* resolver, const WideChar* documentName) {
    xml::LoadContext load;
    if (const auto* standard = dynamic_cast<const CStdXmlResolver2*>(resolver)) {
        CStdXmlResolver2 inLoad = standard->inLoad(load);
        build(text, &inLoad, documentName, load);
    } else {
        build(text, resolver, documentName, load);
    }
}

CXmlParser::CXmlParser(const char* text, IXmlResolver* resolver, const WideChar* documentName, xml::LoadContext& load) {
    build(text, resolver, documentName, load);
}

void CXmlParser::build(const char* text, IXmlResolver* resolver, const WideChar* documentName, xml::LoadContext& load) {
    xml::CXmlDocument document;  // the model tree goes with it on every way out
    document.parse(text, text + std::strlen(text));
    if (!document.root) throw InitError(widen("malformed Xml document"));
    root = nodes.make(this, std::move(*document.root), resolver, documentName, load);
}

CXmlParser::~CXmlParser() = default;

void* CXmlParser::queryInterface(std::uint32_t id) { return id == kXmlReaderId ? this : nullptr; }

void* CXmlParser::destroy(unsigned int flags) { return destroyObject(this, flags); }

IXmlReaderNode* CXmlParser::getRoot() { return root; }
