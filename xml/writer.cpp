#include "xml/writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>

#include "xml/utf.h"
#include "xml/values.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace xml {
namespace {

bool isSpace(WideChar c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr bool isTextSpecial(WideChar c) { return c == '&' || c == '<' || c == '>' || c == '\r' || c == '\n'; }

// The characters from 1 to 126 that text is written with unchanged: all but "&", "<", ">" and
// the line breaks.
constexpr std::array<bool, 128> kCopiedInText = [] {
    std::array<bool, 128> table{};
    for (int c = 1; c <= 126; ++c) table[c] = !isTextSpecial(static_cast<WideChar>(c));
    return table;
}();

#ifdef __SSE2__
// A mask with two bits set for each of the eight units that is from 1 to 126 and none of
// `excluded`: 0xFFFF when all are. Units of 0x8000 and above compare as negative, so fall
// outside 1 to 126 too.
template <char... excluded>
int plainUnits(__m128i units) {
    __m128i plain = _mm_and_si128(_mm_cmpgt_epi16(units, _mm_setzero_si128()), _mm_cmplt_epi16(units, _mm_set1_epi16(127)));
    ((plain = _mm_andnot_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(excluded)), plain)), ...);
    return _mm_movemask_epi8(plain);
}

// For sixteen units narrowed to bytes with unsigned saturation (so that every unit above 0xFF
// becomes 0 or 0xFF): a mask with a bit set for each that is from 1 to 126 and none of
// `excluded`, 0xFFFF when all are; their bytes are then the units written as they are.
template <char... excluded>
int plainBytes(__m128i bytes) {
    __m128i plain = _mm_andnot_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(127)), _mm_cmpgt_epi8(bytes, _mm_setzero_si128()));
    ((plain = _mm_andnot_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(excluded)), plain)), ...);
    return _mm_movemask_epi8(plain);
}
#endif

// A character from U+0080 to U+FFFF, not a surrogate, in UTF-8; returns the end of its bytes.
char* putUtf8(std::uint32_t c, char* to) {
    if (c < 0x800) {
        *to++ = static_cast<char>(0xC0 | (c >> 6));
    } else {
        *to++ = static_cast<char>(0xE0 | (c >> 12));
        *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *to++ = static_cast<char>(0x80 | (c & 0x3F));
    return to;
}

// Characters that both encodings write as the same single byte, without any check failing.
bool isPlainAscii(WideStringView text) {
    return std::all_of(text.begin(), text.end(), [](WideChar c) { return c >= 1 && c <= 126; });
}

// Gathers the small pieces of one stretch of output and hands them to the stream in few
// writes: the stream's per-call cost would otherwise be paid for every character. Each piece
// is encoded completely before any of it is gathered, and whatever was gathered is written
// before an exception leaves (see `writing`), so the stream always holds exactly the pieces
// that came before a failure, as if each had been written by itself.
//
// The buffer lives in the frames of the non-recursive helpers below, never in a frame that
// stays on the stack while children are written: deep trees must not cost more stack.
class Output {
public:
    explicit Output(std::ostream& out) : out(out) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void put(char c) {
        if (used == kCapacity) writeOut();
        buffer[used++] = c;
    }
    void append(std::string_view bytes) {
        if (bytes.size() > kCapacity - used) {
            writeOut();
            if (bytes.size() > kCapacity) {
                out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
                return;
            }
        }
        std::memcpy(buffer + used, bytes.data(), bytes.size());
        used += bytes.size();
    }
    void tabs(unsigned count) {
        for (unsigned i = 0; i < count; ++i) put('\t');
    }
    // A line feed and a flush of the stream.
    void endLine() {
        put('\n');
        writeOut();
        out.flush();
    }
    // Appends `before`, the text and `after` when the text is plain ASCII (1 to 126) without any
    // of the characters `excluded` lists and all of it fits in the buffer; otherwise appends
    // nothing. Copies and checks in one pass, eight characters a step where SSE2 is there, and
    // takes the copy back when the text was not plain after all. (Writing through locals: a
    // store of a char could otherwise change any member.)
    template <char... excluded>
    bool appendPlain(std::string_view before, WideStringView text, std::string_view after) {
        if (before.size() + text.size() + after.size() > kCapacity - used) return false;
        char* const to = buffer + used + before.size();
        const WideChar* const from = text.data();
        const std::size_t size = text.size();
        const auto copyEach = [&] {
            for (std::size_t i = 0; i < size; ++i) {
                const WideChar c = from[i];
                if (c < 1 || c > 126 || ((c == excluded) || ...)) return false;
                to[i] = static_cast<char>(c);
            }
            return true;
        };
#ifdef __SSE2__
        // Blocks of eight units, or of four for short texts, the last one overlapping the one before.
        static_assert(sizeof(WideChar) == 2);
        const auto copy8 = [&](std::size_t at) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at));
            if (plainUnits<excluded...>(units) != 0xFFFF) return false;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(to + at), _mm_packus_epi16(units, units));
            return true;
        };
        const auto copy4 = [&](std::size_t at) {
            const __m128i units = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + at));
            if ((plainUnits<excluded...>(units) & 0xFF) != 0xFF) return false;
            const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(units, units));
            std::memcpy(to + at, &bytes, sizeof bytes);
            return true;
        };
        if (size >= 8) {
            for (std::size_t at = 0; at + 8 <= size; at += 8)
                if (!copy8(at)) return false;
            if (size % 8 != 0 && !copy8(size - 8)) return false;
        } else if (size >= 4) {
            if (!copy4(0) || !copy4(size - 4)) return false;
        } else if (!copyEach()) {
            return false;
        }
