#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "boundary/wide_string.h"
#include "xml/file_identity.h"

class CXmlParser;

namespace xml {

// The bound on the work references can make one load do, in the manner of expat's amplification
// limit for entities, counted in nodes: the nodes that reference expansion copies into the
// load's trees against the nodes parsed from files, each file counted once however often it is
// referred to. Below kExpansionThreshold copies nothing is refused; above it the load fails when
// the copies exceed kExpansionFactor times the parsed nodes. Ordinary data copies a few times
// what it parses, and a game's data stays far below a million copies; ten files of ten
// references each to the next would make 10^9.
constexpr std::uint64_t kExpansionThreshold = 1000000;
constexpr std::uint64_t kExpansionFactor = 100;

// One top-level load: the construction of one top-level CXmlParser with every document its
// references bring in. It counts for the bound above and keeps each referenced document, parsed
// and expanded once, for the rest of the load.
class LoadContext {
public:
    // A referenced document as its first reference left it, with what a reference from elsewhere
    // needs to know to get the same outcome as a fresh parse: how many levels of references lie
    // below it, and every file they opened.
    struct Document {
        FileIdentity identity;
        WideString path;    // by which it was opened
        WideString folder;  // its references are resolved there
        std::unique_ptr<CXmlParser> parsed;
        int height = 0;
        std::vector<FileIdentity> opened;
    };

    LoadContext();
    ~LoadContext();
    LoadContext(const LoadContext&) = delete;
    LoadContext& operator=(const LoadContext&) = delete;

    bool twoStages = false;  // its documents are built through the document model

    void countParsed() noexcept { ++parsedNodes; }
    // False when this copy crosses the bound.
    bool countCopy() noexcept {
        ++copiedNodes;
        return copiedNodes <= kExpansionThreshold || copiedNodes <= kExpansionFactor * parsedNodes;
    }

    // The document of that file read beside `folder` earlier in this load, or null.
    Document* find(const FileIdentity& identity, const WideString& folder);
    // The document opened by that very path earlier in this load, or null.
    Document* find(const WideString& path);
    Document& keep(std::unique_ptr<Document> document);

private:
    std::uint64_t parsedNodes = 0;
    std::uint64_t copiedNodes = 0;
    std::vector<std::unique_ptr<Document>> documents;  // few per load: a list will do
};

}  // namespace xml
