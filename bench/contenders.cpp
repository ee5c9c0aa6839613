#include "contenders.h"

#include <cstring>
#include <sstream>
#include <stdexcept>

#include <expat.h>
#include <libxml/parser.h>
#include <rapidxml/rapidxml.hpp>

#include "boundary/csafe_string.h"
#include "xml/utf.h"

namespace gamehost {

std::unique_ptr<xml::CXmlDocument> parseModel(const std::string& bytes) {
    auto document = std::make_unique<xml::CXmlDocument>();
    document->parse(bytes.data(), bytes.data() + bytes.size());
    return document;
}

std::unique_ptr<CXmlParser> load(const std::string& bytes, IXmlResolver& resolver) {
    return std::make_unique<CXmlParser>(bytes.c_str(), &resolver, u"bench.xml");
}

Counts count(const xml::CXmlDocument& document) {
    Counts counts;
    std::vector<const xml::CXmlNodeElement*> pending{document.root.get()};
    while (!pending.empty()) {
        const xml::CXmlNodeElement* element = pending.back();
        pending.pop_back();
        ++counts.elements;
        counts.attributes += element->attributes.size();
        for (const xml::CXmlNode& child : element->children)
            if (const xml::CXmlNodeElement* e = child.asElement()) pending.push_back(e);
    }
    return counts;
}

Counts count(IXmlReaderNode& root) {
    Counts counts;
    std::vector<IXmlReaderNode*> pending{&root};
    while (!pending.empty()) {
        IXmlReaderNode* node = pending.back();
        pending.pop_back();
        ++counts.elements;
        counts.attributes += node->getAttributeCount();
        for (std::uint32_t i = 0, n = node->getChildCount(); i < n; ++i)
            pending.push_back(node->getChild(static_cast<std::int32_t>(i)));
    }
    return counts;
}

std::string write(const xml::CXmlDocument& document) {
    std::ostringstream out;
    document.root->writeXml(out, document, 0);
    return std::move(out).str();
}

namespace {

void collectIn(IXmlReaderNode& node, const WideString& name, Attributes& found) {
    std::vector<IXmlReaderNode*> pending{&node};
    while (!pending.empty()) {
        IXmlReaderNode* at = pending.back();
        pending.pop_back();
        const std::int32_t index = at->findAttribute(name.c_str(), true);
        if (index >= 0) {
            WideString value;
            CSafeStringW out(value);
            at->getAttributeString(index, &out);
            found.items.emplace_back(at, index);
            found.textBytes += xml::toUtf8(value).size();
        }
        // Reversed, so that the stack hands the children out in document order.
        for (std::uint32_t i = at->getChildCount(); i-- > 0;)
            pending.push_back(at->getChild(static_cast<std::int32_t>(i)));
    }
}

}  // namespace

Attributes collect(IXmlReaderNode& root, const char* name) {
    Attributes found;
    collectIn(root, widen(name), found);
    return found;
}

}  // namespace gamehost

namespace pugixml {

std::unique_ptr<pugi::xml_document> parse(const std::string& bytes) {
    auto document = std::make_unique<pugi::xml_document>();
    const pugi::xml_parse_result result = document->load_buffer(bytes.data(), bytes.size());
    if (!result) throw std::runtime_error(std::string("pugixml: ") + result.description());
    return document;
}

namespace {

template <class Visit>
void eachElement(const pugi::xml_node& top, Visit visit) {
    std::vector<pugi::xml_node> pending{top};
    while (!pending.empty()) {
        const pugi::xml_node node = pending.back();
        pending.pop_back();
        if (node.type() == pugi::node_element) visit(node);
        for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling())
            if (child.type() == pugi::node_element) pending.push_back(child);
    }
}

}  // namespace

Counts count(const pugi::xml_document& document) {
    Counts counts;
    eachElement(document, [&](const pugi::xml_node& element) {
        ++counts.elements;
        for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) ++counts.attributes;
    });
    return counts;
}

namespace {

struct StringWriter final : pugi::xml_writer {
    void write(const void* data, std::size_t size) override { text.append(static_cast<const char*>(data), size); }
    std::string text;
};

}  // namespace

std::string write(const pugi::xml_document& document) {
    StringWriter writer;
    document.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
    return std::move(writer.text);
}

std::vector<pugi::xml_attribute> collect(const pugi::xml_document& document, const char* name) {
    std::vector<pugi::xml_attribute> found;
    eachElement(document, [&](const pugi::xml_node& element) {
        if (pugi::xml_attribute a = element.attribute(name)) found.push_back(a);
    });
    return found;
}

Counts countBelow(const pugi::xml_document& document, const std::string& path) {
    pugi::xml_node selected = document.document_element();
    std::istringstream pieces(path);
    for (std::string piece; std::getline(pieces, piece, '/');)
        if (!piece.empty()) selected = selected.child(piece.c_str());
    if (!selected) throw std::runtime_error("no node \"" + path + "\" in a referenced document");
    Counts below;
    for (pugi::xml_node child = selected.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        eachElement(child, [&](const pugi::xml_node& element) {
            ++below.elements;
            for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) ++below.attributes;
        });
    }
    return below;
}

