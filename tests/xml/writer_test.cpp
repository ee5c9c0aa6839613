#include "xml/writer.h"

#include <iterator>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <utf8cpp/utf8.h>

#include "support/round_trip.h"
#include "support/trace.h"
#include "xml/errors.h"
#include "xml/utf.h"
#include "support/wide.h"

namespace xml {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::unique_ptr<CXmlDocument> read(const std::string& text) {
    auto document = std::make_unique<CXmlDocument>();
    document->parse(text.data(), text.data() + text.size());
    return document;
}

// What writeXml leaves in the stream, and the error text if it threw.
std::string written(const CXmlNode& node, const CXmlDocument& document, unsigned depth = 0) {
    std::ostringstream out;
    try {
        node.writeXml(out, document, depth);
    } catch (const std::exception& error) {
        return out.str() + "!" + error.what();
    }
    return out.str();
}

std::string rewritten(const std::string& text) {
    const auto document = read(text);
    return written(*document->root, *document);
}

TEST(Writer, LayoutQuotesAndEscapes) {
    const struct { const char* input; const char* output; } cases[] = {
        {"<a/>", "<a />"},
        {"<a>one line</a>", "<a>one line</a>"},
        {"<a><b>x</b><c/></a>", "<a>\n\t<b>x</b>\n\t<c />\n</a>"},
        {"<a x='1'\n y='2' z='3'/>", "<a x=\"1\"\n\ty=\"2\" z=\"3\"\n/>"},
        {"<a\n x='1'>t</a>", "<a\n\tx=\"1\"\n>\n\tt\n\n</a>"},
        {"<a>x<b/></a>", "<a>\n\tx\n\n\t<b />\n</a>"},
        {"<a>x&#10;y</a>", "<a>\n\tx\n\ty\n</a>"},
        {"<a><b>x&#10;y&#13;</b></a>", "<a>\n\t<b>\n\t\tx\n\t\ty\n\t</b>\n</a>"},
        {"<a>&lt;&amp;&gt;\"'</a>", "<a>&lt;&amp;&gt;\"'</a>"},
        {"<a v='a\"b' w=\"a'b\" x='x&amp;y&gt;' y=\"&quot;&quot;'\" z='&lt;\"' q=\"&lt;'\"/>",
         "<a v='a\"b' w=\"a'b\" x=\"x&amp;y>\" y='\"\"&apos;' z='&lt;\"' q=\"&lt;'\" />"},
        {"<a v=\"&quot;'\"/>", "<a v=\"&quot;'\" />"},
        {"\xEF\xBB\xBF<a v='\xC3\xA9'>\xE2\x82\xAC</a>", "<a v=\"\xC3\xA9\">\xE2\x82\xAC</a>"},
        // What must be escaped or encoded in the last characters, past the blocks taken at once.
        {"<a v='123456789&amp;' w='abc\"'>1234567890123456789&gt;</a>",
         "<a v=\"123456789&amp;\" w='abc\"'>1234567890123456789&gt;</a>"},
        {"<a><b>1234567890&gt;23456789012345&#10;</b></a>", "<a>\n\t<b>1234567890&gt;23456789012345</b>\n</a>"},
        {"\xEF\xBB\xBF<a v='1234567\xC3\xA9'>123456789\xC3\xA9</a>", "<a v=\"1234567\xC3\xA9\">123456789\xC3\xA9</a>"},
        // Short texts beyond ASCII: escapes, DEL, a line break, a surrogate pair.
        {"\xEF\xBB\xBF<a>\xC3\xA9 &lt;x&gt; \xE2\x82\xAC&amp;&#127;</a>", "<a>\xC3\xA9 &lt;x&gt; \xE2\x82\xAC&amp;\x7F</a>"},
        {"\xEF\xBB\xBF<a>\xC3\xA9&#10;x</a>", "<a>\n\t\xC3\xA9\n\tx\n</a>"},
        {"\xEF\xBB\xBF<a>\xC3\xA9&#xD83D;&#xDE00;</a>", "<a>\xC3\xA9\xF0\x9F\x98\x80</a>"},
    };
    for (const auto& c : cases) EXPECT_EQ(rewritten(c.input), c.output) << c.input;
}

TEST(Writer, TextsAreTrimmedAndLoseCarriageReturns) {
    CXmlDocument document;
    CXmlNodeElement element(W("a"));
    element.addChild(new CXmlNodeText(W(" \t x \r\n y \v ")));
    EXPECT_EQ(written(element, document, 1), "\t<a>\n\t\tx \n\t\t y\n\t</a>");
    EXPECT_EQ(written(CXmlNodeText(W("  t  ")), document, 2), "\t\tt\n");
}

TEST(Writer, LegacyFailureLeavesWhatCameBefore) {
    const char* const error = "!character string cannot be expressed in legacy encoding";
    const struct { const char* input; const char* before; } cases[] = {
        {"<a x='1' y='&#233;'/>", "<a x=\"1\" y="},
        {"<a\n y='&#233;'/>", "<a\n\ty="},
        {"<a>&#127;</a>", "<a>"},
        {"<a><b/>&#233;</a>", "<a>\n\t<b />\n\t"},
    };
    for (const auto& c : cases) EXPECT_EQ(rewritten(c.input), std::string(c.before) + error) << c.input;
    CXmlDocument legacy;
    EXPECT_EQ(written(CXmlNodeElement(W("\xC3\xA9")), legacy, 2), std::string("\t\t<") + error);
    const auto utf8 = read(kBom + "<a>&#xD800;</a>");
    EXPECT_EQ(written(*utf8->root, *utf8), "<a>!Invalid UTF-16");
}

// The encoder takes text without surrogates itself and the rest through UTF8-CPP: both must
// give that library's bytes and exceptions.
TEST(Writer, Utf8EncodingAgreesWithUtf8Cpp) {
    const std::vector<std::vector<unsigned>> texts = {
        {},      {'p', 'l', 'a', 'i', 'n'}, {0xE9, 't', 0x7FF, 0x800}, {0xFFFF, 0xE000, 0xD7FF},
        {'a', 0xD83D, 0xDE00, 'b'},        {0xD800},                  {'x', 0xDC00},
        {0xD800, 'x'},                     {0xE9, 0xDBFF}};
    const auto encoded = [](auto encode) {
        try {
            return encode();
        } catch (const utf8::invalid_utf16& error) {
            return "!" + std::to_string(error.utf16_word());
        }
    };
    for (const std::vector<unsigned>& units : texts) {
        const WideString wide(units.begin(), units.end());
        EXPECT_EQ(encoded([&] { return toUtf8(wide); }), encoded([&] {
                      std::string bytes;
                      utf8::utf16to8(wide.begin(), wide.end(), std::back_inserter(bytes));
                      return bytes;
                  })) << testing::PrintToString(wide);
    }
}

// A stream whose flushes fail: the writer neither stops nor throws; the stream records it.
TEST(Writer, StreamFailuresStayInTheStream) {
    struct FailingFlush : std::stringbuf {
        int sync() override { return -1; }
    } buffer;
    std::ostream out(&buffer);
    const auto document = read("<a><b/><c/></a>");
    EXPECT_NO_THROW(document->root->writeXml(out, *document, 0));
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(buffer.str(), "<a>\n");
}

// Seeded documents of every shape the reader takes: nesting, attributes on their own lines,
// quotes, references, folded line breaks, comments, both encodings.
class Corpus {
public:
    explicit Corpus(unsigned seed) : random(seed) {}

