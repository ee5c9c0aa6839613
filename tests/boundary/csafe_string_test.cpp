#include "boundary/csafe_string.h"

#include <gtest/gtest.h>

#include "support/wide.h"

namespace {

TEST(SafeString, AssignReplacesTheWholeTarget) {
    WideString target = W("previous");
    CSafeStringW out(target);
    out.assign(W("xyz").c_str(), 0);
    EXPECT_EQ(target, W(""));
    const WideString withZero(W("a") + WideChar(0) + W("b"));
    out.assign(withZero.data(), 3);
    EXPECT_EQ(target, withZero);
    target = W("abcdef");
    out.assign(target.data() + 2, 3);  // from the target's own characters
    EXPECT_EQ(target, W("cde"));
    out.assignString(W("first").c_str());
    out.assignString(W("second").c_str());
    EXPECT_EQ(target, W("second"));

    WideString other;
    out.retarget(other);
    out.assignString(W("elsewhere").c_str());
    EXPECT_EQ(other, W("elsewhere"));
    EXPECT_EQ(target, W("second"));
}

TEST(SafeString, AnswersOnlyItsOwnInterfaceAndLeavesTheTargetOnDestruction) {
    WideString target = W("kept");
    auto* out = new CSafeStringW(target);
    EXPECT_EQ(out->queryInterface(kSafeStringWId), out);
    for (std::uint32_t id : {0u, kXmlReaderId, kXmlReaderNodeId, kXmlResolverId, kXmlDataId})
        EXPECT_EQ(out->queryInterface(id), nullptr);
    out->destroy(kDestroyFree);
    EXPECT_EQ(target, W("kept"));
}

}  // namespace
