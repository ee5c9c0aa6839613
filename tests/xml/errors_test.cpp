#include "xml/errors.h"

#include <gtest/gtest.h>
#include <utf8cpp/utf8.h>

#include "support/wide.h"
#include "xml/model.h"

namespace xml {
namespace {

TEST(Errors, LocationTextPrintsOneBasedPlainDecimal) {
    const struct { SourcePos position; const char* text; } cases[] = {
        {{0, 0}, "row: 1, column: 1"},
        {{0, 4}, "row: 1, column: 5"},
        {{2, 0}, "row: 3, column: 1"},
        {{1233455, 99999}, "row: 1233456, column: 100000"},
        {{2147483646, 0}, "row: 2147483647, column: 1"},
    };
    for (const auto& c : cases) EXPECT_EQ(locationText(c.position), W(c.text)) << c.text;
}

TEST(Errors, ParseErrorCarriesMessageAndPosition) {
    const struct { const char* message; SourcePos position; const char* what; } cases[] = {
        {"unexpected end-of-file", {0, 0}, "unexpected end-of-file at row: 1, column: 1"},
        {"expected '>' but found '\xC3\xA9'", {3, 17}, "expected '>' but found '\xC3\xA9' at row: 4, column: 18"},
        {"unknown encoding type '\xF0\x9F\x98\x80'", {0, 30}, "unknown encoding type '\xF0\x9F\x98\x80' at row: 1, column: 31"},
        {"invalid ending tag found for element at row: 1, column: 2", {5, 1},
         "invalid ending tag found for element at row: 1, column: 2 at row: 6, column: 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            throw parse_error(W(c.message), c.position);
        } catch (const gen_exception& caught) {
            // Thrown by value and caught through the base: the copy keeps the position.
            const auto& error = dynamic_cast<const parse_error&>(caught);
            EXPECT_STREQ(error.what(), c.what);
            EXPECT_EQ(error.row, c.position.row);
            EXPECT_EQ(error.column, c.position.column);
        }
    }
}

TEST(Errors, MessageThatIsNotUtf16FailsInTheConversion) {
    for (WideChar lone : {WideChar(0xD800), WideChar(0xDC00)}) {
        WideString message = W("expected '=' but found '") + lone + W("'");
        try {
            parse_error error(message, {0, 0});
            ADD_FAILURE() << "no exception for a lone surrogate " << int(lone);
        } catch (const utf8::invalid_utf16& caught) {
            EXPECT_STREQ(caught.what(), "Invalid UTF-16");
        }
    }
}

TEST(Errors, NodeLocationTextQuotesTheSourceName) {
    CXmlNodeText node(W("x"));
    node.position = {2, 0};
    EXPECT_EQ(nodeLocationText(node, W("config.xml").c_str()), W("\"config.xml\" at row: 3, column: 1"));
    EXPECT_EQ(nodeLocationText(node, nullptr), W("\"<source>\" at row: 3, column: 1"));
    EXPECT_EQ(nodeLocationText(node, W("").c_str()), W("\"\" at row: 3, column: 1"));
    EXPECT_EQ(nodeLocationText(node, W("донные.xml").c_str()), W("\"донные.xml\" at row: 3, column: 1"));
}

}  // namespace
}  // namespace xml