    std::string next() {
        utf8 = pick(4) >= 2;
        const std::string start[] = {"", "<?xml version=\"1.0\"?>\n", kBom, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"};
        return start[utf8 ? 2 + pick(2) : pick(2)] + element(0);
    }

private:
    unsigned pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(random); }
    template <std::size_t N>
    std::string any(const char* const (&choices)[N]) { return choices[pick(N)]; }

    std::string piece(char quote) {
        static const char* const pieces[] = {"abc", "Z9", " ", "\t", "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", ">",
                                             "\n   ", "\r\n\t", "&#10;", "&#13;", "&#32;", "&#233;", "\"", "'", "\x0B"};
        std::string p = any(pieces);
        if (p.size() == 1 && p[0] == quote) return "&amp;";
        if (p == "&#233;" && pick(2)) return utf8 ? "\xC3\xA9\xE2\x82\xAC" : "e";
        if (p == "\t" && !pick(8)) return "&#xD800;";
        return p;
    }

    std::string element(int depth) {
        const std::string name = any({"a", "Item", "x1", "n_s:t"});
        std::string text = "<" + name;
        for (unsigned count = pick(4), i = 0; i < count; ++i) {
            const char quote = pick(2) ? '"' : '\'';
            text += any({" ", "\n  ", "\r\n\t", " \t"}) + any({"v", "w", "id"}) + "=" + quote;
            for (unsigned n = pick(5), j = 0; j < n; ++j) text += piece(quote);
            text += quote;
        }
        if (depth > 3 || !pick(4)) return text + "/>";
        text += ">";
        for (unsigned count = pick(5), i = 0; i < count; ++i) {
            switch (pick(4)) {
            case 0: text += element(depth + 1); break;
            case 1: text += "<!-- c -->"; break;
            default:
                for (unsigned n = 1 + pick(4), j = 0; j < n; ++j) text += piece('<');
            }
        }
        return text + "</" + name + ">";
    }

    std::mt19937 random;
    bool utf8 = false;
};

// Exactly the documents of those shapes change; every other one comes back the same, and is
// written again byte for byte. (UTF-8 output is read back with a byte-order mark in front.)
TEST(Writer, RoundTripKeepsTheModelAndItsBytes) {
    Corpus corpus(20261207);
    int accepted = 0, changed = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string source = corpus.next();
        std::unique_ptr<CXmlDocument> first;
        try {
            first = read(source);
        } catch (const parse_error&) {
            continue;
        }
        ++accepted;
        const bool expectChange = round_trip::mayChange(*first->root, first->utf8);
        changed += expectChange;
        const std::string bytes = written(*first->root, *first);
        std::unique_ptr<CXmlDocument> second;
        try {
            second = read((first->utf8 ? kBom : "") + bytes);
        } catch (const parse_error&) {
        }
        const bool same = second && trace::dump(*first->root) == trace::dump(*second->root);
        EXPECT_NE(same, expectChange) << source << "\nwritten:\n" << bytes;
        if (same) {
            EXPECT_EQ(written(*second->root, *second), bytes) << source;
        }
    }
    // The corpus must exercise both sides of the property.
    EXPECT_GT(accepted, 2500);
    EXPECT_GT(changed, accepted / 10);
    EXPECT_LT(changed, accepted * 3 / 4);
}

}  // namespace
}  // namespace xml
