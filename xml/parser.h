#pragma once

#include <cstdint>
#include <memory>

#include "boundary/xml_reader.h"
#include "boundary/xml_resolver.h"
#include "xml/errors.h"
#include "xml/node_arena.h"

class CStdXmlResolver2;

namespace detail {
class CXmlParserNode;
class TreeBuilder;
}

namespace xml {
class LoadContext;
}

// A parsed document as the game module receives it: the root of a tree of nodes, complete and
// immutable once constructed. Created with `new` and ended with destroy(kDestroyFree), or held
// by value inside another object.
class CXmlParser final : public IXmlReader {
public:
    // A document without a usable root, or a reference that cannot be resolved.
    class InitError : public gen_exception {
    public:
        using gen_exception::gen_exception;
    };

    // Parses the zero-terminated `text` (the zero is not part of the document). `resolver`
    // (may be null) and `documentName` (may be null) serve only while the constructor runs,
    // to expand references. This is one load: the references of every document it brings in are
    // bounded together (xml/load_context.h). Throws xml::parse_error, InitError or an allocation
    // failure; no parser exists then.
    CXmlParser(const char* text, IXmlResolver* resolver, const WideChar* documentName);
    // The same load in the two stages that the constructor above does in one pass: the document
    // model first (CXmlDocument::parse), then the node tree from it, for this document and every
    // document its references bring in. Slower; the reference that the one pass is checked
    // against.
    struct TwoStages {};
    CXmlParser(TwoStages, const char* text, IXmlResolver* resolver, const WideChar* documentName);
    ~CXmlParser();
    CXmlParser(const CXmlParser&) = delete;
    CXmlParser& operator=(const CXmlParser&) = delete;

    void* queryInterface(std::uint32_t id) override;
    void* destroy(unsigned int flags) override;
    IXmlReaderNode* getRoot() override;

private:
    friend class CStdXmlResolver2;  // parses referenced documents as part of the load
    friend class detail::CXmlParserNode;  // builds its nodes in `nodes`
    friend class detail::TreeBuilder;     // likewise
    CXmlParser(const char* text, IXmlResolver* resolver, const WideChar* documentName, bool twoStages);
    CXmlParser(const char* text, IXmlResolver* resolver, const WideChar* documentName, xml::LoadContext& load);
    void build(const char* text, IXmlResolver* resolver, const WideChar* documentName, xml::LoadContext& load);

    detail::NodeArena nodes;  // every node of the tree
    detail::CXmlParserNode* root = nullptr;
};
