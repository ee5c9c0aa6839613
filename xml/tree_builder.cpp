#include "xml/tree_builder.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "xml/load_context.h"
#include "xml/node.h"
#include "xml/parser.h"
#include "xml/reader/element_builder.h"
#include "xml/reader/messages.h"
#include "xml/reader/reader.h"
#include "xml/reader/scan.h"

namespace detail {

class TreeBuilder {
public:
    TreeBuilder(CXmlParser* owner, IXmlResolver* resolver, const WideChar* documentName, xml::LoadContext& load)
        : owner(owner), resolver(resolver), documentName(documentName), load(load), nodes(owner->nodes), names(nodes) {}

    CXmlParserNode* build(const char* begin, const char* end) {
        inputEnd = end;
        xml::CXmlReader<const char*> reader(begin, end);
        reader.leavePlainInInput();  // texts and names are copied into the arena from the input
        if (!reader.next()) return nullptr;
        if (reader.getTokenType() != xml::TokenType::ElementStart)
            detail::fail(detail::kNoRoot, reader.getTokenPos());
        CXmlParserNode* root = readTree(reader);
        const xml::SourcePos lastToken = reader.getTokenPos();
        if (reader.next()) detail::fail(detail::kMoreThanOneRoot, lastToken);
        expandReferences();
        return root;
    }

private:
    // An element whose end tag is still to come. Elements inside a "refer" are read for their
    // syntax only: they have no node, and their names wait in `skippedNames` for the end tags.
    struct Open {
        CXmlParserNode* node;        // null inside a "refer"
        xml::SourcePos position;
        std::size_t firstChild;      // where its children begin in `children`
        bool hadChild = false;       // a text or element came already
        bool firstChildIsText = false;
        std::size_t firstReferSlot = 0;  // where its references begin in `referSlots`
    };
    // A "refer" child, expanded once the document is read.
    struct Refer {
        CXmlParserNode* parent;
        xml::SourcePos position;
        std::optional<WideString> fileName;
        std::optional<WideString> path;
        bool keepText;
        std::uint64_t parsedBefore;  // nodes built before it, in document order
        std::size_t firstCopy = 0;
        std::size_t copies = 0;
    };
    // A node with references among its children: its children, a null for each reference, wait
    // for the copies.
    struct Waiting {
        CXmlParserNode* node;
        std::vector<CXmlParserNode*> children;
        std::vector<std::size_t> refers;  // indices into `refers`, one for each null
    };

    CXmlParserNode* readTree(xml::CXmlReader<const char*>& reader) {
        CXmlParserNode* root = openElement(reader, false);
        while (!open.empty()) {
            Open& top = open.back();
            if (!reader.next()) detail::failEndTag(true, top.position, reader.getTokenPos());
            switch (reader.getTokenType()) {
            case xml::TokenType::Text:
                if (!top.hadChild) {
                    top.hadChild = true;
                    top.firstChildIsText = true;
                    if (top.node) {
                        const char *begin, *end;
                        std::size_t units;
                        top.node->text = reader.plainText(begin, end, units) ? ArenaText(begin, end, units, nodes)
                                                                             : ArenaText(reader.getText(), nodes);
                    }
                }
                break;
            case xml::TokenType::ElementStart:
                openElement(reader, true);
                break;
            case xml::TokenType::ElementEnd:
                closeElement(reader);
                break;
            case xml::TokenType::Comment:
            case xml::TokenType::None:
                break;
            }
        }
        return root;
    }

