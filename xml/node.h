#pragma once

#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "boundary/xml_reader.h"
#include "boundary/xml_resolver.h"
#include "xml/arena_text.h"
#include "xml/attribute_list.h"
#include "xml/model.h"
#include "xml/name_cache.h"
#include "xml/node_arena.h"

class CXmlParser;

namespace xml {
class LoadContext;
}

// `detail` holds everything of the library that callers do not use: the node tree and its
// builder here, the reader's character classes, scanners and messages.
namespace detail {

// A node of a parsed document as the game module reads it. Built once from the document model
// and never changed afterwards. The nodes of a document, and their tables of children, live in
// its CXmlParser's arena and end with it; the nodes a constructor builds below itself go there.
//
// References graft whole trees of other documents, so a tree can be many thousands of levels
// deep: building and copying it walk the tree with loops, never one call per level.
class CXmlParserNode final : public IXmlReaderNode {
public:
    // From a model element: its name, the text of its first child when that is a text node
    // (later texts are dropped), its element children in order and its attributes. The model is
    // consumed: its elements lose their children as soon as those are built (it is dropped
    // right after anyway). A child
    // named "refer" is replaced by copies of the children of the node it names in another
    // document, found through `resolver`; `documentName` (may be null) appears in the errors,
    // which are CXmlParser::InitError. The nodes built and copied are counted in `load`.
    CXmlParserNode(CXmlParser* owner, xml::CXmlNodeElement&& element, IXmlResolver* resolver,
                   const WideChar* documentName, xml::LoadContext& load);
    // Deep copies for the document `owner`, into its arena: from one of this library's nodes or
    // from any other through the node interface. Each node copied is
    // counted in `load`; the copy that crosses its bound throws TooLarge.
    struct TooLarge {};
    CXmlParserNode(CXmlParser* owner, const CXmlParserNode& source, xml::LoadContext& load);
    CXmlParserNode(CXmlParser* owner, IXmlReaderNode& source, xml::LoadContext& load);
    ~CXmlParserNode() = default;  // trivial: strings, attributes and children are the arena's
    CXmlParserNode(const CXmlParserNode&) = delete;
    CXmlParserNode& operator=(const CXmlParserNode&) = delete;

    void* queryInterface(std::uint32_t id) override;
    void* destroy(unsigned int flags) override;
    void getName(ISafeStringW* out) override;
    bool isName(const WideChar* name) override;
    std::uint32_t countChildren(const WideChar* name) override;
    std::uint32_t getChildCount() override;
    IXmlReaderNode* getChild(std::int32_t index) override;
    std::int32_t findChildIndex(const WideChar* name, std::int32_t after, bool caseSensitive) override;
    IXmlReaderNode* findChild(const WideChar* name, bool caseSensitive) override;
    bool getChildUInt64(const WideChar* name, std::uint64_t* out) override;
    bool getUInt64(std::uint64_t* out) override;
    bool getChildColor(const WideChar* name, Color* out) override;
    bool getColor(Color* out) override;
    bool getChildUnitVector4(const WideChar* name, UnitVector4* out) override;
    bool getUnitVector4(UnitVector4* out) override;
    bool getChildVector3(const WideChar* name, Vector3* out) override;
    bool getVector3(Vector3* out) override;
    bool getChildVector2(const WideChar* name, Vector2* out) override;
    bool getVector2(Vector2* out) override;
    bool getChildFloat(const WideChar* name, float* out) override;
    bool getFloat(float* out) override;
    bool getChildULong(const WideChar* name, std::uint32_t* out) override;
    bool getULong(std::uint32_t* out) override;
    bool getChildLong(const WideChar* name, std::int32_t* out) override;
    bool getLong(std::int32_t* out) override;
    bool getChildBool(const WideChar* name, bool* out) override;
    bool getBool(bool* out) override;
    bool getChildStringA(const WideChar* name, ISafeStringA* out) override;
    bool getStringA(ISafeStringA* out) override;
    const WideChar* getChildText(const WideChar* name) override;
    const WideChar* getText() override;
    std::uint32_t getAttributeCount() override;
    void getAttributeName(std::int32_t index, ISafeStringW* out) override;
    std::int32_t findAttribute(const WideChar* name, bool caseSensitive) override;
    bool getAttributeUInt64(std::int32_t index, std::uint64_t* out) override;
    bool getAttributeColor(std::int32_t index, Color* out) override;
    bool getAttributeUnitVector4(std::int32_t index, UnitVector4* out) override;
    bool getAttributeVector3(std::int32_t index, Vector3* out) override;
    bool getAttributeVector2(std::int32_t index, Vector2* out) override;
    bool getAttributeFloat(std::int32_t index, float* out) override;
    bool getAttributeULong(std::int32_t index, std::uint32_t* out) override;
    bool getAttributeLong(std::int32_t index, std::int32_t* out) override;
    bool getAttributeBool(std::int32_t index, bool* out) override;
    bool getAttributeStringA(std::int32_t index, ISafeStringA* out) override;
    bool getAttributeString(std::int32_t index, ISafeStringW* out) override;

private:
    friend class NodeArena;
    friend class TreeBuilder;
    struct Shallow {};  // selects the copies that leave the children to their caller

