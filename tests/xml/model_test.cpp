#include "xml/model.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/trace.h"
#include "support/wide.h"

namespace xml {
namespace {

std::unique_ptr<CXmlNodeElement> parseRoot(const std::string& text) {
    CXmlDocument document;
    document.parse(text.data(), text.data() + text.size());
    return std::move(document.root);
}

TEST(Model, AttributeLookupIsExactAndFindsTheFirst) {
    auto element = parseRoot("<e name='first' Name='other case' name='second'/>");
    ASSERT_EQ(element->attributes.size(), 3u);
    for (const char* absent : {"nam", "names", "", "NAME"}) {
        EXPECT_EQ(element->findAttributeValue(W(absent)), nullptr) << absent;
        EXPECT_FALSE(element->hasAttribute(W(absent))) << absent;
    }
    EXPECT_EQ(*element->findAttributeValue(W("name")), W("first"));
    EXPECT_EQ(*element->findAttributeValue(W("Name")), W("other case"));
    EXPECT_TRUE(element->hasAttribute(W("name")));
}

TEST(Model, ChildrenAreAppendedWithTheirParentAndNullIsRefused) {
    CXmlNodeElement element(W("e"));
    EXPECT_EQ(element.firstChild(), nullptr);
    auto first = new CXmlNodeText(W("a"));
    auto second = new CXmlNodeElement(W("b"));
    element.addChild(first);
    element.addChild(second);
    EXPECT_EQ(element.firstChild(), first);
    EXPECT_EQ(&element.children[1], second);
    EXPECT_EQ(first->parent, &element);
    EXPECT_EQ(second->parent, &element);
    EXPECT_THROW(element.addChild(nullptr), boost::bad_pointer);
    EXPECT_EQ(element.childCount(), 2u);
}

TEST(Model, CloneIsDeepIndependentAndUnplaced) {
    const std::string text = "\xEF\xBB\xBF<root a='1'\n b='\xC3\xBC'>some text<child\n c='3'>inner</child></root>";
    auto source = parseRoot(text);
    std::unique_ptr<CXmlNode> copy(static_cast<const CXmlNode&>(*source).clone());
    source.reset();  // the copy shares nothing with its source
    const trace::Options positions{true, true};
    EXPECT_EQ(trace::dump(*copy), trace::dump(*parseRoot(text)));
    EXPECT_EQ(trace::dump(*copy, positions),
              "<root@1:1 a=\"1\" ^b=\"\xC3\xBC\"> \"some text\"@1:1 <child@1:1 ^c=\"3\"> \"inner\"@1:1 </child> </root>");
    EXPECT_EQ(copy->parent, nullptr);
    for (const CXmlNode& child : copy->asElement()->children) EXPECT_EQ(child.parent, nullptr);
}

// A node that records its destruction.
struct TracedNode : CXmlNodeText {
    TracedNode(std::vector<std::string>& log, std::string label)
        : CXmlNodeText(W("x")), log(log), label(std::move(label)) {}
    ~TracedNode() override { log.push_back(label); }
    std::vector<std::string>& log;
    std::string label;
};

TEST(Model, SubtreesAreDestroyedInOrderWithTheirOwner) {
    std::vector<std::string> log;
    CXmlDocument document;
    document.root = std::make_unique<CXmlNodeElement>(W("old"));
    document.root->addChild(new TracedNode(log, "first"));
    auto middle = new CXmlNodeElement(W("middle"));
    middle->addChild(new TracedNode(log, "nested"));
    document.root->addChild(middle);
    document.root->addChild(new TracedNode(log, "last"));
    document.root = std::make_unique<CXmlNodeElement>(W("new"));
    EXPECT_EQ(log, (std::vector<std::string>{"first", "nested", "last"}));
}

}  // namespace
}  // namespace xml
