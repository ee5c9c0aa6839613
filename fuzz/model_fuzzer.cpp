// Arbitrary bytes to a document model.
#include <cstddef>
#include <cstdint>

#include "fuzz/orderly_failure.h"
#include "xml/model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* begin = reinterpret_cast<const char*>(data);
    try {
        xml::CXmlDocument document;
        document.parse(begin, begin + size);
    }
    FUZZ_ORDERLY_FAILURES
    return 0;
}
