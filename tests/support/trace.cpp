#include "support/trace.h"

#include <exception>
#include <memory>

#include <gtest/gtest.h>

#include "boundary/csafe_string.h"
#include "xml/parser.h"
#include "xml/reader/reader.h"
#include "xml/utf.h"

namespace trace {
namespace {

std::string at(xml::SourcePos pos, Options options) {
    if (!options.positions) return "";
    return "@" + std::to_string(pos.row + 1) + ":" + std::to_string(pos.column + 1);
}

template <typename It>
std::string readAll(It begin, It end, Options options) {
    std::string out;
    const auto add = [&out](const std::string& piece) { out += (out.empty() ? "" : " ") + piece; };
    try {
        xml::CXmlReader<It> reader(begin, end);
        while (reader.next()) {
            const std::string text = xml::toUtf8(reader.getText());
            const std::string where = at(reader.getTokenPos(), options);
            switch (reader.getTokenType()) {
            case xml::TokenType::ElementStart: {
                add("<" + text + where);
                WideString name, value;
                bool newlineBefore = false;
                while (options.attributes && reader.nextAttribute(name, value, &newlineBefore))
                    add((newlineBefore ? "^" : "") + xml::toUtf8(name) + "=\"" + xml::toUtf8(value) + "\"");
                break;
            }
            case xml::TokenType::ElementEnd: add("/" + text + where); break;
            case xml::TokenType::Text: add("\"" + text + "\"" + where); break;
            case xml::TokenType::Comment: add("!" + text + where); break;
            case xml::TokenType::None: add("?none"); break;
            }
        }
        if (reader.next()) add("?token after the end");
    } catch (const std::exception& error) {
        add(std::string("!") + error.what());
    }
    return out;
}

}  // namespace

std::string tokens(const std::string& document, Options options) {
    const std::string overPointer = readAll(document.data(), document.data() + document.size(), options);
    const std::string overIterator = readAll(document.cbegin(), document.cend(), options);
    EXPECT_EQ(overPointer, overIterator) << "the two instantiations differ";
    return overPointer;
}

std::string dump(const xml::CXmlNode& node, Options options) {
    const std::string where = at(node.position, options);
    if (const xml::CXmlNodeText* text = node.asText()) return "\"" + xml::toUtf8(text->text) + "\"" + where;
    const xml::CXmlNodeElement& element = *node.asElement();
    std::string out = "<" + xml::toUtf8(element.name) + where;
    for (const xml::CXmlAttribute& a : element.attributes)
        out += (a.newlineBefore ? " ^" : " ") + xml::toUtf8(a.name) + "=\"" + xml::toUtf8(a.value) + "\"";
    if (element.children.empty()) return out + "/>";
    out += ">";
    for (const xml::CXmlNode& child : element.children) out += " " + dump(child, options);
    return out + " </" + xml::toUtf8(element.name) + ">";
}

std::string nodes(IXmlReaderNode& node) {
    WideString name, value;
    CSafeStringW out(name);
    node.getName(&out);
    std::string text = "<" + xml::toUtf8(name);
    if (*node.getText()) text += " \"" + xml::toUtf8(node.getText()) + "\"";
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(node.getAttributeCount()); ++i) {
        out.retarget(name);
        node.getAttributeName(i, &out);
        out.retarget(value);
        node.getAttributeString(i, &out);
        text += " " + xml::toUtf8(name) + "=\"" + xml::toUtf8(value) + "\"";
    }
    if (node.getChildCount() == 0) return text + "/>";
    text += ">";
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(node.getChildCount()); ++i) text += " " + nodes(*node.getChild(i));
    out.retarget(name);
    node.getName(&out);
    return text + " </" + xml::toUtf8(name) + ">";
}

std::string load(const std::string& document, IXmlResolver* resolver, const WideChar* name) {
    const auto outcome = [&](auto load) {
        try {
            return nodes(*load()->getRoot());
        } catch (const std::exception& error) {
            return std::string("!") + error.what();
        }
    };
    const std::string onePass =
        outcome([&] { return std::make_unique<CXmlParser>(document.c_str(), resolver, name); });
    EXPECT_EQ(onePass, outcome([&] {
                  return std::make_unique<CXmlParser>(CXmlParser::TwoStages{}, document.c_str(), resolver, name);
              })) << "the one-pass load and the two stages differ over " << document;
    return onePass;
}

std::string model(const std::string& document, Options options) {
    try {
        xml::CXmlDocument parsed;
        parsed.parse(document.data(), document.data() + document.size());
        if (!parsed.root) return "(no root)";
        return (parsed.utf8 ? "utf8:" : "") + dump(*parsed.root, options);
    } catch (const std::exception& error) {
        return std::string("!") + error.what();
    }
}

}  // namespace trace
