// The reader, through its tokens (both instantiations) and through CXmlDocument::parse.
// Errors read "!message at row: R, column: C", 1-based.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/trace.h"

namespace {

struct Case {
    std::string input;
    std::string expected;
};

void expectTokens(const std::vector<Case>& cases, trace::Options options = {}) {
    for (const Case& c : cases) EXPECT_EQ(trace::tokens(c.input, options), c.expected) << "input: " << c.input;
}

void expectModel(const std::vector<Case>& cases, trace::Options options = {}) {
    for (const Case& c : cases) EXPECT_EQ(trace::model(c.input, options), c.expected) << "input: " << c.input;
}

const trace::Options kPositions{true, true};

TEST(ReaderPositions, TokensAndLineBreaks) {
    expectTokens({
        {"<a/>", "<a@1:1 /a@1:1"},
        {"<a>\r\n<b/>\r<c/>\n</a>", "<a@1:1 <b@2:1 /b@2:1 <c@3:1 /c@3:1 /a@4:1"},
        {"<a>\r\rx\r\n\r\ny</a>", "<a@1:1 \"xy\"@1:4 /a@5:2"},
        {"\xEF\xBB\xBF<a>x</a>", "<a@1:1 \"x\"@1:4 /a@1:5"},
        {"<a>\xC3\xA9</a>", "<a@1:1 !invalid character at row: 1, column: 4"},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?><a>\xE2\x82\xAC<b/></a>",
         "<a@1:39 \"\xE2\x82\xAC\"@1:42 <b@1:43 /b@1:43 /a@1:47"},
        {"<?xml\r\n  version=\"1.0\"\n\r?>\n<a>&bad;</a>", "<a@5:1 !invalid character reference at row: 5, column: 4"},
        {"<?xml version=\"1.0\"\r\r\n?><a/>", "<a@3:3 /a@3:3"},
        {"<a x='1'\n/ >", "<a@1:1 x=\"1\" !expected '>' but found ' ' at row: 2, column: 2"},
        {"<a x='1'\r\n y='2'\r\n>\r\n\t<b/></a>", "<a@1:1 x=\"1\" ^y=\"2\" <b@4:2 /b@4:2 /a@4:6"},
        {"<a>\r\n\xEF\xBB\xBF\xC3\xA9</a>", "<a@1:1 !invalid character at row: 2, column: 1"},
    }, kPositions);
}

TEST(ReaderEncodings, StartOfDocumentAndDeclaration) {
    expectTokens({
        {"", "!unexpected end-of-file at row: 1, column: 1"},
        {"\xEF\xBB\xBF", "!unexpected end-of-file at row: 1, column: 1"},
        {"\xEF", "!invalid encoding prefix at row: 1, column: 1"},
        {"\xEF\xBBX<a/>", "!invalid encoding prefix at row: 1, column: 1"},
        {" <a/>", "!invalid character at row: 1, column: 1"},
        {"\xEF\xBB\xBF\xEF\xBB\xBF<a/>", "!invalid character at row: 1, column: 1"},
        {"<", "!unexpected end-of-file at row: 1, column: 2"},
        {"<?", "!unexpected end-of-file at row: 1, column: 3"},
        {"<?xml", "!unexpected character at row: 1, column: 6"},
        {"<?xml1", "!unexpected character at row: 1, column: 6"},
        {"<?xm version", "!expected 'xml' but found 'xm' at row: 1, column: 5"},
        {"<?XML version", "!expected 'xml' but found 'XML' at row: 1, column: 6"},
        {"<?xml versio=", "!expected 'version' but found 'versio' at row: 1, column: 13"},
        {"<?xml version", "!unexpected end-of-file at row: 1, column: 14"},
        {"<?xml version:x", "!expected 'version' but found 'version:x' at row: 1, column: 16"},
        {"<?xml version \"1\"", "!expected '=' but found '\"' at row: 1, column: 15"},
        {"<?xml version='1.0'?>", "!expected '\"' but found ''' at row: 1, column: 15"},
        {"<?xml version=\"1 0\"?>", "!unexpected character at row: 1, column: 17"},
        {"<?xml version=\"1.0", "!unexpected end-of-file at row: 1, column: 19"},
        {"<?xml version=\"1.0\" standalone=\"yes\"?>",
         "!expected 'encoding' but found 'standalone' at row: 1, column: 31"},
        {"<?xml version=\"1.0\" 1?>", "!unexpected character at row: 1, column: 21"},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "!unknown encoding type 'UTF-8' at row: 1, column: 31"},
        {"<?xml version=\"1.0\" encoding=\"\"?>", "!unknown encoding type '' at row: 1, column: 31"},
        {"<?xml version=\"1.0\" encoding=\"utf-8'?>", "!unexpected character at row: 1, column: 36"},
        {"<?xml version=\"1.0\" encoding=\"utf-8\" x?>", "!expected '?' but found 'x' at row: 1, column: 38"},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"", "!unexpected end-of-file at row: 1, column: 37"},
        {"<?xml version=\"1.0\"? >", "!expected '>' but found ' ' at row: 1, column: 21"},
        {"<?xml version=\"1.0\"?", "!unexpected end-of-file at row: 1, column: 21"},
        {"<?xml version=\"1.0\"\xC3\xA9", "!unexpected character at row: 1, column: 20"},
        {"<?xml version=\"1.0\" ?>", ""},
        {"<?xml version = \"\" encoding = \"utf-8\" ?><a/>", "<a /a"},
    });
}

