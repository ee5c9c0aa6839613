#include "tools/xmltool/json.h"

#include <cstdio>

#include "boundary/csafe_string.h"

namespace xmltool {
namespace {

std::string jsonBool(bool value) { return value ? "true" : "false"; }

std::string position(xml::SourcePos pos) {
    return ",\"row\":" + std::to_string(pos.row) + ",\"column\":" + std::to_string(pos.column);
}

void appendModelNode(std::string& out, const xml::CXmlNode& node) {
    if (const xml::CXmlNodeText* text = node.asText()) {
        out += "{\"text\":" + jsonString(text->text) + position(node.position) + "}";
        return;
    }
    const xml::CXmlNodeElement& element = *node.asElement();
    out += "{\"name\":" + jsonString(element.name) + position(node.position) + ",\"attributes\":[";
    for (std::size_t i = 0; i < element.attributes.size(); ++i) {
        const xml::CXmlAttribute& a = element.attributes[i];
        out += (i ? ",[" : "[") + jsonString(a.name) + "," + jsonString(a.value) + "," +
               jsonBool(a.newlineBefore) + "]";
    }
    out += "],\"children\":[";
    for (std::size_t i = 0; i < element.children.size(); ++i) {
        if (i) out += ",";
        appendModelNode(out, element.children[i]);
    }
    out += "]}";
}

void appendNode(std::string& out, IXmlReaderNode& node) {
    WideString name, value;
    CSafeStringW into(name);
    node.getName(&into);
    out += "{\"name\":" + jsonString(name) + ",\"text\":" + jsonString(node.getText()) + ",\"attributes\":[";
    const std::uint32_t attributes = node.getAttributeCount();
    for (std::uint32_t i = 0; i < attributes; ++i) {
        name.clear();
        value.clear();
        into.retarget(name);
        node.getAttributeName(static_cast<std::int32_t>(i), &into);
        into.retarget(value);
        node.getAttributeString(static_cast<std::int32_t>(i), &into);
        out += (i ? ",[" : "[") + jsonString(name) + "," + jsonString(value) + "]";
    }
    out += "],\"children\":[";
    const std::uint32_t children = node.getChildCount();
    for (std::uint32_t i = 0; i < children; ++i) {
        if (i) out += ",";
        appendNode(out, *node.getChild(static_cast<std::int32_t>(i)));
    }
    out += "]}";
}

}  // namespace

std::string jsonString(WideStringView text) {
    std::string out = "\"";
    for (WideChar c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string nodeJson(IXmlReaderNode& node) {
    std::string out;
    appendNode(out, node);
    return out;
}

std::string modelJson(const xml::CXmlDocument& document) {
    std::string out = "{\"utf8\":" + jsonBool(document.utf8) + ",\"root\":";
    appendModelNode(out, *document.root);
    return out + "}";
}

}  // namespace xmltool
