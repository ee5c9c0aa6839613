#pragma once

#include <iterator>
#include <memory>
#include <vector>

#include "xml/model.h"
#include "xml/reader/messages.h"
#include "xml/reader/reader.h"

namespace xml {

// Elements nest at most this deep (the root is level 1): deeper documents are refused with a
// parse_error instead of running the recursion below out of stack.
inline constexpr int kMaxElementDepth = 1000;

// Turns the reader's tokens into a document model tree: attributes and children in order,
// comments dropped, each end tag matched exactly against its element's name.
template <typename It>
class ElementBuilder {
public:
    explicit ElementBuilder(CXmlReader<It>& reader) : reader(reader) {}

    // Call when the reader's current token is an ElementStart; returns after its end tag.
    std::unique_ptr<CXmlNodeElement> build() { return buildElement(1); }

private:
    std::unique_ptr<CXmlNodeElement> buildElement(int depth) {
        const SourcePos elementPos = reader.getTokenPos();
        if (depth > kMaxElementDepth) detail::fail(detail::kNestingTooDeep, elementPos);
        auto element = std::make_unique<CXmlNodeElement>(reader.getText());
        element->position = elementPos;
        readAttributes(*element);
        const std::size_t firstChild = children.size();
        for (;;) {
            if (!reader.next()) detail::failEndTag(true, elementPos, reader.getTokenPos());
            switch (reader.getTokenType()) {
            case TokenType::Text: {
                auto text = std::make_unique<CXmlNodeText>(reader.getText());
                text->position = reader.getTokenPos();
                children.push_back(std::move(text));
                break;
            }
            case TokenType::ElementStart:
                children.push_back(buildElement(depth + 1));
                break;
            case TokenType::ElementEnd:
                if (reader.getText() != element->name)
                    detail::failEndTag(false, elementPos, reader.getTokenPos());
                adoptChildren(*element, firstChild);
                return element;
            case TokenType::Comment:
            case TokenType::None:
                break;
            }
        }
    }

    // Gathered in a scratch list first, so that the element's own list is allocated once, at its
    // final size. Kept out of buildElement, whose frame is paid once per level of nesting.
    [[gnu::noinline]] void readAttributes(CXmlNodeElement& element) {
        bool newlineBefore = false;
        attributes.clear();
        while (reader.nextAttribute(name, value, &newlineBefore)) attributes.emplace_back(name, value, newlineBefore);
        if (!attributes.empty())
            element.attributes.assign(std::make_move_iterator(attributes.begin()), std::make_move_iterator(attributes.end()));
    }

    // The children gathered for the element, moved into its list at once at their final size,
    // which is allocated once rather than grown child by child.
    [[gnu::noinline]] void adoptChildren(CXmlNodeElement& element, std::size_t firstChild) {
        element.children.reserve(children.size() - firstChild);
        for (std::size_t i = firstChild; i < children.size(); ++i) element.addChild(children[i].release());
        children.resize(firstChild);
    }

    CXmlReader<It>& reader;
    // The children of every element being built, as a stack.
    std::vector<std::unique_ptr<CXmlNode>> children;
    // Scratch for attributes, reused across the whole document.
    WideString name;
    WideString value;
    std::vector<CXmlAttribute> attributes;
};

}  // namespace xml
