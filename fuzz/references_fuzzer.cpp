// Reference expansion: "a.xml" of a document set (fuzz/document_set.h) is loaded through the
// resolver.
#include <cstddef>
#include <cstdint>

#include "fuzz/document_set.h"
#include "fuzz/orderly_failure.h"
#include "xml/parser.h"
#include "xml/resolver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string main = fuzz::writeDocumentSet(data, size);
    const WideString primary = fuzz::documentFolderWide();
    const WideChar name[] = {'a', '.', 'x', 'm', 'l', 0};
    try {
        CStdXmlResolver2 resolver(primary.c_str(), nullptr);
        CXmlParser parser(main.c_str(), &resolver, name);
    }
    FUZZ_ORDERLY_FAILURES
    return 0;
}
