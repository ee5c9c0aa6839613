// Reference expansion: the input, split at zero bytes, gives up to three small documents
// "a.xml", "b.xml" and "c.xml" in a folder of their own; "a.xml" is loaded through the resolver,
// so the documents may refer to each other, to themselves, to missing files and missing nodes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <unistd.h>

#include "fuzz/orderly_failure.h"
#include "xml/parser.h"
#include "xml/resolver.h"

namespace {

const std::string& folder() {
    static const std::string path = [] {
        char name[] = "/tmp/references_fuzzer.XXXXXX";
        if (!mkdtemp(name)) std::abort();
        return std::string(name);
    }();
    static const int removedAtExit = std::atexit([] {
        for (const char* file : {"/b.xml", "/c.xml"}) std::remove((path + file).c_str());
        rmdir(path.c_str());
    });
    (void)removedAtExit;
    return path;
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::string documents[3];
    for (std::string& document : documents) {
        const std::size_t zero = rest.find('\0');
        document = rest.substr(0, zero);
        rest = zero == std::string_view::npos ? std::string_view() : rest.substr(zero + 1);
    }
    writeFile(folder() + "/b.xml", documents[1]);
    writeFile(folder() + "/c.xml", documents[2]);
    if (documents[2].empty()) std::remove((folder() + "/c.xml").c_str());  // a missing file too
    const WideString primary(folder().begin(), folder().end());
    const WideChar name[] = {'a', '.', 'x', 'm', 'l', 0};
    try {
        CStdXmlResolver2 resolver(primary.c_str(), nullptr);
        CXmlParser parser(documents[0].c_str(), &resolver, name);
    }
    FUZZ_ORDERLY_FAILURES
    return 0;
}
