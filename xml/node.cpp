#include "xml/node.h"

#include <string>

#include "xml/values.h"

namespace detail {
namespace {

bool sameName(WideStringView a, const WideChar* b) { return b && a == WideStringView(b); }

WideChar upperAscii(WideChar c) { return c >= 'a' && c <= 'z' ? WideChar(c - 'a' + 'A') : c; }

// Without case sensitivity only the ASCII letters fold, as the classic locale's toupper does.
bool namesMatch(WideStringView a, const WideChar* b, bool caseSensitive) {
    if (!b) return false;
    if (caseSensitive) return a == WideStringView(b);
    const WideStringView other(b);
    if (a.size() != other.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(other[i])) return false;
    return true;
}

// The value operations all end here: convert, then write `out` only on success.
template <class T>
bool convertText(WideStringView source, bool (*convert)(WideStringView, T&), T* out) {
    T value{};
    if (!out || !convert(source, value)) return false;
    *out = value;
    return true;
}

bool convertText(WideStringView source, ISafeStringA* out) {
    std::string narrow;
    if (!out || !xml::textTo7Bit(source, narrow)) return false;
    out->assignString(narrow.c_str());
    return true;
}

}  // namespace

CXmlParserNode::CXmlParserNode(CXmlParser* owner, const xml::CXmlNodeElement& element,
                               IXmlResolver* resolver, const WideChar* documentName)
    : owner(owner), name(element.name) {
    auto child = element.children.begin();
    if (child != element.children.end() && child->kind() == xml::TextNode) {
        text = SharedString(child->asText()->text);
        ++child;
    }
    for (; child != element.children.end(); ++child) {
        if (const xml::CXmlNodeElement* childElement = child->asElement())
            children.push_back(new CXmlParserNode(owner, *childElement, resolver, documentName));
    }
    attributeCount = static_cast<std::uint32_t>(element.attributes.size());
    attributes = std::make_unique<Attribute[]>(attributeCount);
    for (std::uint32_t i = 0; i < attributeCount; ++i)
        attributes[i] = {element.attributes[i].name, element.attributes[i].value};
}

CXmlParserNode::CXmlParserNode(CXmlParser* owner, const CXmlParserNode& source)
    : owner(owner), name(source.name), text(source.text) {
    children.reserve(source.children.size());
    for (const CXmlParserNode& child : source.children) children.push_back(new CXmlParserNode(owner, child));
    copyAttributes(source.attributes.get(), source.attributeCount);
}

void CXmlParserNode::copyAttributes(const Attribute* from, std::uint32_t count) {
    attributes = std::make_unique<Attribute[]>(count);
    for (std::uint32_t i = 0; i < count; ++i) attributes[i] = from[i];
    attributeCount = count;
}

void* CXmlParserNode::queryInterface(std::uint32_t id) { return id == kXmlReaderNodeId ? this : nullptr; }

void* CXmlParserNode::destroy(unsigned int flags) { return destroyObject(this, flags); }

void CXmlParserNode::getName(ISafeStringW* out) {
    if (out) out->assignString(name.c_str());
}

bool CXmlParserNode::isName(const WideChar* other) { return sameName(name.view(), other); }

std::uint32_t CXmlParserNode::countChildren(const WideChar* childName) {
    std::uint32_t count = 0;
    for (const CXmlParserNode& child : children) count += sameName(child.name.view(), childName);
    return count;
}

std::uint32_t CXmlParserNode::getChildCount() { return static_cast<std::uint32_t>(children.size()); }

IXmlReaderNode* CXmlParserNode::getChild(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= children.size()) return nullptr;
    return &children[static_cast<std::size_t>(index)];
}

std::int32_t CXmlParserNode::findChildIndex(const WideChar* childName, std::int32_t after, bool caseSensitive) {
    if (after < -1) return -1;
    for (std::size_t i = static_cast<std::size_t>(after + 1); i < children.size(); ++i)
        if (namesMatch(children[i].name.view(), childName, caseSensitive)) return static_cast<std::int32_t>(i);
    return -1;
}

