#include "xml/node.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <boost/tokenizer.hpp>

#include "boundary/csafe_string.h"
#include "xml/errors.h"
#include "xml/load_context.h"
#include "xml/parser.h"
#include "xml/values.h"

namespace detail {
namespace {

const WideChar kPathSeparators[] = {'/', '\\', 0};

bool sameName(WideStringView a, const WideChar* b) { return b && a == WideStringView(b); }


}  // namespace

bool CXmlParserNode::isReferName(WideStringView name) {
    static const WideChar kRefer[] = {'r', 'e', 'f', 'e', 'r'};
    return name.size() == 5 && std::equal(name.begin(), name.end(), kRefer);
}

bool CXmlParserNode::isReferName(const char* begin, const char* end) {
    return end - begin == 5 && std::equal(begin, end, "refer");
}

namespace {

struct ReleaseData {
    void operator()(IXmlResolver::IXmlData* data) const { data->release(); }
};

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

WideString nameOf(IXmlReaderNode& node) {
    WideString name;
    CSafeStringW out(name);
    node.getName(&out);
    return name;
}

std::vector<xml::CXmlAttribute> attributesOf(IXmlReaderNode& node) {
    std::vector<xml::CXmlAttribute> attributes;
    const std::uint32_t count = node.getAttributeCount();
    for (std::uint32_t i = 0; i < count; ++i) {
        WideString name, value;
        CSafeStringW nameOut(name), valueOut(value);
        node.getAttributeName(static_cast<std::int32_t>(i), &nameOut);
        node.getAttributeString(static_cast<std::int32_t>(i), &valueOut);
        attributes.emplace_back(std::move(name), std::move(value), false);
    }
    return attributes;
}

}  // namespace

CXmlParserNode::CXmlParserNode(CXmlParser* owner, xml::CXmlNodeElement& element, NameCache& names)
    : owner(owner), name(names.get(element.name)), attributes(element.attributes, arena()) {
    const xml::CXmlNode* first = element.firstChild();
    if (first && first->kind() == xml::TextNode) text = ArenaText(first->asText()->text, arena());
}

CXmlParserNode::CXmlParserNode(CXmlParser* owner, ArenaText name, AttributeList&& attributes)
    : owner(owner), name(name), attributes(std::move(attributes)) {}

CXmlParserNode::CXmlParserNode(CXmlParser* owner, const CXmlParserNode& source, Shallow)
    : owner(owner),
      name(source.name.view(), arena()),
      text(source.text.view(), arena()),
      attributes(source.attributes, arena()) {
}

CXmlParserNode::CXmlParserNode(CXmlParser* owner, IXmlReaderNode& source, Shallow)
    : owner(owner),
      name(nameOf(source), arena()),
      text(source.getText() ? WideStringView(source.getText()) : WideStringView(), arena()),
      attributes(attributesOf(source), arena()) {}

CXmlParserNode::CXmlParserNode(CXmlParser* owner, xml::CXmlNodeElement&& element, IXmlResolver* resolver,
                               const WideChar* documentName, xml::LoadContext& load)
    : CXmlParserNode(owner, element, resolver, documentName, load, NameCache(owner->nodes)) {}

CXmlParserNode::CXmlParserNode(CXmlParser* owner, xml::CXmlNodeElement& element, IXmlResolver* resolver,
                               const WideChar* documentName, xml::LoadContext& load, NameCache&& names)
    : CXmlParserNode(owner, element, names) {
    load.countParsed();
    // Every node is in the arena as soon as it exists, so a failure anywhere leaves nothing
    // behind. The model is consumed on the way: once an element's children are all built, they
    // are dropped, so the model shrinks while the tree grows.
    struct Pending {
        xml::CXmlNodeElement* element;
        CXmlParserNode* node;
        std::size_t nextChild;
        std::size_t firstCollected;  // where its children begin in `collected`
    };
    // The children of every node on the way down, as a stack: when a node's last child is done,
    // its children are on top and move into a table of the arena that fits them exactly.
    std::vector<CXmlParserNode*> collected;
    NodeArena& nodes = arena();
    std::vector<Pending> pending{{&element, this, 0, 0}};
    while (!pending.empty()) {
        Pending& top = pending.back();
        if (top.nextChild == top.element->children.size()) {
            top.node->adopt(collected.data() + top.firstCollected, collected.data() + collected.size());
            collected.resize(top.firstCollected);
            top.element->children.clear();
            pending.pop_back();
            continue;
        }
        xml::CXmlNodeElement* child = top.element->children[top.nextChild++].asElement();
        if (!child) continue;  // only the first text counts, and the shallow constructor took it
        if (isReferName(child->name)) {
            const xml::CXmlNode* first = top.element->firstChild();
            const ReferenceSite site{child->position, child->findAttributeValue(widen("filename")),
                                     child->findAttributeValue(widen("path"))};
            top.node->expandReference(site, first->kind() == xml::TextNode, resolver, documentName, load, collected);
            continue;
        }
        CXmlParserNode* node = nodes.make(owner, *child, names);
        collected.push_back(node);
        load.countParsed();
        pending.push_back({child, node, 0, collected.size()});
    }
}

CXmlParserNode::CXmlParserNode(CXmlParser* owner, const CXmlParserNode& source, xml::LoadContext& load)
    : CXmlParserNode(owner, source, Shallow{}) {
    if (!load.countCopy()) throw TooLarge{};
    NodeArena& nodes = arena();
    std::vector<std::pair<const CXmlParserNode*, CXmlParserNode*>> pending{{&source, this}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        if (from->children.size() == 0) continue;
        to->children.first = nodes.table(from->children.size());
        for (const CXmlParserNode* child : from->children) {
            if (!load.countCopy()) throw TooLarge{};
            CXmlParserNode* copy = nodes.make(owner, *child, Shallow{});
            to->children.first[to->children.count++] = copy;
            pending.emplace_back(child, copy);
        }
    }
}

CXmlParserNode::CXmlParserNode(CXmlParser* owner, IXmlReaderNode& source, xml::LoadContext& load)
    : CXmlParserNode(owner, source, Shallow{}) {
    if (!load.countCopy()) throw TooLarge{};
    NodeArena& nodes = arena();
    std::vector<std::pair<IXmlReaderNode*, CXmlParserNode*>> pending{{&source, this}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        const std::uint32_t count = from->getChildCount();
        if (count == 0) continue;
        to->children.first = nodes.table(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            IXmlReaderNode* child = from->getChild(static_cast<std::int32_t>(i));
            if (!child) continue;
            if (!load.countCopy()) throw TooLarge{};
            CXmlParserNode* copy = nodes.make(owner, *child, Shallow{});
            to->children.first[to->children.count++] = copy;
            pending.emplace_back(child, copy);
        }
    }
}

NodeArena& CXmlParserNode::arena() const { return owner->nodes; }

void CXmlParserNode::adopt(CXmlParserNode* const* from, CXmlParserNode* const* to) {
    const auto count = static_cast<std::size_t>(to - from);
    if (count == 0) return;
    children.first = arena().table(count);
    std::copy(from, to, children.first);
    children.count = static_cast<std::uint32_t>(count);
}

// Replaces a "refer" child: copies of the children of the node it names take its place, and
// its text becomes this node's unless this node has text of its own.
void CXmlParserNode::expandReference(const ReferenceSite& refer, bool keepText, IXmlResolver* resolver,
                                     const WideChar* documentName, xml::LoadContext& load,
                                     std::vector<CXmlParserNode*>& siblings) {
    const auto fail = [&](const char* before, const WideString& after) {
        throw CXmlParser::InitError(widen(before) + xml::nodeLocationText(refer.position, documentName) + after);
    };
    const WideString* fileName = refer.fileName;
    if (!fileName) fail("filename was not found in reference in ", WideString());
    if (!resolver) fail("can't resolve reference in ", widen(" because no resolver was specified"));

    WideString failure;
    CSafeStringW failureOut(failure);
    const std::unique_ptr<IXmlResolver::IXmlData, ReleaseData> data(resolver->open(fileName->c_str(), nullptr, &failureOut));
    if (!data) fail("can't resolve reference in ", widen(", reason:\n") + failure);

    IXmlReaderNode* selected = data->getReader()->getRoot();
    if (const WideString* path = refer.path) {
        const boost::char_separator<WideChar> separators(kPathSeparators);
        for (const WideString& piece : boost::tokenizer<boost::char_separator<WideChar>, WideString::const_iterator, WideString>(*path, separators)) {
            const std::int32_t index = selected->findChildIndex(piece.c_str(), -1, true);
            if (index == -1) fail("can't resolve reference in ", widen(", because node '") + piece + widen("' was not found"));
            selected = selected->getChild(index);
        }
    }
    try {
        if (isOwnKind(*selected)) {
            const auto& source = *static_cast<const CXmlParserNode*>(selected);
            if (!keepText) text = ArenaText(source.text.view(), arena());
            for (const CXmlParserNode* child : source.children) siblings.push_back(arena().make(owner, *child, load));
        } else {  // a resolver of the module's own: its nodes are read through their interface
            if (!keepText) text = ArenaText(selected->getText() ? WideStringView(selected->getText()) : WideStringView(), arena());
            const std::uint32_t count = selected->getChildCount();
            for (std::uint32_t i = 0; i < count; ++i)
                if (IXmlReaderNode* child = selected->getChild(static_cast<std::int32_t>(i)))
                    siblings.push_back(arena().make(owner, *child, load));
        }
    } catch (const TooLarge&) {
        fail("reference expansion too large in ", WideString());
    }
}

bool CXmlParserNode::isOwnKind(const IXmlReaderNode& node) const {
    // A cast would read the other object's run-time type information, which a module built by
    // another compiler lays out differently; the vtable pointer is where both begin.
    const IXmlReaderNode& self = *this;
    return *reinterpret_cast<void* const*>(&node) == *reinterpret_cast<void* const*>(&self);
}

void* CXmlParserNode::queryInterface(std::uint32_t id) { return id == kXmlReaderNodeId ? this : nullptr; }

// A node belongs to its document and ends with it; a module that destroys one is in error, and
// ignoring the call keeps the document whole.
void* CXmlParserNode::destroy(unsigned int) { return this; }

void CXmlParserNode::getName(ISafeStringW* out) {
    if (out) out->assignString(name.c_str());
}

bool CXmlParserNode::isName(const WideChar* other) { return sameName(name.view(), other); }

std::uint32_t CXmlParserNode::countChildren(const WideChar* childName) {
    std::uint32_t count = 0;
    for (const CXmlParserNode* child : children) count += sameName(child->name.view(), childName);
    return count;
}

std::uint32_t CXmlParserNode::getChildCount() { return static_cast<std::uint32_t>(children.size()); }

IXmlReaderNode* CXmlParserNode::getChild(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= children.size()) return nullptr;
    return children.first[index];
}

