// Arbitrary bytes to a node tree, then every read operation over the whole tree, with indices
// in and out of range.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "boundary/csafe_string.h"
#include "support/capture_string.h"
#include "fuzz/orderly_failure.h"
#include "xml/parser.h"

namespace {

const WideChar kNoName[] = {0};
const WideChar kA[] = {'a', 0};

void readEverything(IXmlReaderNode* node, const WideChar* someName) {
    WideString wide;
    CSafeStringW wideOut(wide);
    CaptureStringA narrowOut;
    std::uint64_t u64;
    Color color;
    UnitVector4 unit;
    Vector3 v3;
    Vector2 v2;
    float f;
    std::uint32_t u32;
    std::int32_t i32;
    bool b;

    node->queryInterface(kXmlReaderNodeId);
    node->getName(&wideOut);
    node->getText();
    for (const WideChar* name : {someName, kNoName, kA, static_cast<const WideChar*>(nullptr)}) {
        node->isName(name);
        node->countChildren(name);
        node->findChild(name, true);
        node->findChild(name, false);
        for (std::int32_t after : {-2, -1, 0, 1}) node->findChildIndex(name, after, false);
        node->findAttribute(name, true);
        node->findAttribute(name, false);
        node->getChildUInt64(name, &u64);
        node->getChildColor(name, &color);
        node->getChildUnitVector4(name, &unit);
        node->getChildVector3(name, &v3);
        node->getChildVector2(name, &v2);
        node->getChildFloat(name, &f);
        node->getChildULong(name, &u32);
        node->getChildLong(name, &i32);
        node->getChildBool(name, &b);
        node->getChildStringA(name, &narrowOut);
        node->getChildText(name);
    }
    node->getUInt64(&u64);
    node->getColor(&color);
    node->getUnitVector4(&unit);
    node->getVector3(&v3);
    node->getVector2(&v2);
    node->getFloat(&f);
    node->getULong(&u32);
    node->getLong(&i32);
    node->getBool(&b);
    node->getStringA(&narrowOut);
    const auto attributes = static_cast<std::int32_t>(node->getAttributeCount());
    for (std::int32_t i = -1; i <= attributes; ++i) {
        node->getAttributeName(i, &wideOut);
        node->getAttributeUInt64(i, &u64);
        node->getAttributeColor(i, &color);
        node->getAttributeUnitVector4(i, &unit);
        node->getAttributeVector3(i, &v3);
        node->getAttributeVector2(i, &v2);
        node->getAttributeFloat(i, &f);
        node->getAttributeULong(i, &u32);
        node->getAttributeLong(i, &i32);
        node->getAttributeBool(i, &b);
        node->getAttributeStringA(i, &narrowOut);
        node->getAttributeString(i, &wideOut);
    }
    node->getChild(-1);
    node->getChild(static_cast<std::int32_t>(node->getChildCount()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // zero-terminated
    try {
        CXmlParser parser(text.c_str(), nullptr, nullptr);
        // Depth first without recursion: trees may be a thousand levels deep.
        std::vector<IXmlReaderNode*> pending{parser.getRoot()};
        while (!pending.empty()) {
            IXmlReaderNode* node = pending.back();
            pending.pop_back();
            WideString firstChildName;
            CSafeStringW nameOut(firstChildName);
            if (node->getChildCount() > 0) node->getChild(0)->getName(&nameOut);
            readEverything(node, firstChildName.c_str());
            for (std::uint32_t i = 0; i < node->getChildCount(); ++i)
                pending.push_back(node->getChild(static_cast<std::int32_t>(i)));
        }
    }
    FUZZ_ORDERLY_FAILURES
    return 0;
}