#else
        if (!copyEach()) return false;
#endif
        if (!before.empty()) std::memcpy(buffer + used, before.data(), before.size());  // an empty view may hold null
        if (!after.empty()) std::memcpy(to + size, after.data(), after.size());
        used += before.size() + size + after.size();
        return true;
    }
    // Appends the text escaped and encoded as UTF-8, as escapeText writes a text without line
    // breaks or white space at either end, when it holds no line break and no surrogate and
    // its longest encoding fits in the buffer; otherwise appends nothing. Saves the short texts
    // with a character beyond ASCII a string of their own.
    bool appendEscapedUtf8(WideStringView text) {
        if (text.size() > (kCapacity - used) / kLongestEscape) return false;
        char* to = buffer + used;
        for (const WideChar c : text) {
            if (c < 0x80) {
                if (c == 0 || c == 0x7F || kCopiedInText[c]) {
                    *to++ = static_cast<char>(c);
                    continue;
                }
                const std::string_view escape = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : "";
                if (escape.empty()) return false;  // a line break
                std::memcpy(to, escape.data(), escape.size());
                to += escape.size();
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                return false;
            } else {
                to = putUtf8(c, to);
            }
        }
        used = static_cast<std::size_t>(to - buffer);
        return true;
    }
    // The text encoded as `document` says: plain ASCII is copied as it is (both encodings
    // leave it unchanged); anything else goes through encodeForDocument, which may throw.
    void encoded(const CXmlDocument& document, WideStringView text) {
        if (appendPlain({}, text, {})) return;
        if (!isPlainAscii(text)) {
            append(encodeForDocument(document, text));
            return;
        }
        for (std::size_t done = 0; done < text.size();) {  // plain, but more than the room left
            if (used == kCapacity) writeOut();
            const std::size_t count = std::min(text.size() - done, kCapacity - used);
            for (std::size_t i = 0; i < count; ++i) buffer[used + i] = static_cast<char>(text[done + i]);
            used += count;
            done += count;
        }
    }
    void writeOut() {
        if (used == 0) return;
        const std::size_t count = used;
        used = 0;
        out.write(buffer, static_cast<std::streamsize>(count));
    }

private:
    static constexpr std::size_t kCapacity = 512;
    static constexpr std::size_t kLongestEscape = 5;  // "&amp;"; a character takes at most 3 bytes in UTF-8
    std::ostream& out;
    std::size_t used = 0;
    char buffer[kCapacity];
};

// Runs `write` on an Output over `out` and writes what it gathered, also when it throws.
template <class Write>
void writing(std::ostream& out, Write write) {
    Output output(out);
    try {
        write(output);
    } catch (...) {
        output.writeOut();
        throw;
    }
    output.writeOut();
}

void writeAttribute(Output& output, const CXmlDocument& document, const CXmlAttribute& attribute,
                    std::string& escaped) {
    output.encoded(document, attribute.name);
    output.put('=');
    const WideStringView value = attribute.value;
    // Nothing to escape, no quote to choose, nothing that could fail to encode: the common case.
    if (output.appendPlain<'"', '\'', '&', '<'>("\"", value, "\""))
        return;
    const auto quote = static_cast<char>(escapeAttributeValue(document, value, escaped));
    output.put(quote);
    output.append(escaped);
    output.put(quote);
}

// Tabs, the start tag and, for an element without children, its end. True when an attribute
// stands on a line of its own.
bool writeStartTag(Output& output, const CXmlDocument& document, const CXmlNodeElement& element, unsigned depth) {
    bool broken = false;
    output.tabs(depth);
    output.put('<');
    output.encoded(document, element.name);
    std::string escaped;
    for (const CXmlAttribute& attribute : element.attributes) {
        if (attribute.newlineBefore) {
            output.endLine();
            output.tabs(depth + 1);
            broken = true;
        } else {
            output.put(' ');
        }
        writeAttribute(output, document, attribute, escaped);
    }
    if (element.children.empty()) {
        if (broken) {
            output.endLine();
            output.tabs(depth);
            output.append("/>");
        } else {
            output.append(" />");
        }
        return broken;
    }
    if (broken) {
        output.endLine();
        output.tabs(depth);
    }
    output.put('>');
    return broken;
}