IXmlReaderNode* CXmlParserNode::findChild(const WideChar* childName, bool caseSensitive) {
    return getChild(findChildIndex(childName, -1, caseSensitive));
}

const CXmlParserNode* CXmlParserNode::firstChildNamed(const WideChar* childName) const {
    for (const CXmlParserNode& child : children)
        if (sameName(child.name.view(), childName)) return &child;
    return nullptr;
}

const CXmlParserNode::Attribute* CXmlParserNode::attributeAt(std::int32_t index) const {
    if (index < 0 || static_cast<std::uint32_t>(index) >= attributeCount) return nullptr;
    return &attributes[static_cast<std::size_t>(index)];
}

// One conversion, three sources: the node's text, the first child of that name, an attribute.
#define XML_VALUE_SLOTS(Word, Type, convert)                                                  \
    bool CXmlParserNode::get##Word(Type* out) { return convertText(text.view(), convert, out); } \
    bool CXmlParserNode::getChild##Word(const WideChar* childName, Type* out) {                \
        const CXmlParserNode* child = firstChildNamed(childName);                              \
        return child && convertText(child->text.view(), convert, out);                         \
    }                                                                                          \
    bool CXmlParserNode::getAttribute##Word(std::int32_t index, Type* out) {                   \
        const Attribute* attribute = attributeAt(index);                                       \
        return attribute && convertText(attribute->value, convert, out);                      \
    }

XML_VALUE_SLOTS(UInt64, std::uint64_t, xml::textToUInt64)
XML_VALUE_SLOTS(Color, Color, xml::textToColor)
XML_VALUE_SLOTS(UnitVector4, UnitVector4, xml::textToUnitVector4)
XML_VALUE_SLOTS(Vector3, Vector3, xml::textToVector3)
XML_VALUE_SLOTS(Vector2, Vector2, xml::textToVector2)
XML_VALUE_SLOTS(Float, float, xml::textToFloat)
XML_VALUE_SLOTS(ULong, std::uint32_t, xml::textToULong)
XML_VALUE_SLOTS(Long, std::int32_t, xml::textToLong)
XML_VALUE_SLOTS(Bool, bool, xml::textToBool)

#undef XML_VALUE_SLOTS

bool CXmlParserNode::getStringA(ISafeStringA* out) { return convertText(text.view(), out); }

bool CXmlParserNode::getChildStringA(const WideChar* childName, ISafeStringA* out) {
    const CXmlParserNode* child = firstChildNamed(childName);
    return child && convertText(child->text.view(), out);
}

bool CXmlParserNode::getAttributeStringA(std::int32_t index, ISafeStringA* out) {
    const Attribute* attribute = attributeAt(index);
    return attribute && convertText(attribute->value, out);
}

const WideChar* CXmlParserNode::getChildText(const WideChar* childName) {
    const CXmlParserNode* child = firstChildNamed(childName);
    return child ? child->text.c_str() : nullptr;
}

const WideChar* CXmlParserNode::getText() { return text.c_str(); }

std::uint32_t CXmlParserNode::getAttributeCount() { return attributeCount; }

void CXmlParserNode::getAttributeName(std::int32_t index, ISafeStringW* out) {
    const Attribute* attribute = attributeAt(index);
    if (attribute && out) out->assignString(attribute->name.c_str());
}

std::int32_t CXmlParserNode::findAttribute(const WideChar* attributeName, bool caseSensitive) {
    for (std::uint32_t i = 0; i < attributeCount; ++i)
        if (namesMatch(attributes[i].name, attributeName, caseSensitive)) return static_cast<std::int32_t>(i);
    return -1;
}

bool CXmlParserNode::getAttributeString(std::int32_t index, ISafeStringW* out) {
    const Attribute* attribute = attributeAt(index);
    if (!attribute || !out) return false;
    out->assignString(attribute->value.c_str());
    return true;
}

}  // namespace detail
