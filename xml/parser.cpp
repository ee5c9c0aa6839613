#include "xml/parser.h"

#include <cstring>
#include <utility>

#include "xml/load_context.h"
#include "xml/model.h"
#include "xml/node.h"
#include "xml/resolver.h"
#include "xml/tree_builder.h"

// This library's resolver takes part in the load (one parse per file, the bound on copies);
// another resolver is asked as it is, and only the copies of what it returns are counted.
CXmlParser::CXmlParser(const char* text, IXmlResolver* resolver, const WideChar* documentName)
    : CXmlParser(text, resolver, documentName, false) {}

CXmlParser::CXmlParser(TwoStages, const char* text, IXmlResolver* resolver, const WideChar* documentName)
    : CXmlParser(text, resolver, documentName, true) {}

CXmlParser::CXmlParser(const char* text, IXmlResolver* resolver, const WideChar* documentName, bool twoStages) {
    xml::LoadContext load;
    load.twoStages = twoStages;
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

// One pass from the reader's tokens to the node tree (xml/tree_builder.h), or the two stages
// it stands for: CXmlDocument::parse, then the node constructor from the model's root.
void CXmlParser::build(const char* text, IXmlResolver* resolver, const WideChar* documentName, xml::LoadContext& load) {
    const char* end = text + std::strlen(text);
    if (!load.twoStages) {
        root = detail::buildTree(this, text, end, resolver, documentName, load);
    } else {
        xml::CXmlDocument document;  // the model tree goes with it on every way out
        document.parse(text, end);
        if (document.root) root = nodes.make(this, std::move(*document.root), resolver, documentName, load);
    }
    if (!root) throw InitError(widen("malformed Xml document"));
}

CXmlParser::~CXmlParser() = default;

void* CXmlParser::queryInterface(std::uint32_t id) { return id == kXmlReaderId ? this : nullptr; }

void* CXmlParser::destroy(unsigned int flags) { return destroyObject(this, flags); }

IXmlReaderNode* CXmlParser::getRoot() { return root; }
