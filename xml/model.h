#pragma once

#include <iosfwd>
#include <memory>
#include <vector>

#include <boost/ptr_container/ptr_vector.hpp>

#include "boundary/wide_string.h"
#include "xml/source_pos.h"

namespace xml {

enum NodeKind { TextNode = 0, ElementNode = 1 };

class CXmlNodeElement;
class CXmlNodeText;
class CXmlDocument;

// A node of the document model: the short-lived tree the parser builds from the reader's tokens.
class CXmlNode {
public:
    CXmlNode() = default;
    CXmlNode(const CXmlNode&) = delete;
    CXmlNode& operator=(const CXmlNode&) = delete;
    virtual ~CXmlNode();

    virtual NodeKind kind() const = 0;
    // A deep copy on the heap, owned by the caller; positions are zero and parent is null.
    virtual CXmlNode* clone() const = 0;
    // Writes the node as indented XML text, `depth` tabs in, encoded as `document` says (see
    // xml/writer.h).
    virtual void writeXml(std::ostream& out, const CXmlDocument& document, unsigned depth) const = 0;
    virtual const CXmlNodeElement* asElement() const = 0;
    virtual CXmlNodeElement* asElement() = 0;
    virtual const CXmlNodeText* asText() const = 0;
    virtual CXmlNodeText* asText() = 0;

    SourcePos position;                  // where the node began in the source
    CXmlNodeElement* parent = nullptr;   // the owning element; not owning itself
};

// Lets boost's pointer containers copy nodes polymorphically.
inline CXmlNode* new_clone(const CXmlNode& node) { return node.clone(); }

struct CXmlAttribute {
    CXmlAttribute(WideString name, WideString value, bool newlineBefore)
        : name(std::move(name)), value(std::move(value)), newlineBefore(newlineBefore) {}

    WideString name;
    WideString value;
    bool newlineBefore;  // a line break stood in the white space before the name
};

class CXmlNodeElement : public CXmlNode {
public:
    explicit CXmlNodeElement(WideString name);
    // Deep copy of name, attributes and children; the cloned children's parent stays null.
    CXmlNodeElement(const CXmlNodeElement& other);

    NodeKind kind() const override { return ElementNode; }
    CXmlNodeElement* clone() const override;
    void writeXml(std::ostream& out, const CXmlDocument& document, unsigned depth) const override;
    const CXmlNodeElement* asElement() const override { return this; }
    CXmlNodeElement* asElement() override { return this; }
    const CXmlNodeText* asText() const override { return nullptr; }
    CXmlNodeText* asText() override { return nullptr; }

    // Takes ownership and sets the child's parent. A null child is refused with
    // boost::bad_pointer and the element stays unchanged; on allocation failure the child is
    // deleted.
    void addChild(CXmlNode* child);
    std::size_t childCount() const { return children.size(); }
    CXmlNode* firstChild() { return children.empty() ? nullptr : &children.front(); }
    const CXmlNode* firstChild() const { return children.empty() ? nullptr : &children.front(); }

    // The value of the first attribute with exactly this name, or null.
    const WideString* findAttributeValue(WideStringView attributeName) const;
    bool hasAttribute(WideStringView attributeName) const;

    // Declaration order gives the destruction order: children, then attributes, then the name.
    WideString name;
    std::vector<CXmlAttribute> attributes;
    boost::ptr_vector<CXmlNode> children;
};

class CXmlNodeText : public CXmlNode {
public:
    explicit CXmlNodeText(WideString text) : text(std::move(text)) {}

    NodeKind kind() const override { return TextNode; }
    CXmlNodeText* clone() const override { return new CXmlNodeText(text); }
    void writeXml(std::ostream& out, const CXmlDocument& document, unsigned depth) const override;
    const CXmlNodeElement* asElement() const override { return nullptr; }
    CXmlNodeElement* asElement() override { return nullptr; }
    const CXmlNodeText* asText() const override { return this; }
    CXmlNodeText* asText() override { return this; }

    WideString text;
};

// The result of parsing one document: its root element and the encoding it was read in.
class CXmlDocument {
public:
    CXmlDocument() = default;
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // Reads the document in [begin, end) and sets root and utf8. Throws parse_error on malformed
    // input. An input that yields no token at all (a declaration and white space) leaves root
    // null. The bytes are not kept.
    void parse(const char* begin, const char* end);

    std::unique_ptr<CXmlNodeElement> root;  // null until a parse succeeded
    bool utf8 = false;                      // true for UTF-8, false for the 7-bit legacy encoding
};

}  // namespace xml
