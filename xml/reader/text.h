#pragma once

// Character data, attribute values, references and comments. Private to the reader's
// implementation: include only from reader.cpp.

#include "xml/reader/core.h"

namespace detail {

inline bool isTextSpace(WideChar c) { return detail::charIs(detail::kTextSpace, c); }

inline void trimTrailingSpace(WideString& text) {
    std::size_t size = text.size();
    while (size > 0 && isTextSpace(text[size - 1])) --size;
    text.resize(size);
}

inline bool isAllSpace(const WideString& text) {
    for (WideChar c : text)
        if (!isTextSpace(c)) return false;
    return true;
}

inline int hexDigitValue(WideChar c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace detail

namespace xml {

// Reads up to `delimiter`. Line breaks are folded: each one drops the white space stored before
// it and, through `skip`, the white space after it. Character data (delimiter "<", pushed back)
// may end with the input when it holds nothing but white space; an attribute value (delimiter
// its quote, consumed) may not.
template <typename It>
template <class Enc>
void CXmlReader<It>::readText(WideString& out, WideChar delimiter, bool consumeDelimiter,
                              bool skipLeading) {
    using namespace detail;
    out.clear();
    bool skip = skipLeading;
    for (;;) {
        if (pending == 0 && cur != end) {
            const auto first = static_cast<unsigned char>(*cur);
            if (first != delimiter &&
                (detail::byteIs(detail::kPlainText, first) || (!skip && detail::byteIs(detail::kMarkupSpace, first)))) {
                // A run of plain ASCII goes in as a block, with the blanks inside it: once
                // something is stored, reading stores blanks as they come.
                const It runEnd = scanFrom(cur, end, [delimiter](const char* from, const char* to) {
                    return detail::skipPlainOrBlank(from, to, static_cast<char>(delimiter));
                });
                appendAscii(out, cur, runEnd);
                countCharacters(static_cast<std::size_t>(runEnd - cur));
                cur = runEnd;
                skip = false;
                if (cur == end) detail::fail(detail::kUnexpectedEof, pos);
                continue;
            }
            if (first == delimiter) {
                // The delimiter is ASCII: taking it, or leaving it unread for the next token,
                // is what reading it (and pushing it back) would leave.
                if (consumeDelimiter) {
                    ++cur;
                    countCharacters(1);
                }
                return;
            }
            if (skip && (detail::byteIs(detail::kMarkupSpace, first) || first == '\n')) {
                // Blanks being skipped. Nothing stored can end in white space while skipping,
                // so a line feed has nothing to trim.
                ++cur;
                if (first == '\n') countLineBreak();
                else countCharacters(1);
                if (cur == end) {
                    if (!consumeDelimiter && isAllSpace(out)) return;
                    detail::fail(detail::kUnexpectedEof, pos);
                }
                continue;
            }
        }
        const SourcePos saved = pos;
        const WideChar c = readChar<Enc>();
        if (c == delimiter) {
            if (!consumeDelimiter) pushBack(c, saved);
            return;
        }
        if (c == '\n') {
            trimTrailingSpace(out);
            skip = true;
        } else if (isTextSpace(c)) {
            if (!skip) out.push_back(c);
        } else {
            skip = false;
            out.push_back(c == '&' ? readReference<Enc>(saved) : c);
        }
        if (cur == end) {
            if (!consumeDelimiter && isAllSpace(out)) return;
            detail::fail(detail::kUnexpectedEof, pos);
        }
    }
}

// After "&": one of the five named references, or a decimal or ("x") hexadecimal character
// reference to a single UTF-16 code unit from 1 to 0xFFFF. Failures point at the "&".
template <typename It>
template <class Enc>
WideChar CXmlReader<It>::readReference(SourcePos ampersand) {
    const auto expect = [&](const char* rest, WideChar result) {
        for (; *rest; ++rest)
            if (readChar<Enc>() != WideChar(*rest)) detail::fail(detail::kInvalidReference, ampersand);
        return result;
    };
    const WideChar c2 = readChar<Enc>();
    switch (c2) {
    case '#': break;
    case 'a': {
        const WideChar c3 = readChar<Enc>();
        if (c3 == 'm') return expect("p;", '&');
        if (c3 == 'p') return expect("os;", '\'');
        detail::fail(detail::kInvalidReference, ampersand);
    }
    case 'q': return expect("uot;", '"');
    case 'l': return expect("t;", '<');
    case 'g': return expect("t;", '>');
    default: detail::fail(detail::kInvalidReference, ampersand);
    }

    // Any number of digits; the value saturates above 0xFFFF, as an overflowing strtoul does.
    std::uint32_t value = 0;
    bool anyDigit = false;
    const auto add = [&](std::uint32_t base, int digit) {
        anyDigit = true;
        if (value <= 0xFFFF) value = value * base + static_cast<std::uint32_t>(digit);
    };
    WideChar c = readChar<Enc>();
    if (c == 'x') {
        int digit;
        while ((digit = detail::hexDigitValue(c = readChar<Enc>())) >= 0) add(16, digit);
    } else {
        if (c < '0' || c > '9') detail::fail(detail::kInvalidReference, ampersand);
        do add(10, c - '0');
        while ((c = readChar<Enc>()) >= '0' && c <= '9');
    }
    if (c != ';' || !anyDigit || value == 0 || value > 0xFFFF)
        detail::fail(detail::kInvalidReference, ampersand);
    return static_cast<WideChar>(value);
}

// After "<!": "--", then everything up to "-->" stored raw.
template <typename It>
template <class Enc>
void CXmlReader<It>::readComment() {
    for (int dash = 0; dash < 2; ++dash) {
        const SourcePos saved = pos;
        const WideChar c = readChar<Enc>();
        if (c != '-') detail::failFound(detail::kExpectedDash, c, saved);
    }
    text.clear();
    for (;;) {
        const WideChar c = readChar<Enc>();
        if (c != '-') {
            text.push_back(c);
            continue;
        }
        const WideChar d = readChar<Enc>();
        if (d != '-') {
            text.push_back('-');
            text.push_back(d);
            continue;
        }
        const WideChar e = readChar<Enc>();
        if (e == '>') return;
        text.push_back('-');
        text.push_back('-');
        text.push_back(e);
    }
}

// Character data that reading would store unchanged: white space (line breaks too), then plain
// characters and blanks, and in UTF-8 characters of two or three bytes, on one line up to a "<".
// When the input ahead is such, takes it, leaving the "<" unread as reading does, and notes its
// range without the white space at either end; otherwise takes nothing. The white space between
// tags, line breaks and indentation, is the commonest case of all.
template <typename It>
bool CXmlReader<It>::skipPlainText() {
    using detail::byteAt;
    if (pending != 0) return false;
    // The white space is counted as it is skipped, as reading counts it: a carriage return, a
    // line feed or the pair is one line break. The count holds only if the rest qualifies.
    It p = cur;
    SourcePos after = pos;
    for (; p != end; ++p) {
        const unsigned char b = byteAt(p);
        if (detail::byteIs(detail::kMarkupSpace, b)) {
            ++after.column;
            continue;
        }
        if (b != '\n' && b != '\r') break;
        if (b == '\r' && p + 1 != end && byteAt(p + 1) == '\n') ++p;
        ++after.row;
        after.column = 0;
    }
    const It first = p;
    constexpr std::uint8_t kTextClass = detail::kPlainText | detail::kMarkupSpace;
    std::size_t characters = 0;
    if (utf8) {
        p = detail::scanFrom(p, end, [&](const char* from, const char* to) {
            return detail::skipWhileUtf8(from, to, kTextClass, characters);
        });
    } else {
        p = detail::scanFrom(p, end, [&](const char* from, const char* to) { return detail::skipWhile(from, to, kTextClass); });
        characters = static_cast<std::size_t>(p - first);
    }
    if (p == end || byteAt(p) != '<') return false;  // the general way decides the rest
    It last = p;  // after the last character that is not a blank
    while (last != first && detail::byteIs(detail::kMarkupSpace, byteAt(last - 1))) --last;
    pos = after;
    countCharacters(characters);
    cur = p;
    plainBegin = first;
    plainEnd = last;
    plainUnits = characters - static_cast<std::size_t>(p - last);
    return true;
}

// next() between tags. Runs of white space yield no token: the loop then tries again.
template <typename It>
template <class Enc>
bool CXmlReader<It>::readContentToken() {
    plainTextLeft = false;
    for (;;) {
        if (atEnd()) {
            setState(&CStateEnd::instance);
            return false;
        }
        tokenPos = pos;
        if (plainInInput && pending == 0 && detail::byteAt(cur) != '<' && skipPlainText()) {
            if (plainBegin == plainEnd) continue;  // blanks only
            plainTextLeft = true;
            tokenType = TokenType::Text;
            return true;
        }
        if ((pending != 0 ? pending : detail::byteAt(cur)) != '<') {
            readText<Enc>(text, '<', false, true);
            detail::trimTrailingSpace(text);
            if (text.empty()) continue;
            tokenType = TokenType::Text;
            return true;
        }
        // "<", and what follows it when that is plain ASCII, decode to themselves.
        if (pending != 0) pending = 0;
        else ++cur;
        countCharacters(1);
        SourcePos saved = pos;
        WideChar c2 = 0;
        if (cur != end && detail::byteIs(detail::kSafe, detail::byteAt(cur))) {
            c2 = detail::byteAt(cur);
            if (c2 == '/' || c2 == '!') {
                ++cur;
                countCharacters(1);
            }
        } else {
            c2 = readChar<Enc>();
            if (c2 != '/' && c2 != '!') pushBack(c2, saved);
        }
        if (c2 == '/') {
            readTokenName<Enc>();
            checkNotEnd();
            skipSpace<Enc>();
            saved = pos;
            const WideChar c3 = readChar<Enc>();
            if (c3 != '>') detail::failFound(detail::kExpectedGreater, c3, saved);
            tokenType = TokenType::ElementEnd;
            return true;
        }
        if (c2 == '!') {
            readComment<Enc>();
            tokenType = TokenType::Comment;
            return true;
        }
        readTokenName<Enc>();
        checkNotEnd();
        tokenType = TokenType::ElementStart;
        setState(&CStateElement<Enc>::instance);
        return true;
    }
}

}  // namespace xml