std::int32_t CXmlParserNode::findChildIndex(const WideChar* childName, std::int32_t after, bool caseSensitive) {
    if (after < -1) return -1;
    // Counted without a signed `after + 1`, which would overflow for the largest index.
    for (std::size_t i = after < 0 ? 0 : static_cast<std::size_t>(after) + 1; i < children.size(); ++i)
        if (namesMatch(children.first[i]->name.view(), childName, caseSensitive)) return static_cast<std::int32_t>(i);
    return -1;
}

IXmlReaderNode* CXmlParserNode::findChild(const WideChar* childName, bool caseSensitive) {
    return getChild(findChildIndex(childName, -1, caseSensitive));
}

const CXmlParserNode* CXmlParserNode::firstChildNamed(const WideChar* childName) const {
    for (const CXmlParserNode* child : children)
        if (sameName(child->name.view(), childName)) return child;
    return nullptr;
}

bool CXmlParserNode::isAttributeIndex(std::int32_t index) const {
    return index >= 0 && static_cast<std::uint32_t>(index) < attributes.size();
}

// One conversion, three sources: the node's text, the first child of that name, an attribute.
#define XML_VALUE_SLOTS(Word, Type, convert)                                                  \
    bool CXmlParserNode::get##Word(Type* out) { return convertText(text.view(), convert, out); } \
    bool CXmlParserNode::getChild##Word(const WideChar* childName, Type* out) {                \
        const CXmlParserNode* child = firstChildNamed(childName);                              \
        return child && convertText(child->text.view(), convert, out);                         \
    }                                                                                          \
    bool CXmlParserNode::getAttribute##Word(std::int32_t index, Type* out) {                   \
        return isAttributeIndex(index) &&                                                      \
               convertText(attributes.value(static_cast<std::uint32_t>(index)), convert, out); \
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
    return isAttributeIndex(index) && convertText(attributes.value(static_cast<std::uint32_t>(index)), out);
}

const WideChar* CXmlParserNode::getChildText(const WideChar* childName) {
    const CXmlParserNode* child = firstChildNamed(childName);
    return child ? child->text.c_str() : nullptr;
}

const WideChar* CXmlParserNode::getText() { return text.c_str(); }

std::uint32_t CXmlParserNode::getAttributeCount() { return attributes.size(); }

void CXmlParserNode::getAttributeName(std::int32_t index, ISafeStringW* out) {
    if (isAttributeIndex(index) && out) out->assignString(attributes.name(static_cast<std::uint32_t>(index)).data());
}

std::int32_t CXmlParserNode::findAttribute(const WideChar* attributeName, bool caseSensitive) {
    for (std::uint32_t i = 0; i < attributes.size(); ++i)
        if (namesMatch(attributes.name(i), attributeName, caseSensitive)) return static_cast<std::int32_t>(i);
    return -1;
}

bool CXmlParserNode::getAttributeString(std::int32_t index, ISafeStringW* out) {
    if (!isAttributeIndex(index) || !out) return false;
    out->assignString(attributes.value(static_cast<std::uint32_t>(index)).data());
    return true;
}

}  // namespace detail