// The only child is a text: it follows the start tag, then the end tag.
void writeTextContent(Output& output, const CXmlDocument& document, const CXmlNodeElement& element, unsigned depth) {
    const WideStringView text = element.children.front().asText()->text;
    // The common short text of game data, plain ASCII with nothing to escape, trim or indent,
    // is copied straight into the output; escapeText writes any other the same way it would.
    // A long text is more likely to hold something to escape, which the copy finds only at its end.
    constexpr std::size_t kShortText = 128;
    if (!text.empty() && text.size() <= kShortText && !isSpace(text.front()) && !isSpace(text.back()) &&
        (output.appendPlain<'&', '<', '>', '\r', '\n'>({}, text, {}) ||
         (document.utf8 && output.appendEscapedUtf8(text)))) {
    } else {
        std::string escaped;
        if (escapeText(document, text, depth + 1, escaped)) {
            output.endLine();
            output.tabs(depth + 1);
            output.append(escaped);
            output.endLine();
            output.tabs(depth);
        } else {
            output.append(escaped);
        }
    }
    output.append("</");
    output.encoded(document, element.name);
    output.put('>');
}

// Everything of the element up to its children: the whole element when it has none or only one
// text on the start tag's line. True when children follow, each on a line of its own.
[[gnu::noinline]] bool writeOpening(std::ostream& out, const CXmlDocument& document, const CXmlNodeElement& element,
                                    unsigned depth) {
    bool childrenFollow = false;
    writing(out, [&](Output& output) {
        const bool broken = writeStartTag(output, document, element, depth);
        if (element.children.empty()) return;
        if (!broken && element.children.size() == 1 && element.children.front().kind() == TextNode) {
            writeTextContent(output, document, element, depth);
            return;
        }
        output.endLine();
        childrenFollow = true;
    });
    return childrenFollow;
}

[[gnu::noinline]] void writeEndTag(std::ostream& out, const CXmlDocument& document, const CXmlNodeElement& element,
                                   unsigned depth) {
    writing(out, [&](Output& output) {
        output.tabs(depth);
        output.append("</");
        output.encoded(document, element.name);
        output.put('>');
    });
}

void endLine(std::ostream& out) {
    out.put('\n');
    out.flush();
}

}  // namespace

std::string encodeForDocument(const CXmlDocument& document, WideStringView text) {
    if (isPlainAscii(text)) return std::string(text.begin(), text.end());  // the same in both encodings
    if (document.utf8) return toUtf8(text);
    std::string bytes;
    if (!textTo7Bit(text, bytes)) throw std::runtime_error("character string cannot be expressed in legacy encoding");
    return bytes;
}

WideChar escapeAttributeValue(const CXmlDocument& document, WideStringView value, std::string& escaped) {
    const auto doubleQuotes = std::count(value.begin(), value.end(), WideChar('"'));
    const auto apostrophes = std::count(value.begin(), value.end(), WideChar('\''));
    const auto markup = std::count_if(value.begin(), value.end(), [](WideChar c) { return c == '&' || c == '<'; });
    if (markup == 0 && (doubleQuotes == 0 || apostrophes == 0)) {
        escaped = encodeForDocument(document, value);
        return doubleQuotes == 0 ? '"' : '\'';
    }
    const WideChar quote = doubleQuotes > apostrophes ? '\'' : '"';
    WideString text;
    text.reserve(value.size() + 8);
    for (WideChar c : value) {
        if (c == '&') text += widen("&amp;");
        else if (c == '<') text += widen("&lt;");
        else if (c == quote) text += widen(quote == '"' ? "&quot;" : "&apos;");
        else text += c;
    }
    escaped = encodeForDocument(document, text);
    return quote;
}