std::vector<Reference> references(const pugi::xml_document& document) {
    std::vector<Reference> found;
    eachElement(document, [&](const pugi::xml_node& element) {
        if (std::strcmp(element.name(), "refer") != 0) return;
        Reference reference{element.attribute("filename").value(), element.attribute("path").value(), {}};
        eachElement(element, [&](const pugi::xml_node& inside) {
            ++reference.own.elements;
            for (pugi::xml_attribute a = inside.first_attribute(); a; a = a.next_attribute()) ++reference.own.attributes;
        });
        found.push_back(reference);
    });
    return found;
}

}  // namespace pugixml

namespace rapidxml_bench {

// RapidXML parses in place, so each parse gets its own copy of the bytes.
struct Tree {
    explicit Tree(const std::string& bytes) : text(new char[bytes.size() + 1]) {
        std::memcpy(text.get(), bytes.c_str(), bytes.size() + 1);
    }
    std::unique_ptr<char[]> text;
    rapidxml::xml_document<char> document;
};

void TreeDeleter::operator()(Tree* tree) const { delete tree; }

std::unique_ptr<Tree, TreeDeleter> parse(const std::string& bytes) {
    std::unique_ptr<Tree, TreeDeleter> tree(new Tree(bytes));
    tree->document.parse<0>(tree->text.get());
    return tree;
}

Counts count(const Tree& tree) {
    Counts counts;
    std::vector<const rapidxml::xml_node<char>*> pending{tree.document.first_node()};
    while (!pending.empty()) {
        const rapidxml::xml_node<char>* node = pending.back();
        pending.pop_back();
        ++counts.elements;
        for (auto* a = node->first_attribute(); a; a = a->next_attribute()) ++counts.attributes;
        for (auto* child = node->first_node(); child; child = child->next_sibling())
            if (child->type() == rapidxml::node_element) pending.push_back(child);
    }
    return counts;
}

}  // namespace rapidxml_bench

namespace tinyxml {

std::unique_ptr<tinyxml2::XMLDocument> parse(const std::string& bytes) {
    auto document = std::make_unique<tinyxml2::XMLDocument>();
    if (document->Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS)
        throw std::runtime_error(std::string("tinyxml2: ") + document->ErrorStr());
    return document;
}

Counts count(const tinyxml2::XMLDocument& document) {
    Counts counts;
    std::vector<const tinyxml2::XMLElement*> pending{document.RootElement()};
    while (!pending.empty()) {
        const tinyxml2::XMLElement* element = pending.back();
        pending.pop_back();
        ++counts.elements;
        for (auto* a = element->FirstAttribute(); a; a = a->Next()) ++counts.attributes;
        for (auto* child = element->FirstChildElement(); child; child = child->NextSiblingElement())
            pending.push_back(child);
    }
    return counts;
}

std::size_t write(const tinyxml2::XMLDocument& document) {
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return static_cast<std::size_t>(printer.CStrSize() - 1);
}

}  // namespace tinyxml

namespace expat {

namespace {

void XMLCALL startNothing(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL endNothing(void*, const XML_Char*) {}
void XMLCALL textNothing(void*, const XML_Char*, int) {}

void XMLCALL startCounting(void* data, const XML_Char*, const XML_Char** attributes) {
    auto& counts = *static_cast<Counts*>(data);
    ++counts.elements;
    for (; *attributes; attributes += 2) ++counts.attributes;
}

void run(const std::string& bytes, XML_StartElementHandler start, void* data) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) throw std::bad_alloc();
    XML_SetUserData(parser, data);
    XML_SetElementHandler(parser, start, endNothing);
    XML_SetCharacterDataHandler(parser, textNothing);
    const XML_Status status = XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE);
    const std::string error = status == XML_STATUS_OK ? "" : XML_ErrorString(XML_GetErrorCode(parser));
    XML_ParserFree(parser);
    if (!error.empty()) throw std::runtime_error("expat: " + error);
}

}  // namespace

void parse(const std::string& bytes) { run(bytes, startNothing, nullptr); }

Counts count(const std::string& bytes) {
    Counts counts;
    run(bytes, startCounting, &counts);
    return counts;
}

}  // namespace expat

namespace libxml2 {

std::unique_ptr<xmlDoc, DocDeleter> parse(const std::string& bytes) {
    std::unique_ptr<xmlDoc, DocDeleter> document(
        xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "bench.xml", nullptr, 0));
    if (!document) throw std::runtime_error("libxml2: the document did not parse");
    return document;
}

Counts count(const xmlDoc& document) {
    Counts counts;
    std::vector<const xmlNode*> pending{xmlDocGetRootElement(&document)};
    while (!pending.empty()) {
        const xmlNode* node = pending.back();
        pending.pop_back();
        ++counts.elements;
        for (const xmlAttr* a = node->properties; a; a = a->next) ++counts.attributes;
        for (const xmlNode* child = node->children; child; child = child->next)
            if (child->type == XML_ELEMENT_NODE) pending.push_back(child);
    }
    return counts;
}

}  // namespace libxml2
