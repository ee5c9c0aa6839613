#pragma once

// The reader's character-level operations and its construction. Private to the reader's
// implementation: include only from reader.cpp.

#include <algorithm>

#include "xml/reader/char_class.h"
#include "xml/reader/encodings.h"
#include "xml/reader/messages.h"
#include "xml/reader/scan.h"
#include "xml/reader/states.h"

namespace detail {
template <typename It>
unsigned char byteAt(It it) { return static_cast<unsigned char>(*it); }

// The scanners of xml/reader/scan.h over any iterator into contiguous bytes.
template <typename It, class Scan>
GAMEHOST_XML_SCAN It scanFrom(It p, It end, Scan scan) {
    if (p == end) return p;
    const char* const from = &*p;
    return p + (scan(from, from + (end - p)) - from);
}

// Appends the plain ASCII bytes [from, to), widened one to one.
template <typename It>
void appendAscii(WideString& out, It from, It to) {
    if (from == to) return;
    const std::size_t size = out.size();
    const auto n = static_cast<std::size_t>(to - from);
    out.resize(size + n);
    detail::widenAscii(&out[size], &*from, n);
}

// Finds the parts of a plain attribute at p, reading nothing. With `multiByte` (only in a UTF-8
// document) its value may hold characters of two or three bytes too; `valueUnits` gets the
// value's length in characters.
template <typename It, class PlainAttribute>
GAMEHOST_XML_SCAN bool scanPlainAttribute(It p, It end, bool multiByte, PlainAttribute& found, It& after) {
    const auto skipBlanks = [&] {
        while (p != end && detail::byteIs(detail::kMarkupSpace, byteAt(p))) ++p;
    };
    skipBlanks();
    if (p == end || !detail::byteIs(detail::kNameStart, byteAt(p))) return false;
    found.nameBegin = p;
    p = scanFrom(p + 1, end, detail::skipNameBytes);
    found.nameEnd = p;
    skipBlanks();
    if (p == end || byteAt(p) != '=') return false;
    ++p;
    skipBlanks();
    if (p == end || (byteAt(p) != '"' && byteAt(p) != '\'')) return false;
    const char quote = static_cast<char>(byteAt(p++));
    found.valueBegin = p;
    if (multiByte) {
        std::size_t characters = 0;
        p = scanFrom(p, end, [&](const char* from, const char* to) { return detail::skipValueUtf8(from, to, quote, characters); });
        found.valueUnits = characters;
    } else {
        p = scanFrom(p, end, [&](const char* from, const char* to) { return detail::skipValueBytes(from, to, quote); });
        found.valueUnits = static_cast<std::size_t>(p - found.valueBegin);
    }
    if (p == end || byteAt(p) != static_cast<unsigned char>(quote)) return false;
    found.valueEnd = p++;
    if (p == end) return false;  // the general way reports the end of the input
    after = p;
    return true;
}

}  // namespace detail

