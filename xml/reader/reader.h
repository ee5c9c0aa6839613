#pragma once

#include <string>
#include <vector>

#include "boundary/wide_string.h"
#include "xml/reader/token.h"
#include "xml/source_pos.h"

namespace xml {

// The pull tokenizer: reads a document that lies whole in memory, one token at a time.
//
// It is a small state machine. Its states are shared, immutable objects (one per class and
// encoding), so a reader never allocates a state and readers on different threads need no lock.
// Every failure throws parse_error; a reader that threw is not used again.
//
// The input is not copied: [begin, end) must stay valid and unchanged while the reader exists.
// Instantiated over const char* and std::string::const_iterator.
template <typename It>
class CXmlReader {
public:
    class CState;
    struct EncodingUTF8;
    struct EncodingLegacy;
    template <class Enc> class CStateToElement;
    template <class Enc> class CStateElement;
    template <class Enc> class CStateContent;
    class CStateEnd;

    // Checks the byte-order mark and the XML declaration and picks the decoding.
    CXmlReader(It begin, It end);
    ~CXmlReader();
    CXmlReader(const CXmlReader&) = delete;
    CXmlReader& operator=(const CXmlReader&) = delete;

    // Advances to the next token; false at the end of the input, and from then on.
    bool next();
    // After an ElementStart: the next attribute of its start tag, or false when there is none.
    // newlineBefore, when given, tells whether a line break preceded the attribute's name.
    bool nextAttribute(WideString& name, WideString& value, bool* newlineBefore = nullptr);
    // A plain attribute: on one line, no reference, a plain ASCII name and a value of plain
    // ASCII or, in a UTF-8 document, also characters of two or three bytes that are stored as
    // they come. Its name and value as ranges of the input.
    struct PlainAttribute {
        It nameBegin{};
        It nameEnd{};
        It valueBegin{};
        It valueEnd{};
        std::size_t valueUnits = 0;  // the value's length in characters
    };
    enum class TagEnd { NotReached, Open, Empty };
    // The quick way to a start tag's attributes, for a caller that can take them as bytes: reads
    // the plain attributes ahead, appending them to `out`, and when the tag then ends (blanks,
    // then ">" or "/>"), its end too. Open or Empty tells which end: the element's content comes
    // next then, and an empty element yields no ElementEnd of its own. NotReached: something
    // else stopped the quick way, and nextAttribute goes on from there. Only between an
    // ElementStart and the first false from nextAttribute.
    TagEnd readPlainAttributes(std::vector<PlainAttribute>& out);

    // From now on, a Text token that is plain (on one line, no reference, plain ASCII and blanks
    // and, in a UTF-8 document, characters of two or three bytes) is left in the input instead
    // of being copied into getText(): plainText gives its range, trimmed as getText() would be,
    // and its length in characters. Likewise the name of an ElementStart or ElementEnd token
    // that is plain ASCII: plainName gives it. For a caller that copies texts itself.
    void leavePlainInInput() { plainInInput = true; }
    // For the current Text token: true with its range when it was left in the input.
    bool plainText(It& begin, It& end, std::size_t& units) const {
        if (!plainTextLeft) return false;
        begin = plainBegin;
        end = plainEnd;
        units = plainUnits;
        return true;
    }
    // For the current ElementStart or ElementEnd token: true with the element's name when it was
    // left in the input; otherwise getText() holds it.
    bool plainName(It& begin, It& end) const {
        if (!plainNameLeft) return false;
        begin = tokenNameBegin;
        end = tokenNameEnd;
        return true;
    }

    TokenType getTokenType() const { return tokenType; }
    const WideString& getText() const { return text; }
    SourcePos getTokenPos() const { return tokenPos; }  // where the current token began
    SourcePos getPos() const { return pos; }            // the next character to be read
    bool isUtf8() const { return utf8; }

private:
    void setState(CState* next);

    template <class Enc> WideChar readChar();
    void pushBack(WideChar c, SourcePos saved);
    bool atEnd() const { return pending == 0 && cur == end; }
    void checkNotEnd() const;
    void countCharacters(std::size_t n) { pos.column += static_cast<std::int32_t>(n); }
    void countLineBreak() { ++pos.row; pos.column = 0; }

    template <class Enc> bool skipSpace();
    template <class Enc> void readName(WideString& out);
    template <class Enc> void readTokenName();
    template <class Enc> void readAttribute(WideString& name, WideString& value);
    bool readPlainAttribute(WideString& name, WideString& value);
    template <class Enc> void readText(WideString& out, WideChar delimiter, bool consumeDelimiter,
                                       bool skipLeading);
    template <class Enc> WideChar readReference(SourcePos ampersand);
    template <class Enc> void readComment();
    template <class Enc> bool readContentToken();
    bool skipPlainText();

    void readDeclaration(int& encoding);
    void readDeclarationName(std::string& out);
    void expectDeclarationName(const char* expected);
    void skipDeclarationSpace();
    void expectDeclarationByte(char expected, const char* prefix);

    bool utf8 = false;
    It cur;
    It end;
    WideChar pending = 0;  // a pushed-back character; 0 for none
    bool plainInInput = false;
    bool plainTextLeft = false;  // the current token's text is [plainBegin, plainEnd)
    It plainBegin{};
    It plainEnd{};
    std::size_t plainUnits = 0;
    bool plainNameLeft = false;  // the current element's name is [tokenNameBegin, tokenNameEnd)
    It tokenNameBegin{};
    It tokenNameEnd{};
    TokenType tokenType = TokenType::None;
    WideString text;
    SourcePos tokenPos;
    SourcePos pos;
    CState* state = nullptr;  // a shared state object, never owned
};

extern template class CXmlReader<const char*>;
extern template class CXmlReader<std::string::const_iterator>;

}  // namespace xml