    // At an ElementStart: checks the depth, reads the attributes, and builds the node unless the
    // element is a reference or lies inside one.
    CXmlParserNode* openElement(xml::CXmlReader<const char*>& reader, bool hasParent) {
        const xml::SourcePos position = reader.getTokenPos();
        if (open.size() + 1 > static_cast<std::size_t>(xml::kMaxElementDepth))
            detail::fail(detail::kNestingTooDeep, position);
        const char *nameBegin, *nameEnd;
        const bool plainName = reader.plainName(nameBegin, nameEnd);
        const bool skipped = hasParent && (!open.back().node || (plainName ? CXmlParserNode::isReferName(nameBegin, nameEnd)
                                                                           : CXmlParserNode::isReferName(reader.getText())));
        ArenaText name;
        if (skipped) skippedNames.push_back(plainName ? WideString(nameBegin, nameEnd) : reader.getText());
        else name = plainName ? names.get(nameBegin, nameEnd) : names.get(reader.getText());
        bool empty = false;
        const std::size_t count = readAttributes(reader, empty);
        CXmlParserNode* node = nullptr;
        if (hasParent) {
            Open& parent = open.back();
            const bool keepText = parent.firstChildIsText;
            parent.hadChild = true;
            if (parent.node && skipped) {  // a reference of the parent's
                referSlots.push_back(refers.size());
                refers.push_back({parent.node, position, attribute(fileNameAttribute, count), attribute(pathAttribute, count),
                                  keepText, built});
                children.push_back(nullptr);
            }
        }
        if (!skipped) {
            node = nodes.make(owner, name, wideAttributesRead == 0 ? AttributeList(plainAttributes.data(), count, inputEnd, nodes)
                                                                 : AttributeList(attributes.data(), count, nodes));
            ++built;
            if (hasParent) children.push_back(node);
        }
        open.push_back({node, position, children.size(), false, false, referSlots.size()});
        if (empty) closeTop();
        return node;
    }

    // Plain attributes stay bytes of the input until they are widened into the node's block.
    // When they all are, `plainAttributes` holds them; otherwise `attributes` holds them all,
    // the others located in the reader's wide strings, and `wideAttributesRead` counts those.
    // `empty` tells that the start tag was read to its end and was "/>": the reader then has no
    // end tag to give for it.
    std::size_t readAttributes(xml::CXmlReader<const char*>& reader, bool& empty) {
        using Reader = xml::CXmlReader<const char*>;
        wideAttributesRead = 0;
        plainAttributes.clear();
        Reader::TagEnd end = reader.readPlainAttributes(plainAttributes);
        if (end != Reader::TagEnd::NotReached) {
            empty = end == Reader::TagEnd::Empty;
            return plainAttributes.size();
        }
        std::size_t count = 0;
        std::size_t& wide = wideAttributesRead;
        for (;;) {
            if (count + plainAttributes.size() > attributes.size()) attributes.resize(count + plainAttributes.size());
            for (const PlainAttribute& plain : plainAttributes) attributes[count++] = partsOf(plain);
            if (end != Reader::TagEnd::NotReached) {
                empty = end == Reader::TagEnd::Empty;
                break;
            }
            if (wide == wideAttributes.size()) wideAttributes.emplace_back(WideString(), WideString(), false);
            if (!reader.nextAttribute(wideAttributes[wide].name, wideAttributes[wide].value)) break;
            if (count == attributes.size()) attributes.emplace_back();
            attributes[count++] = {{nullptr, nullptr, wide, 0}, {nullptr, nullptr, wide, 0}};  // located below
            ++wide;
            plainAttributes.clear();
            end = reader.readPlainAttributes(plainAttributes);
        }
        if (wide == 0) return count;  // all plain after all: `plainAttributes` holds them still
        // Only now, when `wideAttributes` grows no more, do its strings stay where they are.
        for (std::size_t i = 0; i < count; ++i) {
            AttributeParts& parts = attributes[i];
            if (parts.name.bytes) continue;
            const xml::CXmlAttribute& source = wideAttributes[parts.name.length];
            parts = {{nullptr, source.name.data(), source.name.size(), 0}, {nullptr, source.value.data(), source.value.size(), 0}};
        }
        return count;
    }

    static WideString textOf(const AttributeText& text) {
        if (!text.bytes) return WideString(text.units, text.length);
        WideString wide(text.length, WideChar(0));
        detail::widenUtf8(wide.data(), text.bytes, text.bytes + text.byteLength);
        return wide;
    }

    // The value of the first attribute of that name, as the model's lookup finds it.
    std::optional<WideString> attribute(const WideString& wanted, std::size_t count) const {
        for (std::size_t i = 0; i < count; ++i) {
            const AttributeParts parts = wideAttributesRead == 0 ? partsOf(plainAttributes[i]) : attributes[i];
            if (textOf(parts.name) == wanted) return textOf(parts.value);
        }
        return std::nullopt;
    }

