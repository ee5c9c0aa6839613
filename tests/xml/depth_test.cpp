#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "support/small_stack.h"
#include "support/trace.h"
#include "xml/model.h"

namespace {

std::string nested(int levels, const std::string& innermost = "") {
    std::string document;
    for (int i = 0; i < levels; ++i) document += "<a>";
    document += innermost;
    for (int i = 0; i < levels; ++i) document += "</a>";
    return document;
}

TEST(Depth, DeepestAllowedTreeFitsOnOneMebibyteOfStack) {
    runOnStack(1 << 20, [] {
        const std::string document = nested(1000, "x");
        auto parsed = std::make_unique<xml::CXmlDocument>();
        parsed->parse(document.data(), document.data() + document.size());
        std::unique_ptr<xml::CXmlNodeElement> copy(parsed->root->clone());
        parsed.reset();
        int depth = 1;
        const xml::CXmlNode* node = copy.get();
        while ((node = node->asElement()->firstChild())->asElement()) ++depth;
        EXPECT_EQ(depth, 1000);
        EXPECT_EQ(node->asText()->text, WideString(1, WideChar('x')));
    });
}

TEST(Depth, OneLevelMoreIsRefusedAtItsStartTag) {
    EXPECT_EQ(trace::model(nested(1001)), "!element nesting too deep at row: 1, column: 3001");
    // Checked before the start tag's attributes are read.
    std::string document;
    for (int i = 0; i < 1000; ++i) document += "<a>\n";
    EXPECT_EQ(trace::model(document + "  <b x=bad/>"), "!element nesting too deep at row: 1001, column: 3");
}

}  // namespace