// The byte-order mark or the declared encoding chooses UTF-8; anything else is read as 7-bit.
TEST(ReaderEncodings, ChoiceOfDecodingAndDecoders) {
    const std::string utf8 = "\xEF\xBB\xBF<a>";
    expectModel({
        {"\xEF\xBB\xBF<a/>", "utf8:<a/>"},
        {"<?xml version=\"1.0\"?><a/>", "<a/>"},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>", "utf8:<a/>"},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>", "utf8:<a/>"},
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>", "utf8:<a/>"},
        {utf8 + "\xE0\xA4\x85</a>", "utf8:<a> \"\xE0\xA4\x85\" </a>"},  // the lowest lead of three bytes
        {utf8 + "\xC1\x81</a>", "utf8:<a> \"A\" </a>"},            // overlong forms are taken
        {utf8 + "\xEF\xBF\xBF</a>", "utf8:<a> \"\xEF\xBF\xBF\" </a>"},
        {utf8 + "\xF0\x9F\x98\x80</a>", "!invalid character at row: 1, column: 4"},
        {utf8 + "\xC3" "A</a>", "!invalid character at row: 1, column: 4"},
        {utf8 + "\x80</a>", "!invalid character at row: 1, column: 4"},
        {utf8 + "\xC3", "!invalid character at row: 1, column: 4"},
        {utf8 + "\xC0\x80</a>", "!invalid character at row: 1, column: 4"},
        {utf8 + std::string("\0</a>", 5), "!invalid character at row: 1, column: 4"},
        {"<a>\x7E</a>", "<a> \"~\" </a>"},
        {"<a>\x7F</a>", "!invalid character at row: 1, column: 4"},
        {"<a>\x80</a>", "!invalid character at row: 1, column: 4"},
        {std::string("<a>\0</a>", 8), "!invalid character at row: 1, column: 4"},
        {"<a x='\xC3\xA9'/>", "!invalid character at row: 1, column: 7"},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?><a x='\xC3\xA9'/>", "utf8:<a x=\"\xC3\xA9\"/>"},
        // A surrogate decoded from UTF-8 is one code unit; it cannot be written back as UTF-8.
        {utf8 + "\xED\xA0\x80</a>", "!Invalid UTF-16"},
        {"\xEF\xBB\xBF<a\xC1\x81/>", "utf8:<aA/>"},  // an overlong letter still belongs to the name
    });
}

TEST(ReaderTags, NamesTagsAndComments) {
    expectTokens({
        {"<a/>", "<a /a"},
        {"<a></a >", "<a /a"},
        {"<a></a\r\n>", "<a /a"},
        {"<a></ a>", "<a !unexpected character at row: 1, column: 6"},
        {"<a-b/>", "<a !unexpected character at row: 1, column: 3"},
        {"<a.b/>", "<a !unexpected character at row: 1, column: 3"},
        {"<_a/>", "!unexpected character at row: 1, column: 2"},
        {"<1a/>", "!unexpected character at row: 1, column: 2"},
        {"<a1:b_2/>", "<a1:b_2 /a1:b_2"},
        {"<a/ >", "<a !expected '>' but found ' ' at row: 1, column: 4"},
        {"<a></a x>", "<a !expected '>' but found 'x' at row: 1, column: 8"},
        {"<a><?pi?></a>", "<a !unexpected character at row: 1, column: 5"},
        {"<a", "!unexpected end-of-file at row: 1, column: 3"},
        {"<a ", "<a !unexpected end-of-file at row: 1, column: 4"},
        {"<a>", "<a"},
        {"<a></a", "<a !unexpected end-of-file at row: 1, column: 7"},
        {"<a>\n<b\x0B/></a>", "<a <b !unexpected character at row: 2, column: 3"},
        {"<a><!-- a -- b --></a>", "<a ! a -- b  /a"},
        {"<a><!-- a ---> x --></a>", "<a ! a ---> x  /a"},
        {"<a><!----></a>", "<a ! /a"},
        {"<a><!--x\r\ny &amp;--></a>", "<a !x\ny &amp; /a"},
        {"<a><!-x--></a>", "<a !expected '-' but found 'x' at row: 1, column: 7"},
        {"<a><!DOCTYPE a></a>", "<a !expected '-' but found 'D' at row: 1, column: 6"},
        {"<a><![CDATA[x]]></a>", "<a !expected '-' but found '[' at row: 1, column: 6"},
        {"<a><!-- x -", "<a !unexpected end-of-file at row: 1, column: 12"},
    });
}

