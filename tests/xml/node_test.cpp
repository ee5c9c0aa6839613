#include "xml/node.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "boundary/csafe_string.h"
#include "support/capture_string.h"
#include "support/trace.h"
#include "support/wide.h"
#include "xml/load_context.h"
#include "xml/parser.h"
#include "xml/values.h"

namespace {

std::unique_ptr<CXmlParser> parse(const std::string& text) {
    return std::make_unique<CXmlParser>(text.c_str(), nullptr, W("test.xml").c_str());
}

TEST(Node, TextIsTheFirstChildsAndLaterTextsAreDropped) {
    auto parser = parse("<a>first<b/>second<c>inner</c>third</a>");
    IXmlReaderNode* root = parser->getRoot();
    EXPECT_EQ(WideString(root->getText()), W("first"));
    ASSERT_EQ(root->getChildCount(), 2u);
    EXPECT_TRUE(root->getChild(0)->isName(W("b").c_str()));
    EXPECT_EQ(WideString(root->getChild(1)->getText()), W("inner"));
    EXPECT_TRUE(root->isName(W("a").c_str()));
    EXPECT_FALSE(root->isName(W("A").c_str()));

    auto elementFirst = parse("<a><b/>text</a>");
    ASSERT_NE(elementFirst->getRoot()->getText(), nullptr);
    EXPECT_EQ(WideString(elementFirst->getRoot()->getText()), W(""));
    EXPECT_EQ(parser->getRoot(), root);  // the same root on every call
}

TEST(Node, ChildSearchOrderAndCaseFolding) {
    auto parser = parse("<r><Item i='0'/><x/><item i='1'/><Item i='2'/><ITEM i='3'/><Itemx/><az_1/></r>");
    IXmlReaderNode* r = parser->getRoot();
    const auto walk = [r](const char* name, bool caseSensitive) {
        std::vector<int> found;
        for (int i = -1; (i = r->findChildIndex(W(name).c_str(), i, caseSensitive)) != -1;) found.push_back(i);
        return found;
    };
    EXPECT_EQ(walk("item", false), (std::vector<int>{0, 2, 3, 4}));
    EXPECT_EQ(walk("Item", true), (std::vector<int>{0, 3}));
    EXPECT_EQ(walk("AZ_1", false), std::vector<int>{6});
    EXPECT_EQ(r->countChildren(W("Item").c_str()), 2u);
    EXPECT_EQ(r->findChild(W("item").c_str(), false), r->getChild(0));
    EXPECT_EQ(r->findChild(W("item").c_str(), true), r->getChild(2));
    EXPECT_EQ(r->findChild(W("none").c_str(), false), nullptr);
    for (int index : {-1, 7, 1000, -1000}) EXPECT_EQ(r->getChild(index), nullptr) << index;
    for (int after : {6, 100, -2, INT32_MAX, INT32_MIN}) EXPECT_EQ(r->findChildIndex(W("x").c_str(), after, true), -1) << after;
    EXPECT_EQ(WideString(r->getChildText(W("x").c_str())), W(""));
    EXPECT_EQ(r->getChildText(W("none").c_str()), nullptr);
    EXPECT_EQ(r->findChild(nullptr, true), nullptr);
}

TEST(Node, AttributesKeepOrderAndDuplicates) {
    auto parser = parse("<r id='1' Name='n' id='3'/>");
    IXmlReaderNode* r = parser->getRoot();
    ASSERT_EQ(r->getAttributeCount(), 3u);
    WideString text = W("untouched");
    CSafeStringW out(text);
    r->getAttributeName(2, &out);
    EXPECT_EQ(text, W("id"));
    EXPECT_TRUE(r->getAttributeString(2, &out));
    EXPECT_EQ(text, W("3"));
    for (int index : {-1, 3, 99}) {
        EXPECT_FALSE(r->getAttributeString(index, &out)) << index;
        r->getAttributeName(index, &out);
    }
    EXPECT_EQ(text, W("3"));
    EXPECT_EQ(r->findAttribute(W("name").c_str(), false), 1);
    EXPECT_EQ(r->findAttribute(W("name").c_str(), true), -1);
    EXPECT_EQ(r->findAttribute(W("id").c_str(), true), 0);
}

// Every value type through its three slots: the node's text, a child's, an attribute's.
template <class T>
void expectThreeSources(const char* text, bool (*convert)(WideStringView, T&),
                        bool (IXmlReaderNode::*own)(T*),
                        bool (IXmlReaderNode::*child)(const WideChar*, T*),
                        bool (IXmlReaderNode::*attribute)(std::int32_t, T*)) {
    SCOPED_TRACE(text);
    const std::string t = text;
    auto parser = parse("<r v='" + t + "' bad='?'>" + t + "<c>" + t + "</c><c>1</c><d>?</d></r>");
    IXmlReaderNode* r = parser->getRoot();
    T expected{};
    ASSERT_TRUE(convert(W(text), expected));
    T values[3] = {};
    EXPECT_TRUE((r->*own)(&values[0]));
    EXPECT_TRUE((r->*child)(W("c").c_str(), &values[1]));
    EXPECT_TRUE((r->*attribute)(0, &values[2]));
    for (const T& value : values) EXPECT_EQ(std::memcmp(&value, &expected, sizeof(T)), 0);
    // Failures leave the output alone: a text that does not convert, a missing child, a
    // missing attribute; a later child of the same name is never tried.
    const T before = values[0];
    EXPECT_FALSE((r->*child)(W("d").c_str(), &values[0]));
    EXPECT_FALSE((r->*child)(W("none").c_str(), &values[0]));
    EXPECT_FALSE((r->*attribute)(1, &values[0]));
    EXPECT_FALSE((r->*attribute)(-1, &values[0]));
    EXPECT_FALSE((r->*attribute)(2, &values[0]));
    EXPECT_EQ(std::memcmp(&before, &values[0], sizeof(T)), 0);
}

TEST(Node, ValueSlotsShareOneConversionPerType) {
    using N = IXmlReaderNode;
    expectThreeSources<bool>("true", xml::textToBool, &N::getBool, &N::getChildBool, &N::getAttributeBool);
    expectThreeSources<std::int32_t>("-7", xml::textToLong, &N::getLong, &N::getChildLong, &N::getAttributeLong);
    expectThreeSources<std::uint32_t>("7", xml::textToULong, &N::getULong, &N::getChildULong, &N::getAttributeULong);
    expectThreeSources<std::uint64_t>("zz", xml::textToUInt64, &N::getUInt64, &N::getChildUInt64, &N::getAttributeUInt64);
    expectThreeSources<float>("2.5", xml::textToFloat, &N::getFloat, &N::getChildFloat, &N::getAttributeFloat);
    expectThreeSources<Vector2>("1,2", xml::textToVector2, &N::getVector2, &N::getChildVector2, &N::getAttributeVector2);
    expectThreeSources<Vector3>("1,2,3", xml::textToVector3, &N::getVector3, &N::getChildVector3, &N::getAttributeVector3);
    expectThreeSources<UnitVector4>("0,0,0,2", xml::textToUnitVector4, &N::getUnitVector4, &N::getChildUnitVector4,
                                    &N::getAttributeUnitVector4);
    expectThreeSources<Color>("red", xml::textToColor, &N::getColor, &N::getChildColor, &N::getAttributeColor);
}

TEST(Node, EightBitStrings) {
    auto parser = parse("\xEF\xBB\xBF<r v='abc' w='\xC3\xA9'>abc<c>\xC3\xA9</c></r>");
    IXmlReaderNode* r = parser->getRoot();
    CaptureStringA out;
    EXPECT_TRUE(r->getStringA(&out));
    EXPECT_EQ(out.text, "abc");
    EXPECT_TRUE(r->getAttributeStringA(0, &out));
    EXPECT_FALSE(r->getAttributeStringA(1, &out));
    EXPECT_FALSE(r->getChildStringA(W("c").c_str(), &out));
    EXPECT_EQ(out.calls, 2);
    std::int32_t number = 5;
    auto empty = parse("<r/>");
    EXPECT_TRUE(empty->getRoot()->getLong(&number));  // an empty text reads as 0
    EXPECT_EQ(number, 0);
}

TEST(Node, CopiesShareNothingThatDiesWithTheirSource) {
    auto source = parse("<a x='1'>t<b y='2'>u<c/></b></a>");
    auto other = parse("<other/>");
    xml::LoadContext load;
    auto copy = std::make_unique<detail::CXmlParserNode>(
        other.get(), *static_cast<detail::CXmlParserNode*>(source->getRoot()), load);
    source.reset();
    EXPECT_EQ(WideString(copy->getText()), W("t"));
    ASSERT_EQ(copy->getChildCount(), 1u);
    EXPECT_EQ(WideString(copy->getChild(0)->getText()), W("u"));
    EXPECT_EQ(copy->getChild(0)->getChild(0)->getChildCount(), 0u);
    EXPECT_EQ(copy->getAttributeCount(), 1u);
}

// The one-pass load reads plain attributes and texts in quick steps of its own: the trees, and
// the positions of failures after them, must be what the two stages give.
TEST(Parser, OnePassAgreesWithTheTwoStages) {
    const char* documents[] = {
        "<a>  lead\tand trail \t<b> x </b> \t <c v='1'\tw=\"t\tu\"/>tail</a>",
        "\xEF\xBB\xBF<a x='1'\ty=\"2\">text \t more<b/>\r\n  tail<c>\xC3\xA9</c>&amp; <d/></a>\n<e/>",
        "\xEF\xBB\xBF<a k='v'>\tplain text\t<b q='\xC3\xA9' r='1'/>\r<c\n s='x'>x</c><d></e></a>",
        "\xEF\xBB\xBF<a>  words  <b>w</b>\r\n<c t='\t' u=''>  </c>\xE2\x82\xAC x &bad;</a>",
        "<a v='1' w='2'>x\r\ny <b/>z</a",
        "<a>\t<b c='1'd='2'/></a>",
        "\xEF\xBB\xBF<a v='&lt;'>a&gt;b c<b/></a>x",
        // Multi-byte characters in values and texts, then an error on the same line.
        "\xEF\xBB\xBF<a v='\xC3\xA9\xE0\xA4\x85' w=\"x \xD0\x94\"><b>\xD0\x94\xD0\xBE \xC3\xA9 </b><c></d></a>",
        // Overlong forms (of "<" too), surrogates, U+FFFF, four bytes, cut sequences.
        "\xEF\xBB\xBF<a v='\xC0\xBC' w='\xE0\x80\xBC\xED\xA0\x80'>\xE0\xA0\x80\xEF\xBF\xBF<b/>x\xC0\xBCy</a>",
        "\xEF\xBB\xBF<a v='\xF0\x9F\x98\x80'/>", "\xEF\xBB\xBF<a>\xF0\x9F\x98\x80</a>",
        "\xEF\xBB\xBF<a>x\xC3<b/></a>", "\xEF\xBB\xBF<a v='\xE2\x82'/>", "\xEF\xBB\xBF<a v=\"x\xE0\x80\xA2\"/>",
        "\xEF\xBB\xBF<a>x\xE0\x80\xBC/a></a>",
        "<a>caf\xC3\xA9</a>", "<a v='caf\xC3\xA9'/>",  // not UTF-8: no byte above 0x7E
        // Plain attributes before and after others, start tags ended in every way.
        "<a x='1' y='&amp;' z='2' >t<b p='1'\n q='2' r='&lt;'\t/><c\t/><d x='1'\n/></a>",
        "<a><b x='1'/ ></a>", "<a x='1'/", "<a x='1' y='2'", "<a x='1'>",
    };
    for (const char* document : documents) trace::load(document);  // compares the two loads
}

TEST(Parser, InterfacesErrorsAndLifetime) {
    EXPECT_EQ(trace::load("<?xml version=\"1.0\"?>"), "!malformed Xml document");
    EXPECT_EQ(trace::load("<a>"), "!no ending tag found for element at row: 1, column: 1 at row: 1, column: 1");
    EXPECT_THROW(CXmlParser("", nullptr, nullptr), xml::parse_error);
    EXPECT_THROW(CXmlParser("<?xml version=\"1.0\"?>", nullptr, nullptr), CXmlParser::InitError);

    auto* parser = new CXmlParser("<a><b/></a>", nullptr, nullptr);
    IXmlReaderNode* root = parser->getRoot();
    EXPECT_EQ(parser->queryInterface(kXmlReaderId), parser);
    EXPECT_EQ(root->queryInterface(kXmlReaderNodeId), root);
    for (std::uint32_t other : {0u, kXmlReaderNodeId, kSafeStringWId, kXmlDataId}) EXPECT_EQ(parser->queryInterface(other), nullptr);
    for (std::uint32_t other : {0u, kXmlReaderId, kXmlResolverId}) EXPECT_EQ(root->queryInterface(other), nullptr);
    // A node belongs to its document: a module that destroys one leaves the document whole.
    IXmlReaderNode* child = root->getChild(0);
    child->destroy(kDestroyFree);
    EXPECT_TRUE(child->isName(W("b").c_str()));
    EXPECT_EQ(root->getChild(0), child);
    EXPECT_EQ(parser->destroy(kDestroyFree), parser);  // frees the parser and every node
}

}  // namespace
