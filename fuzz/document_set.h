#pragma once

// The input of the reference targets: split at zero bytes, it gives up to three small documents,
// "a.xml" (returned, for the target to load) and "b.xml" and "c.xml" (written to a folder of
// their own, c.xml left out when empty), so that the documents may refer to each other, to
// themselves, to missing files and to missing nodes.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <unistd.h>

#include "boundary/wide_string.h"

namespace fuzz {

inline const std::string& documentFolder() {
    static const std::string path = [] {
        char name[] = "/tmp/gamehost_fuzzer.XXXXXX";
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

inline void writeFile(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// Writes b.xml and c.xml and returns a.xml's text.
inline std::string writeDocumentSet(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::string documents[3];
    for (std::string& document : documents) {
        const std::size_t zero = rest.find('\0');
        document = rest.substr(0, zero);
        rest = zero == std::string_view::npos ? std::string_view() : rest.substr(zero + 1);
    }
    writeFile(documentFolder() + "/b.xml", documents[1]);
    writeFile(documentFolder() + "/c.xml", documents[2]);
    if (documents[2].empty()) std::remove((documentFolder() + "/c.xml").c_str());
    return documents[0];
}

inline WideString documentFolderWide() {
    const std::string& folder = documentFolder();
    return WideString(folder.begin(), folder.end());
}

}  // namespace fuzz