TEST(ReaderAttributes, ValuesFlagsAndErrors) {
    expectTokens({
        {"<a x = '1'y=\"2\"/>", "<a x=\"1\" y=\"2\" /a"},
        {"<a\n x='1'\r\n\ty='2' z='3'/>", "<a ^x=\"1\" ^y=\"2\" z=\"3\" /a"},
        {"<a x='1' x='2'></a>", "<a x=\"1\" x=\"2\" /a"},
        {"<a x='\"<>' y=\"'\"/>", "<a x=\"\"<>\" y=\"'\" /a"},
        {"<a x='one\n    two'/>", "<a x=\"onetwo\" /a"},
        {"<a x=' x '/>", "<a x=\" x \" /a"},
        {"<a x='x \t\r\n \ty'/>", "<a x=\"xy\" /a"},
        {"<a x='\n x'/>", "<a x=\"x\" /a"},
        {"<a x='a\tb'/>", "<a x=\"a\tb\" /a"},
        {"<a x='&lt;&#65;&#x20;'/>", "<a x=\"<A \" /a"},
        {"<a x=''/>", "<a x=\"\" /a"},
        {"<a x \"1\"/>", "<a !expected '=' but found '\"' at row: 1, column: 6"},
        {"<a x=1/>", "<a !expected '\"' or ''' but found '1' at row: 1, column: 7"},
        {"<a x=", "<a !unexpected end-of-file at row: 1, column: 6"},
        {"<a x=\"", "<a !unexpected end-of-file at row: 1, column: 7"},
        {"<a x=\"1", "<a !unexpected end-of-file at row: 1, column: 8"},
        {"<a x=\"1\"", "<a !unexpected end-of-file at row: 1, column: 9"},
        {"<a x='1'/", "<a x=\"1\" !unexpected end-of-file at row: 1, column: 10"},
    });
    // Start tags read with next() alone: attributes are still read, checked and dropped.
    expectTokens({
        {"<a x='1'/>", "<a /a"},
        {"<a x='1'><b y='2'>t</b></a>", "<a <b \"t\" /b /a"},
        {"<a x=1/>", "<a !expected '\"' or ''' but found '1' at row: 1, column: 7"},
        {"<a x='1' y/>", "<a !expected '=' but found '/' at row: 1, column: 11"},
    }, {false, false});
}

TEST(ReaderText, FoldingAndTrimming) {
    expectTokens({
        {"<a>  Hello   world  </a>", "<a \"Hello   world\" /a"},
        {"<a>first line\n   second line</a>", "<a \"first linesecond line\" /a"},
        {"<a>x \t\r\n \t y</a>", "<a \"xy\" /a"},
        {"<a>x\ty</a>", "<a \"x\ty\" /a"},
        {"<a>\x0B\x0Cx\x0B</a>", "<a \"x\" /a"},
        {"<a>x&#10;y</a>", "<a \"x\ny\" /a"},
        {"<a>&#10;</a>", "<a /a"},
        {"<a>x&#10;\ny</a>", "<a \"xy\" /a"},
        {"<a>x&#32;</a>", "<a \"x\" /a"},
        {"<a>\xEF\xBB\xBF</a>", "<a !invalid character at row: 1, column: 4"},
        {"\xEF\xBB\xBF<a>\xC2\xA0x\xC2\xA0</a>", "<a \"\xC2\xA0x\xC2\xA0\" /a"},  // no-break space is not white space
        {"<a>x<!--c-->y</a>", "<a \"x\" !c \"y\" /a"},
        {"<a>it's \"quoted\" > 2</a>", "<a \"it's \"quoted\" > 2\" /a"},
        {"<a/>  \n  \r\n", "<a /a"},
        {"<a/>x", "<a /a !unexpected end-of-file at row: 1, column: 6"},
        {"<a/>x ", "<a /a !unexpected end-of-file at row: 1, column: 7"},
        {"<a>text", "<a !unexpected end-of-file at row: 1, column: 8"},
        {"<a>text\n", "<a !unexpected end-of-file at row: 2, column: 1"},
    });
}