    // The children in document order: a table in the owner's arena.
    struct Children {
        CXmlParserNode** first = nullptr;
        std::uint32_t count = 0;
        CXmlParserNode* const* begin() const noexcept { return first; }
        CXmlParserNode* const* end() const noexcept { return first + count; }
        std::size_t size() const noexcept { return count; }
    };

    CXmlParserNode(CXmlParser* owner, xml::CXmlNodeElement& element, IXmlResolver* resolver,
                   const WideChar* documentName, xml::LoadContext& load, NameCache&& names);
    // Name, text and attributes only: the children are left to the caller.
    CXmlParserNode(CXmlParser* owner, xml::CXmlNodeElement& element, NameCache& names);
    CXmlParserNode(CXmlParser* owner, const CXmlParserNode& source, Shallow);
    CXmlParserNode(CXmlParser* owner, IXmlReaderNode& source, Shallow);
    // Name and attributes as the builder read them; the text and the children are left to it.
    CXmlParserNode(CXmlParser* owner, ArenaText name, AttributeList&& attributes);

    // Whether an element of that name, below the root, is a reference.
    static bool isReferName(WideStringView name);
    static bool isReferName(const char* begin, const char* end);  // a name of plain ASCII bytes

    // A "refer" element as its expansion reads it.
    struct ReferenceSite {
        xml::SourcePos position;
        const WideString* fileName;  // null when the attribute is missing
        const WideString* path;      // likewise
    };
    // Appends the copies that replace `refer` to `siblings`, which become this node's children;
    // `keepText`: this node's text stays, else it becomes the referenced node's.
    void expandReference(const ReferenceSite& refer, bool keepText, IXmlResolver* resolver,
                         const WideChar* documentName, xml::LoadContext& load,
                         std::vector<CXmlParserNode*>& siblings);
    NodeArena& arena() const;
    void adopt(CXmlParserNode* const* from, CXmlParserNode* const* to);
    // Whether `node` is one of this library's, built by this module: its vtable is this class's.
    bool isOwnKind(const IXmlReaderNode& node) const;

    const CXmlParserNode* firstChildNamed(const WideChar* name) const;
    bool isAttributeIndex(std::int32_t index) const;

    CXmlParser* owner;  // the document the node belongs to; not owning
    ArenaText name;
    ArenaText text;
    Children children;
    AttributeList attributes;
};

template <class... Args>
CXmlParserNode* NodeArena::make(Args&&... args) {
    static_assert(std::is_trivially_destructible_v<CXmlParserNode>, "the arena destroys no node");
    static_assert(alignof(CXmlParserNode) <= alignof(void*), "the arena aligns for pointers");
    return new (allocate(sizeof(CXmlParserNode))) CXmlParserNode(std::forward<Args>(args)...);
}

}  // namespace detail
