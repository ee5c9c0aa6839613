#include "xml/writer.h"

#include <algorithm>
#include <ostream>
#include <stdexcept>

#include "xml/utf.h"
#include "xml/values.h"

namespace xml {
namespace {

bool isSpace(WideChar c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void writeTabs(std::ostream& out, unsigned count) {
    for (unsigned i = 0; i < count; ++i) out.put('\t');
}

void endLine(std::ostream& out) {
    out.put('\n');
    out.flush();
}

}  // namespace

std::string encodeForDocument(const CXmlDocument& document, WideStringView text) {
    if (document.utf8) return toUtf8(text);
    std::string bytes;
    if (!textTo7Bit(text, bytes)) throw std::runtime_error("character string cannot be expressed in legacy encoding");
    return bytes;
}

WideChar escapeAttributeValue(const CXmlDocument& document, WideStringView value, std::string& escaped) {
    const auto doubleQuotes = std::count(value.begin(), value.end(), WideChar('"'));
    const auto apostrophes = std::count(value.begin(), value.end(), WideChar('\''));
    const auto markup = std::count_if(value.begin(), value.end(), [](WideChar c) { return c == '&' || c == '<'; });
    if (markup == 0 && (doubleQuotes == 0 || apostrophes == 0)) {
        escaped = encodeForDocument(document, value);
        return doubleQuotes == 0 ? '"' : '\'';
    }
    const WideChar quote = doubleQuotes > apostrophes ? '\'' : '"';
    WideString text;
    text.reserve(value.size() + 8);
    for (WideChar c : value) {
        if (c == '&') text += widen("&amp;");
        else if (c == '<') text += widen("&lt;");
        else if (c == quote) text += widen(quote == '"' ? "&quot;" : "&apos;");
        else text += c;
    }
    escaped = encodeForDocument(document, text);
    return quote;
}

bool escapeText(const CXmlDocument& document, WideStringView text, unsigned depth, std::string& escaped) {
    std::size_t start = 0;
    while (start < text.size() && isSpace(text[start])) ++start;
    WideString result;
    result.reserve(text.size() - start);
    std::size_t firstLineFeed = WideString::npos;
    for (WideChar c : text.substr(start)) {
        switch (c) {
        case '&': result += widen("&amp;"); break;
        case '<': result += widen("&lt;"); break;
        case '>': result += widen("&gt;"); break;
        case '\r': break;
        case '\n':
            if (firstLineFeed == WideString::npos) firstLineFeed = result.size();
            result += c;
            result.append(depth, WideChar('\t'));
            break;
        default: result += c;
        }
    }
    while (!result.empty() && isSpace(result.back())) result.pop_back();
    escaped = encodeForDocument(document, result);
    return firstLineFeed < result.size();
}

void CXmlNodeElement::writeXml(std::ostream& out, const CXmlDocument& document, unsigned depth) const {
    writeTabs(out, depth);
    out.put('<');
    out << encodeForDocument(document, name);
    bool broken = false;  // an attribute stands on a line of its own
    std::string escaped;
    for (const CXmlAttribute& attribute : attributes) {
        if (attribute.newlineBefore) {
            endLine(out);
            writeTabs(out, depth + 1);
            broken = true;
        } else {
            out.put(' ');
        }
        out << encodeForDocument(document, attribute.name);
        out.put('=');
        const auto quote = static_cast<char>(escapeAttributeValue(document, attribute.value, escaped));
        out.put(quote);
        out << escaped;
        out.put(quote);
    }
    if (children.empty()) {
        if (broken) {
            endLine(out);
            writeTabs(out, depth);
            out << "/>";
        } else {
            out << " />";
        }
        return;
    }
    if (broken) {
        endLine(out);
        writeTabs(out, depth);
    }
    out.put('>');
    if (!broken && children.size() == 1 && children.front().kind() == TextNode) {
        if (escapeText(document, children.front().asText()->text, depth + 1, escaped)) {
            endLine(out);
            writeTabs(out, depth + 1);
            out << escaped;
            endLine(out);
            writeTabs(out, depth);
        } else {
            out << escaped;
        }
    } else {
        endLine(out);
        for (const CXmlNode& child : children) {
            child.writeXml(out, document, depth + 1);
            endLine(out);
        }
        writeTabs(out, depth);
    }
    out << "</" << encodeForDocument(document, name) << '>';
}

void CXmlNodeText::writeXml(std::ostream& out, const CXmlDocument& document, unsigned depth) const {
    writeTabs(out, depth);
    std::string escaped;
    escapeText(document, text, depth, escaped);
    out << escaped;
    endLine(out);
}

}  // namespace xml
