#pragma once

#include "boundary/wide_string.h"
#include "boundary/xml_resolver.h"

class CXmlParser;

namespace xml {
class LoadContext;
}

namespace detail {

class CXmlParserNode;

// Builds the node tree of the document [begin, end) in one pass over the reader's tokens,
// straight into `owner`'s arena, without the document model in between. The outcome is the one
// of the two stages (CXmlDocument::parse, then the node constructor from its root element):
// the same tree, the same failures with the same positions, and the same precedence among them.
// References are expanded only once the whole document is read, in document order, so that a
// syntax error anywhere still wins over any reference error, and the load's bound counts the
// parsed nodes in the order the two stages would. Returns null for a document without any token.
CXmlParserNode* buildTree(CXmlParser* owner, const char* begin, const char* end, IXmlResolver* resolver,
                          const WideChar* documentName, xml::LoadContext& load);

}  // namespace detail
