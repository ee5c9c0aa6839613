#pragma once

// The XML declaration. Private to the reader's implementation: include only from reader.cpp.
//
// The declaration is read byte by byte from the input, without readChar: every byte moves the
// column by one, and only its own white-space skip knows line breaks. It accepts exactly
// `xml version="..."`, optionally followed by `encoding="utf-8"`, then "?>".

#include <string>

#include "xml/reader/core.h"

namespace detail {

inline bool isDeclarationNameByte(unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_' || b == ':';
}
inline bool isVersionByte(unsigned char b) {
    return isDeclarationNameByte(b) || (b >= '0' && b <= '9') || b == '.';
}
inline bool isEncodingNameByte(unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-';
}

}  // namespace detail

namespace xml {

// After "<?". Sets `encoding` to 1 (UTF-8) for a declared "utf-8".
template <typename It>
void CXmlReader<It>::readDeclaration(int& encoding) {
    using namespace detail;
    checkNotEnd();
    expectDeclarationName("xml");
    skipDeclarationSpace();
    expectDeclarationName("version");
    skipDeclarationSpace();
    expectDeclarationByte('=', detail::kExpectedEquals);
    skipDeclarationSpace();
    expectDeclarationByte('"', detail::kExpectedDoubleQuote);
    for (;;) {  // the version's value is neither kept nor checked
        checkNotEnd();
        const unsigned char b = byteAt(cur);
        if (b != '"' && !isVersionByte(b)) detail::fail(detail::kUnexpectedCharacter, pos);
        ++cur;
        countCharacters(1);
        if (b == '"') break;
    }
    skipDeclarationSpace();
    checkNotEnd();
    if (byteAt(cur) != '?') {
        expectDeclarationName("encoding");
        skipDeclarationSpace();
        expectDeclarationByte('=', detail::kExpectedEquals);
        skipDeclarationSpace();
        expectDeclarationByte('"', detail::kExpectedDoubleQuote);
        const SourcePos valuePos = pos;
        std::string name;
        for (;;) {
            checkNotEnd();
            if (!isEncodingNameByte(byteAt(cur))) break;
            name += *cur++;
            countCharacters(1);
        }
        if (byteAt(cur) != '"') detail::fail(detail::kUnexpectedCharacter, pos);
        ++cur;
        countCharacters(1);
        if (name != "utf-8") detail::failFoundBytes(detail::kUnknownEncoding, name, valuePos);
        if (encoding == 0) encoding = 1;
        skipDeclarationSpace();
        expectDeclarationByte('?', detail::kExpectedQuestion);
    } else {
        ++cur;
        countCharacters(1);
    }
    expectDeclarationByte('>', detail::kExpectedGreater);
}

// A name of letters, "_" and ":". An empty one, also at the end of the input, is "unexpected".
template <typename It>
void CXmlReader<It>::readDeclarationName(std::string& out) {
    out.clear();
    while (cur != end && detail::isDeclarationNameByte(detail::byteAt(cur))) {
        out += *cur++;
        countCharacters(1);
    }
    if (out.empty()) detail::fail(detail::kUnexpectedCharacter, pos);
}

template <typename It>
void CXmlReader<It>::expectDeclarationName(const char* expected) {
    std::string name;
    readDeclarationName(name);
    if (name != expected)
        detail::failFoundBytes(("expected '" + std::string(expected) + "' but found '").c_str(), name, pos);
}

// Checks that input remains and that its next byte is `expected`, then takes it.
template <typename It>
void CXmlReader<It>::expectDeclarationByte(char expected, const char* prefix) {
    checkNotEnd();
    if (*cur != expected) detail::failFoundBytes(prefix, std::string(1, *cur), pos);
    ++cur;
    countCharacters(1);
}

// Space and tab; a carriage return, a line feed, or the two as a pair, are one line break each.
template <typename It>
void CXmlReader<It>::skipDeclarationSpace() {
    bool afterCarriageReturn = false;
    while (cur != end) {
        const unsigned char b = detail::byteAt(cur);
        if (b == ' ' || b == '\t') {
            countCharacters(1);
            afterCarriageReturn = false;
        } else if (b == '\r') {
            countLineBreak();
            afterCarriageReturn = true;
        } else if (b == '\n') {
            if (!afterCarriageReturn) countLineBreak();
            afterCarriageReturn = false;
        } else {
            return;
        }
        ++cur;
    }
}

}  // namespace xml
