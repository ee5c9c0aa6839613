// Writes the generated part of the fuzzers' seed corpus into a folder: small documents of
// each shape from the benchmark's generator, and for the one_pass target the same
// documents joined with the ones they refer to (zero bytes between documents).
#include <cstdio>
#include <fstream>
#include <string>

#include "corpus.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: seed_corpus FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    };
    const struct {
        corpus::Shape shape;
        const char* name;
    } shapes[] = {{corpus::Shape::Mixed, "mixed"},
                  {corpus::Shape::TextHeavy, "text"},
                  {corpus::Shape::AttributeHeavy, "attributes"}};
    std::string referenced;
    for (const corpus::Referenced& document : corpus::referencedDocuments()) {
        write(document.fileName, document.bytes);
        referenced += '\0' + document.bytes;
    }
    for (const auto& [shape, name] : shapes)
        for (std::uint32_t seed = 1; seed <= 3; ++seed) {
            const std::string document = corpus::generate(shape, 1024u << seed, seed);
            write(std::string(name) + "-" + std::to_string(seed) + ".xml", document);
            write(std::string(name) + "-" + std::to_string(seed) + "-with-references.xml", document + referenced);
        }
    return 0;
}