namespace {


// escapeText through the document's text as wide characters, then encoded as a whole: the way
// for text that one of the quick passes below cannot take.
bool escapeTextGeneral(const CXmlDocument& document, WideStringView text, std::size_t start, unsigned depth,
                       std::string& escaped) {
    WideString result;
    result.reserve(text.size() - start);
    std::size_t firstLineFeed = WideString::npos;
    const auto appendAscii = [&result](const char* ascii) { result.append(ascii, ascii + std::strlen(ascii)); };
    for (auto c = text.begin() + start; c != text.end(); ++c) {
        const auto plainEnd = std::find_if(c, text.end(), isTextSpecial);  // copied as a block
        result.append(c, plainEnd);
        if ((c = plainEnd) == text.end()) break;
        switch (*c) {
        case '&': appendAscii("&amp;"); break;
        case '<': appendAscii("&lt;"); break;
        case '>': appendAscii("&gt;"); break;
        case '\r': break;
        default:  // the line feed
            if (firstLineFeed == WideString::npos) firstLineFeed = result.size();
            result += WideChar('\n');
            result.append(depth, WideChar('\t'));
        }
    }
    while (!result.empty() && isSpace(result.back())) result.pop_back();
    escaped = encodeForDocument(document, result);
    return firstLineFeed < result.size();
}

}  // namespace

// Escapes and encodes in one pass when every character encodes without a check that can fail
// (no surrogate; in a legacy document, 7-bit only); otherwise leaves it to escapeTextGeneral,
// which reports the failure as encoding the whole text reports it. The white space trimmed at
// the end is the same in bytes as in characters: no encoded character but white space ends in
// a white-space byte.
bool escapeText(const CXmlDocument& document, WideStringView text, unsigned depth, std::string& escaped) {
    std::size_t start = 0;
    while (start < text.size() && isSpace(text[start])) ++start;
    // Written through a pointer into room made ahead: a character takes at most `most` bytes
    // (an escape, or a line feed and its tabs), so that much room is checked for once per character.
    const std::size_t most = 5 + std::size_t{depth};
    std::string out(text.size() - start + most + 64, '\0');
    char* to = out.data();
    char* limit = out.data() + out.size();
    std::size_t firstLineFeed = std::string::npos;
    for (std::size_t i = start; i < text.size(); ++i) {
        if (static_cast<std::size_t>(limit - to) < most) {
            const auto used = static_cast<std::size_t>(to - out.data());
            out.resize(out.size() * 2 + most);
            to = out.data() + used;
            limit = out.data() + out.size();
        }
        // A run of characters written as they are, as far as the room reaches.
        const std::size_t runEnd = std::min(text.size(), i + static_cast<std::size_t>(limit - to) - most);
#ifdef __SSE2__
        for (; runEnd - i >= 16; i += 16, to += 16) {
            const auto* units = reinterpret_cast<const __m128i*>(text.data() + i);
            const __m128i bytes = _mm_packus_epi16(_mm_loadu_si128(units), _mm_loadu_si128(units + 1));
            if (plainBytes<'&', '<', '>', '\r', '\n'>(bytes) != 0xFFFF) break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytes);
        }
#endif
        while (i < runEnd && text[i] < 0x80 && kCopiedInText[text[i]]) *to++ = static_cast<char>(text[i++]);
        if (i == text.size()) break;
        const auto c = static_cast<std::uint32_t>(text[i]);
        if (c >= 1 && c <= 126) {
            if (!isTextSpecial(static_cast<WideChar>(c))) {
                *to++ = static_cast<char>(c);
                continue;
            }
            const auto put = [&](const char* ascii, std::size_t length) {
                std::memcpy(to, ascii, length);
                to += length;
            };
            switch (c) {
            case '&': put("&amp;", 5); break;
            case '<': put("&lt;", 4); break;
            case '>': put("&gt;", 4); break;
            case '\r': break;
            default:  // the line feed
                if (firstLineFeed == std::string::npos) firstLineFeed = static_cast<std::size_t>(to - out.data());
                *to++ = '\n';
                std::memset(to, '\t', depth);
                to += depth;
            }
        } else if (!document.utf8 || (c >= 0xD800 && c <= 0xDFFF)) {
            return escapeTextGeneral(document, text, start, depth, escaped);
        } else if (c < 0x80) {  // zero and 0x7F, encoded as themselves in UTF-8
            *to++ = static_cast<char>(c);
        } else {
            to = putUtf8(c, to);
        }
    }
    auto size = static_cast<std::size_t>(to - out.data());
    while (size > 0 && isSpace(static_cast<unsigned char>(out[size - 1]))) --size;
    out.resize(size);
    escaped = std::move(out);
    return firstLineFeed < size;
}

void CXmlNodeElement::writeXml(std::ostream& out, const CXmlDocument& document, unsigned depth) const {
    if (!writeOpening(out, document, *this, depth)) return;
    for (const CXmlNode& child : children) {
        child.writeXml(out, document, depth + 1);
        endLine(out);
    }
    writeEndTag(out, document, *this, depth);
}

void CXmlNodeText::writeXml(std::ostream& out, const CXmlDocument& document, unsigned depth) const {
    writing(out, [&](Output& output) {
        output.tabs(depth);
        std::string escaped;
        escapeText(document, text, depth, escaped);
        output.append(escaped);
        output.endLine();
    });
}

}  // namespace xml