namespace xml {

template <typename It>
CXmlReader<It>::CXmlReader(It begin, It end_) : cur(begin), end(end_) {
    using detail::byteAt;
    checkNotEnd();
    int encoding = 0;  // 0 legacy, 1 UTF-8
    if (byteAt(cur) == 0xEF) {
        for (unsigned char expected : {0xBB, 0xBF}) {
            ++cur;
            if (cur == end || byteAt(cur) != expected)
                detail::fail(detail::kInvalidEncodingPrefix, SourcePos{});
        }
        ++cur;  // the mark does not move the position
        checkNotEnd();
        encoding = 1;
    }
    if (byteAt(cur) != '<') detail::fail(detail::kInvalidCharacter, pos);
    ++cur;
    countCharacters(1);
    checkNotEnd();
    bool declared = false;
    if (byteAt(cur) == '?') {
        ++cur;
        countCharacters(1);
        readDeclaration(encoding);
        declared = true;
    }
    utf8 = encoding == 1;
    if (utf8)
        setState(declared ? static_cast<CState*>(&CStateContent<EncodingUTF8>::instance)
                          : &CStateToElement<EncodingUTF8>::instance);
    else
        setState(declared ? static_cast<CState*>(&CStateContent<EncodingLegacy>::instance)
                          : &CStateToElement<EncodingLegacy>::instance);
}

template <typename It>
CXmlReader<It>::~CXmlReader() {
    if (state) state->release();
}

template <typename It>
bool CXmlReader<It>::next() {
    plainTextLeft = false;
    return state->next(*this);
}

template <typename It>
bool CXmlReader<It>::nextAttribute(WideString& name, WideString& value, bool* newlineBefore) {
    return state->nextAttribute(*this, name, value, newlineBefore);
}

template <typename It>
void CXmlReader<It>::setState(CState* next) {
    if (state) state->release();
    state = next;
}

// Every character the states see passes here: a pushed-back one first, line breaks folded to
// one line feed (carriage return, line feed, or the pair), the rest decoded by the policy.
template <typename It>
template <class Enc>
inline WideChar CXmlReader<It>::readChar() {
    if (pending != 0) {
        const WideChar c = pending;
        pending = 0;
        if (c == '\n') countLineBreak();
        else countCharacters(1);
        return c;
    }
    if (cur == end) detail::fail(detail::kUnexpectedEof, pos);
    const auto first = static_cast<unsigned char>(*cur++);
    if (first == '\r') {
        if (cur != end && *cur == '\n') ++cur;
        countLineBreak();
        return '\n';
    }
    if (first == '\n') {
        countLineBreak();
        return '\n';
    }
    const WideChar c = Enc::decode(cur, end, first, pos);
    if (c == 0) detail::fail(detail::kInvalidCharacter, pos);
    countCharacters(1);
    return c;
}

template <typename It>
void CXmlReader<It>::pushBack(WideChar c, SourcePos saved) {
    pending = c;
    pos = saved;
}

template <typename It>
void CXmlReader<It>::checkNotEnd() const {
    if (atEnd()) detail::fail(detail::kUnexpectedEof, pos);
}

// The scanning loops below take plain ASCII bytes straight from the input. Where they stop at
// a byte that the slow path would read and push back again, they leave it unread instead when
// it is "safe" (it decodes to itself and cannot fail): the reader's observable state is the same.

// White space inside markup: space, tab and line breaks. True when a line break was skipped.
template <typename It>
template <class Enc>
bool CXmlReader<It>::skipSpace() {
    bool lineBreak = false;
    for (;;) {
        if (pending != 0 || cur == end) {
            const SourcePos saved = pos;
            const WideChar c = readChar<Enc>();
            if (c == '\n') lineBreak = true;
            else if (c != ' ' && c != '\t') {
                pushBack(c, saved);
                return lineBreak;
            }
        } else {
            const auto b = static_cast<unsigned char>(*cur);
            if (detail::byteIs(detail::kMarkupSpace, b)) {
                ++cur;
                countCharacters(1);
            } else if (b == '\n' || b == '\r') {
                readChar<Enc>();
                lineBreak = true;
            } else if (detail::byteIs(detail::kSafe, b)) {
                return lineBreak;
            } else {
                const SourcePos saved = pos;
                pushBack(readChar<Enc>(), saved);
                return lineBreak;
            }
        }
        if (cur == end) return lineBreak;  // the skipped character was the input's last
    }
}

// A name: an ASCII letter, then letters, digits, "_" and ":".
template <typename It>
template <class Enc>
void CXmlReader<It>::readName(WideString& out) {
    out.clear();
    SourcePos saved = pos;
    if (pending == 0 && cur != end && detail::byteIs(detail::kNameStart, detail::byteAt(cur))) {
        out.push_back(detail::byteAt(cur));  // plain ASCII: reading it gives itself
        ++cur;
        countCharacters(1);
    } else {
        const WideChar c = readChar<Enc>();
        if (!detail::charIs(detail::kNameStart, c)) detail::fail(detail::kUnexpectedCharacter, saved);
        out.push_back(c);
    }
    while (cur != end) {
        const auto b = static_cast<unsigned char>(*cur);
        if (detail::byteIs(detail::kName, b)) {
            const It runEnd = detail::scanFrom(cur, end, detail::skipNameBytes);
            detail::appendAscii(out, cur, runEnd);
            countCharacters(static_cast<std::size_t>(runEnd - cur));
            cur = runEnd;
            continue;
        }
        if (detail::byteIs(detail::kSafe, b) || b == '\r' || b == '\n') return;
        saved = pos;
        const WideChar c = readChar<Enc>();  // an overlong UTF-8 form may still decode to a name character
        if (!detail::charIs(detail::kName, c)) {
            pushBack(c, saved);
            return;
        }
        out.push_back(c);
    }
}

// The name of an element's start or end tag: left in the input when the caller asked for that
// and it is plain ASCII (what follows it is then plain ASCII or a line break, so no overlong
// form can continue it), else read into `text`.
template <typename It>
template <class Enc>
void CXmlReader<It>::readTokenName() {
    plainNameLeft = false;
    if (plainInInput && pending == 0 && cur != end && detail::byteIs(detail::kNameStart, detail::byteAt(cur))) {
        const It runEnd = detail::scanFrom(cur + 1, end, detail::skipNameBytes);
        if (runEnd != end && (detail::byteIs(detail::kSafe, detail::byteAt(runEnd)) ||
                              detail::byteAt(runEnd) == '\r' || detail::byteAt(runEnd) == '\n')) {
            tokenNameBegin = cur;
            tokenNameEnd = runEnd;
            plainNameLeft = true;
            countCharacters(static_cast<std::size_t>(runEnd - cur));
            cur = runEnd;
            return;
        }
    }
    readName<Enc>(text);
}

// The common attribute, all on one line and in plain ASCII: blanks, a name, "=" between blanks,
// and a quoted value of plain characters, blanks and tabs, followed by more input. When the bytes
// ahead have exactly this form it is taken in one step, with the positions, strings and state
// that reading it character by character gives; otherwise nothing is read and the caller takes
// the general way.
template <typename It>
bool CXmlReader<It>::readPlainAttribute(WideString& name, WideString& value) {
    PlainAttribute found;
    It after;
    if (pending != 0 || !detail::scanPlainAttribute(cur, end, false, found, after)) return false;
    name.clear();
    value.clear();
    detail::appendAscii(name, found.nameBegin, found.nameEnd);
    detail::appendAscii(value, found.valueBegin, found.valueEnd);
    countCharacters(static_cast<std::size_t>(after - cur));
    cur = after;
    return true;
}

template <typename It>
typename CXmlReader<It>::TagEnd CXmlReader<It>::readPlainAttributes(std::vector<PlainAttribute>& out) {
    using detail::byteAt;
    if (pending != 0) return TagEnd::NotReached;
    It p = cur;
    std::size_t characters = 0;  // the bytes read, but the later bytes of characters of several
    PlainAttribute attribute;
    It after;
    while (detail::scanPlainAttribute(p, end, utf8, attribute, after)) {
        characters += static_cast<std::size_t>(after - p) -
                      (static_cast<std::size_t>(attribute.valueEnd - attribute.valueBegin) - attribute.valueUnits);
        out.push_back(attribute);
        p = after;
    }
    // Blanks are read the same whatever follows them.
    for (; p != end && detail::byteIs(detail::kMarkupSpace, byteAt(p)); ++p) ++characters;
    TagEnd result = TagEnd::NotReached;
    if (p != end && byteAt(p) == '>') {
        result = TagEnd::Open;
        ++p;
        ++characters;
    } else if (p != end && byteAt(p) == '/' && p + 1 != end && byteAt(p + 1) == '>') {
        result = TagEnd::Empty;
        p += 2;
        characters += 2;
    }
    countCharacters(characters);
    cur = p;
    if (result != TagEnd::NotReached)
        setState(utf8 ? static_cast<CState*>(&CStateContent<EncodingUTF8>::instance) : &CStateContent<EncodingLegacy>::instance);
    return result;
}

template <typename It>
template <class Enc>
void CXmlReader<It>::readAttribute(WideString& name, WideString& value) {
    readName<Enc>(name);
    checkNotEnd();
    skipSpace<Enc>();
    const SourcePos saved = pos;
    const WideChar equals = readChar<Enc>();
    if (equals != '=') detail::failFound(detail::kExpectedEquals, equals, saved);
    checkNotEnd();
    skipSpace<Enc>();
    const WideChar quote = readChar<Enc>();
    if (quote != '"' && quote != '\'') detail::failFound(detail::kExpectedQuote, quote, pos);
    checkNotEnd();
    readText<Enc>(value, quote, true, false);
}

}  // namespace xml
