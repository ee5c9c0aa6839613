#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <libxml/tree.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include "boundary/xml_reader.h"
#include "boundary/xml_resolver.h"
#include "xml/model.h"
#include "xml/parser.h"

// Each contender reduced to what the benchmark does with it: bytes to a tree, the tree back to
// text, values out of attributes, and the counts that show whether they all read the same
// document. Every function takes the document's bytes as they are, byte-order mark included.

struct Counts {
    std::uint64_t elements = 0;
    std::uint64_t attributes = 0;
};
inline bool operator==(const Counts& a, const Counts& b) {
    return a.elements == b.elements && a.attributes == b.attributes;
}

namespace gamehost {
std::unique_ptr<xml::CXmlDocument> parseModel(const std::string& bytes);
// Needs the zero after the bytes that std::string keeps.
std::unique_ptr<CXmlParser> load(const std::string& bytes, IXmlResolver& resolver);
Counts count(const xml::CXmlDocument& document);
Counts count(IXmlReaderNode& root);
std::string write(const xml::CXmlDocument& document);

// Attributes of one name across a loaded tree, in document order.
struct Attributes {
    std::vector<std::pair<IXmlReaderNode*, std::int32_t>> items;
    std::size_t textBytes = 0;  // of their values in UTF-8
};
Attributes collect(IXmlReaderNode& root, const char* name);
}  // namespace gamehost

namespace pugixml {
std::unique_ptr<pugi::xml_document> parse(const std::string& bytes);
Counts count(const pugi::xml_document& document);
std::string write(const pugi::xml_document& document);
std::vector<pugi::xml_attribute> collect(const pugi::xml_document& document, const char* name);
// The elements and attributes below the node that `path` ("a/b", empty: the root) names.
Counts countBelow(const pugi::xml_document& document, const std::string& path);
// The "refer" elements, which pugixml leaves as they are.
struct Reference {
    std::string fileName;
    std::string path;
    Counts own;  // the element itself, its attributes and anything inside it
};
std::vector<Reference> references(const pugi::xml_document& document);
}  // namespace pugixml

namespace rapidxml_bench {
struct Tree;  // the parsed copy of the bytes and the document that points into it
struct TreeDeleter {
    void operator()(Tree* tree) const;
};
std::unique_ptr<Tree, TreeDeleter> parse(const std::string& bytes);
Counts count(const Tree& tree);
}  // namespace rapidxml_bench

namespace tinyxml {
std::unique_ptr<tinyxml2::XMLDocument> parse(const std::string& bytes);
Counts count(const tinyxml2::XMLDocument& document);
std::size_t write(const tinyxml2::XMLDocument& document);
}  // namespace tinyxml

namespace expat {
// Builds nothing: empty handlers for elements and text.
void parse(const std::string& bytes);
Counts count(const std::string& bytes);
}  // namespace expat

namespace libxml2 {
struct DocDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
std::unique_ptr<xmlDoc, DocDeleter> parse(const std::string& bytes);
Counts count(const xmlDoc& document);
}  // namespace libxml2
