// Any accepted document, written and read again, gives the same model, unless it has one of
// the shapes a round trip is known to change.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <sstream>
#include <string>

#include "fuzz/orderly_failure.h"
#include "support/round_trip.h"
#include "xml/model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* begin = reinterpret_cast<const char*>(data);
    xml::CXmlDocument first;
    try {
        first.parse(begin, begin + size);
    }
    FUZZ_ORDERLY_FAILURES
    if (!first.root || round_trip::mayChange(*first.root, first.utf8)) return 0;

    std::ostringstream out;
    if (first.utf8) out << "\xEF\xBB\xBF";  // the writer writes no byte-order mark itself
    first.root->writeXml(out, first, 0);
    const std::string written = out.str();
    xml::CXmlDocument second;
    try {
        second.parse(written.data(), written.data() + written.size());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "written document not read back: %s\n%s\n", error.what(), written.c_str());
        std::abort();
    }
    if (!second.root || second.utf8 != first.utf8 || !round_trip::sameTree(*first.root, *second.root)) {
        std::fprintf(stderr, "written document reads back differently:\n%s\n", written.c_str());
        std::abort();
    }
    return 0;
}
