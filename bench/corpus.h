#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Generated game data: the same seed gives the same bytes. Every document is UTF-8 with a
// byte-order mark (the library reads anything else as 7-bit text) and indented with tabs.
namespace corpus {

enum class Shape {
    Mixed,          // units, items and levels: nested elements, numbers, colours, vectors, short texts
    TextHeavy,      // chapters of long multi-line paragraphs, few attributes
    AttributeHeavy  // rows of empty elements with a dozen and more attributes each
};

// The small documents that the generated ones refer to, written beside them for the resolver.
struct Referenced {
    std::string fileName;
    std::string bytes;
};
const std::vector<Referenced>& referencedDocuments();

// A document of at most `targetBytes`, short of it by less than one block of a few kilobytes.
std::string generate(Shape shape, std::size_t targetBytes, std::uint32_t seed);

// Characters outside ASCII per character, counted in UTF-8.
double nonAsciiShare(const std::string& utf8);

}  // namespace corpus
