#include "xml/model.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/wide.h"

namespace xml {
namespace {

// <root a="1" b="2"> text <child c="3"/> </root>, every node at a distinct position.
std::unique_ptr<CXmlNodeElement> sampleTree() {
    auto root = std::make_unique<CXmlNodeElement>(W("root"));
    root->position = {1, 2};
    root->attributes.emplace_back(W("a"), W("1"), false);
    root->attributes.emplace_back(W("b"), W("ü"), true);
    auto text = new CXmlNodeText(W("some text"));
    text->position = {1, 9};
    root->addChild(text);
    auto child = new CXmlNodeElement(W("child"));
    child->position = {2, 4};
    child->attributes.emplace_back(W("c"), W("3"), true);
    child->addChild(new CXmlNodeText(W("inner")));
    root->addChild(child);
    return root;
}

// Compares names, attributes with their flags, texts and child order; positions not included.
void expectSameTree(const CXmlNode& expected, const CXmlNode& actual) {
    ASSERT_EQ(expected.kind(), actual.kind());
    if (const CXmlNodeText* text = expected.asText()) {
        EXPECT_EQ(text->text, actual.asText()->text);
        return;
    }
    const CXmlNodeElement& e = *expected.asElement();
    const CXmlNodeElement& a = *actual.asElement();
    EXPECT_EQ(e.name, a.name);
    ASSERT_EQ(e.attributes.size(), a.attributes.size());
    for (std::size_t i = 0; i < e.attributes.size(); ++i) {
        EXPECT_EQ(e.attributes[i].name, a.attributes[i].name);
        EXPECT_EQ(e.attributes[i].value, a.attributes[i].value);
        EXPECT_EQ(e.attributes[i].newlineBefore, a.attributes[i].newlineBefore);
    }
    ASSERT_EQ(e.childCount(), a.childCount());
    for (std::size_t i = 0; i < e.childCount(); ++i) expectSameTree(e.children[i], a.children[i]);
}

TEST(Model, KindsAndDowncasts) {
    CXmlNodeElement element(W("e"));
    CXmlNodeText text(W("t"));
    const CXmlNode& e = element;
    const CXmlNode& t = text;
    EXPECT_EQ(e.kind(), ElementNode);
    EXPECT_EQ(t.kind(), TextNode);
    EXPECT_EQ(int(ElementNode), 1);
    EXPECT_EQ(int(TextNode), 0);
    EXPECT_EQ(e.asElement(), &element);
    EXPECT_EQ(e.asText(), nullptr);
    EXPECT_EQ(t.asText(), &text);
    EXPECT_EQ(t.asElement(), nullptr);
}

TEST(Model, AttributeLookupIsExactAndFindsTheFirst) {
    CXmlNodeElement element(W("e"));
    element.attributes.emplace_back(W("name"), W("first"), false);
    element.attributes.emplace_back(W("Name"), W("other case"), false);
    element.attributes.emplace_back(W("name"), W("second"), true);
    ASSERT_EQ(element.attributes.size(), 3u);
    const struct { const char* name; const char* value; } cases[] = {
        {"name", "first"}, {"Name", "other case"}, {"nam", nullptr}, {"names", nullptr}, {"", nullptr},
    };
    for (const auto& c : cases) {
        const WideString* value = element.findAttributeValue(W(c.name));
        EXPECT_EQ(element.hasAttribute(W(c.name)), c.value != nullptr) << c.name;
        if (c.value) {
            ASSERT_NE(value, nullptr) << c.name;
            EXPECT_EQ(*value, W(c.value));
        } else {
            EXPECT_EQ(value, nullptr) << c.name;
        }
    }
}

TEST(Model, AddChildAppendsAndSetsParent) {
    CXmlNodeElement element(W("e"));
    EXPECT_EQ(element.firstChild(), nullptr);
    EXPECT_EQ(element.childCount(), 0u);
    auto first = new CXmlNodeText(W("a"));
    auto second = new CXmlNodeElement(W("b"));
    element.addChild(first);
    element.addChild(second);
    EXPECT_EQ(element.childCount(), 2u);
    EXPECT_EQ(element.firstChild(), first);
    EXPECT_EQ(&element.children[1], second);
    EXPECT_EQ(first->parent, &element);
    EXPECT_EQ(second->parent, &element);
}

TEST(Model, NullChildIsRefusedAndLeavesTheElementUnchanged) {
    CXmlNodeElement element(W("e"));
    element.addChild(new CXmlNodeText(W("a")));
    try {
        element.addChild(nullptr);
        ADD_FAILURE() << "a null child was accepted";
    } catch (const boost::bad_pointer& error) {
        EXPECT_STREQ(error.what(), "Null pointer in 'push_back()'");
    }
    EXPECT_EQ(element.childCount(), 1u);
}

TEST(Model, CloneIsDeepIndependentAndUnplaced) {
    auto source = sampleTree();
    std::unique_ptr<CXmlNode> copy(static_cast<const CXmlNode&>(*source).clone());
    expectSameTree(*sampleTree(), *copy);
    source.reset();
    expectSameTree(*sampleTree(), *copy);  // nothing shared with the destroyed source

    const CXmlNodeElement& root = *copy->asElement();
    EXPECT_EQ(root.parent, nullptr);
    EXPECT_EQ(root.position.row, 0);
    EXPECT_EQ(root.position.column, 0);
    for (const CXmlNode& child : root.children) {
        EXPECT_EQ(child.parent, nullptr);
        EXPECT_EQ(child.position.row, 0);
        EXPECT_EQ(child.position.column, 0);
    }
    std::unique_ptr<CXmlNode> textCopy(root.children[0].clone());
    EXPECT_EQ(textCopy->asText()->text, W("some text"));
}

// A node that records when it is destroyed.
struct TracedNode : CXmlNodeText {
    TracedNode(std::vector<std::string>& log, std::string label)
        : CXmlNodeText(W("x")), log(log), label(std::move(label)) {}
    ~TracedNode() override { log.push_back(label); }
    std::vector<std::string>& log;
    std::string label;
};

TEST(Model, DestroyingAnElementDestroysItsChildrenInOrder) {
    std::vector<std::string> log;
    {
        CXmlNodeElement root(W("root"));
        root.addChild(new TracedNode(log, "first"));
        auto middle = new CXmlNodeElement(W("middle"));
        middle->addChild(new TracedNode(log, "nested"));
        root.addChild(middle);
        root.addChild(new TracedNode(log, "last"));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"first", "nested", "last"}));
}

TEST(Model, DocumentReplacesAndDeletesItsRoot) {
    std::vector<std::string> log;
    CXmlDocument document;
    EXPECT_EQ(document.root, nullptr);
    document.root = std::make_unique<CXmlNodeElement>(W("old"));
    document.root->addChild(new TracedNode(log, "old child"));
    document.root = std::make_unique<CXmlNodeElement>(W("new"));
    EXPECT_EQ(log, std::vector<std::string>{"old child"});
    EXPECT_EQ(document.root->name, W("new"));
}

}  // namespace
}  // namespace xml