    void closeElement(xml::CXmlReader<const char*>& reader) {
        Open& top = open.back();
        const WideStringView openName = top.node ? top.node->name.view() : WideStringView(skippedNames.back());
        const char *nameBegin, *nameEnd;
        if (reader.plainName(nameBegin, nameEnd) ? !NameCache::sameText(openName, nameBegin, nameEnd)
                                                 : openName != WideStringView(reader.getText()))
            detail::failEndTag(false, top.position, reader.getTokenPos());
        closeTop();
    }

    // The innermost open element is complete: its node takes its children.
    void closeTop() {
        Open& top = open.back();
        if (top.node) {
            CXmlParserNode* const* first = children.data() + top.firstChild;
            CXmlParserNode* const* last = children.data() + children.size();
            if (referSlots.size() > top.firstReferSlot)
                waiting.push_back({top.node, std::vector<CXmlParserNode*>(first, last),
                                   std::vector<std::size_t>(referSlots.begin() + static_cast<std::ptrdiff_t>(top.firstReferSlot), referSlots.end())});
            else
                top.node->adopt(first, last);
            children.resize(top.firstChild);
            referSlots.resize(top.firstReferSlot);
        } else {
            skippedNames.pop_back();
        }
        open.pop_back();
    }

    // In document order, as the two stages expand them; the bound sees the parsed nodes as it
    // would there, counted up to each reference.
    void expandReferences() {
        std::uint64_t counted = 0;
        for (Refer& refer : refers) {
            for (; counted < refer.parsedBefore; ++counted) load.countParsed();
            const CXmlParserNode::ReferenceSite site{refer.position, refer.fileName ? &*refer.fileName : nullptr,
                                                     refer.path ? &*refer.path : nullptr};
            refer.firstCopy = copies.size();
            refer.parent->expandReference(site, refer.keepText, resolver, documentName, load, copies);
            refer.copies = copies.size() - refer.firstCopy;
        }
        for (; counted < built; ++counted) load.countParsed();
        std::vector<CXmlParserNode*> merged;
        for (const Waiting& node : waiting) {
            merged.clear();
            auto nextRefer = node.refers.begin();
            for (CXmlParserNode* child : node.children) {
                if (child) {
                    merged.push_back(child);
                    continue;
                }
                const Refer& refer = refers[*nextRefer++];
                merged.insert(merged.end(), copies.begin() + static_cast<std::ptrdiff_t>(refer.firstCopy),
                              copies.begin() + static_cast<std::ptrdiff_t>(refer.firstCopy + refer.copies));
            }
            node.node->adopt(merged.data(), merged.data() + merged.size());
        }
    }

    CXmlParser* owner;
    IXmlResolver* resolver;
    const WideChar* documentName;
    xml::LoadContext& load;
    NodeArena& nodes;
    NameCache names;
    const WideString fileNameAttribute = widen("filename");
    const WideString pathAttribute = widen("path");
    std::vector<Open> open;
    std::vector<CXmlParserNode*> children;  // of every open element, as a stack
    // Scratch for the attributes of the start tag being read; see readAttributes.
    std::vector<PlainAttribute> plainAttributes;
    std::vector<AttributeParts> attributes;
    std::size_t wideAttributesRead = 0;
    std::vector<xml::CXmlAttribute> wideAttributes;   // likewise, for those not plain
    std::vector<Refer> refers;
    std::vector<std::size_t> referSlots;  // the references of every open element, as a stack
    std::vector<WideString> skippedNames;  // of the open elements that have no node, as a stack
    std::vector<Waiting> waiting;
    std::vector<CXmlParserNode*> copies;
    std::uint64_t built = 0;
    const char* inputEnd = nullptr;
};

CXmlParserNode* buildTree(CXmlParser* owner, const char* begin, const char* end, IXmlResolver* resolver,
                          const WideChar* documentName, xml::LoadContext& load) {
    return TreeBuilder(owner, resolver, documentName, load).build(begin, end);
}

}  // namespace detail
