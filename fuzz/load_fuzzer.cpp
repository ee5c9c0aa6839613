// Arbitrary bytes to a node tree, then every read operation over the whole tree: the SDK's node
// walk calls every slot of every node, with the document's own names in both cases, names found
// nowhere, and indices in and out of range.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/orderly_failure.h"
#include "sdk/samples/msvc_module/node_walk.h"
#include "xml/parser.h"

namespace {

struct Discard {
    void write(const char*, std::uint32_t) {}
};

// The walk looks up every child's name among its siblings, which takes time in the square of
// their number: a node with thousands of children would take seconds and read as a hang.
bool narrowEnoughToWalk(IXmlReaderNode* node) {
    const std::uint32_t count = node->getChildCount();
    if (count > 256) return false;
    for (std::uint32_t i = 0; i < count; ++i)
        if (!narrowEnoughToWalk(node->getChild(static_cast<std::int32_t>(i)))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // zero-terminated
    try {
        CXmlParser parser(text.c_str(), nullptr, nullptr);
        if (!narrowEnoughToWalk(parser.getRoot())) return 0;
        Discard sink;
        walkNodes(parser.getRoot(), sink);
    }
    FUZZ_ORDERLY_FAILURES
    return 0;
}