TEST(ReaderText, References) {
    expectTokens({
        {"<a>&lt;&gt;&amp;&quot;&apos;</a>", "<a \"<>&\"'\" /a"},
        {"<a>&#65;&#x041;&#x0000000041;&#0065;</a>", "<a \"AAAA\" /a"},
        {"<a>&#xffff;&#xFFFE;&#xaA;&#1;</a>", "<a \"\xEF\xBF\xBF\xEF\xBF\xBE\xC2\xAA\x01\" /a"},
        {"<a>&am", "<a !unexpected end-of-file at row: 1, column: 7"},
        {"<a>&#12", "<a !unexpected end-of-file at row: 1, column: 8"},
        {"<a>\n  &bad;</a>", "<a !invalid character reference at row: 2, column: 3"},
    });
    for (const char* bad : {"&AMP;", "&#X41;", "&#;", "&#x;", "&#0;", "&#x0;", "&#65536;", "&#x10000;",
                            "&nbsp;", "&amp</a>", "&ap;", "&#6a;", "&#99999999999999999999999;", "&#-1;", "& ;"}) {
        EXPECT_EQ(trace::tokens(std::string("<a>xy") + bad + "</a>"),
                  "<a !invalid character reference at row: 1, column: 6") << bad;
    }
    // A character reference to a surrogate is one code unit, kept as it is.
    xml::CXmlDocument document;
    const std::string surrogate = "<a>&#xD800;</a>";
    document.parse(surrogate.data(), surrogate.data() + surrogate.size());
    EXPECT_EQ(document.root->firstChild()->asText()->text, WideString(1, WideChar(0xD800)));
}

TEST(ReaderDocument, RootAndEndTagRules) {
    expectModel({
        {"<a>", "!no ending tag found for element at row: 1, column: 1 at row: 1, column: 1"},
        {"<a>\n", "!no ending tag found for element at row: 1, column: 1 at row: 1, column: 4"},
        {"<a>\n <b>x</b>\n  ", "!no ending tag found for element at row: 1, column: 1 at row: 2, column: 10"},
        {"<a>x", "!unexpected end-of-file at row: 1, column: 5"},
        {"<a></b>", "!invalid ending tag found for element at row: 1, column: 1 at row: 1, column: 4"},
        {"<a>\n  <b></B></a>", "!invalid ending tag found for element at row: 2, column: 3 at row: 2, column: 6"},
        {"<?xml version=\"1.0\"?>", "(no root)"},
        {"<?xml version=\"1.0\"?>\n  \r\n", "(no root)"},
        {"<?xml version=\"1.0\"?>text<a/>", "!no root element found at row: 1, column: 22"},
        {"<?xml version=\"1.0\"?>\n<!--c--><a/>", "!no root element found at row: 2, column: 1"},
        {"<?xml version=\"1.0\"?></a>", "!no root element found at row: 1, column: 22"},
        {"<a/><!--c-->", "!more than one root element found at row: 1, column: 1"},
        {"<a></a><b/>", "!more than one root element found at row: 1, column: 4"},
        {"<a></a>\n<b/>", "!more than one root element found at row: 1, column: 4"},
        {"<a>x</a>\n \r\n", "<a> \"x\" </a>"},
        {"<a x='1' y='2' x='3'><b/>t<!--c-->u<c>v</c></a>",
         "<a x=\"1\" y=\"2\" x=\"3\"> <b/> \"t\" \"u\" <c> \"v\" </c> </a>"},
    });
    expectModel({
        {"<a x='1'\n  y='2'>\n  <b/>text\n</a>", "<a@1:1 x=\"1\" ^y=\"2\"> <b@3:3/> \"text\"@3:7 </a>"},
    }, kPositions);
}

TEST(ReaderDocument, ParsingAgainReplacesTheRoot) {
    xml::CXmlDocument document;
    const std::string first = "<a/>", second = "<b/>";
    document.parse(first.data(), first.data() + first.size());
    document.parse(second.data(), second.data() + second.size());
    EXPECT_EQ(trace::dump(*document.root), "<b/>");
}

}  // namespace
