#pragma once

#include "xml/model.h"

// What a write and a read back may change in a document model, and how two models compare.
namespace round_trip {

inline bool anyOf(WideStringView text, bool (*test)(WideChar)) {
    for (WideChar c : text)
        if (test(c)) return true;
    return false;
}

// The shapes whose round trip changes the model, all made by references or comments:
// a line feed or carriage return in a text or value (the reader folds it on the way back), a
// text starting with white space (the writer trims it), two neighbouring texts (the written
// lines join into one text), and characters the output encoding cannot take.
inline bool mayChange(const xml::CXmlNode& node, bool utf8) {
    const auto unwritable = utf8 ? [](WideChar c) { return c >= 0xD800 && c <= 0xDFFF; }
                                 : [](WideChar c) { return c >= 0x7F; };
    const auto lineBreak = [](WideChar c) { return c == '\n' || c == '\r'; };
    if (const xml::CXmlNodeText* text = node.asText())
        return anyOf(text->text, lineBreak) || anyOf(text->text, unwritable) ||
               (text->text[0] == ' ' || (text->text[0] >= '\t' && text->text[0] <= '\r'));
    const xml::CXmlNodeElement& element = *node.asElement();
    for (const xml::CXmlAttribute& attribute : element.attributes)
        if (anyOf(attribute.value, lineBreak) || anyOf(attribute.value, unwritable)) return true;
    for (std::size_t i = 0; i < element.children.size(); ++i) {
        if (i && element.children[i].asText() && element.children[i - 1].asText()) return true;
        if (mayChange(element.children[i], utf8)) return true;
    }
    return false;
}

// Same names, attributes (with their line-break flags), texts and shape; positions aside.
inline bool sameTree(const xml::CXmlNode& a, const xml::CXmlNode& b) {
    if (a.kind() != b.kind()) return false;
    if (const xml::CXmlNodeText* text = a.asText()) return text->text == b.asText()->text;
    const xml::CXmlNodeElement& x = *a.asElement();
    const xml::CXmlNodeElement& y = *b.asElement();
    if (x.name != y.name || x.attributes.size() != y.attributes.size() || x.children.size() != y.children.size())
        return false;
    for (std::size_t i = 0; i < x.attributes.size(); ++i)
        if (x.attributes[i].name != y.attributes[i].name || x.attributes[i].value != y.attributes[i].value ||
            x.attributes[i].newlineBefore != y.attributes[i].newlineBefore)
            return false;
    for (std::size_t i = 0; i < x.children.size(); ++i)
        if (!sameTree(x.children[i], y.children[i])) return false;
    return true;
}

}  // namespace round_trip
