#pragma once

#include <string_view>

#include "boundary/wide_string.h"
#include "xml/source_pos.h"

// The reader's failures, kept out of line: they are the cold path of every scanning loop.
namespace detail {

inline constexpr const char* kUnexpectedEof = "unexpected end-of-file";
inline constexpr const char* kInvalidCharacter = "invalid character";
inline constexpr const char* kInvalidEncodingPrefix = "invalid encoding prefix";
inline constexpr const char* kUnexpectedCharacter = "unexpected character";
inline constexpr const char* kInvalidReference = "invalid character reference";
inline constexpr const char* kNestingTooDeep = "element nesting too deep";
inline constexpr const char* kNoRoot = "no root element found";
inline constexpr const char* kMoreThanOneRoot = "more than one root element found";

inline constexpr const char* kExpectedGreater = "expected '>' but found '";
inline constexpr const char* kExpectedEquals = "expected '=' but found '";
inline constexpr const char* kExpectedQuote = "expected '\"' or ''' but found '";
inline constexpr const char* kExpectedDoubleQuote = "expected '\"' but found '";
inline constexpr const char* kExpectedQuestion = "expected '?' but found '";
inline constexpr const char* kExpectedDash = "expected '-' but found '";
inline constexpr const char* kUnknownEncoding = "unknown encoding type '";

// Throws parse_error(message, at).
[[noreturn]] void fail(const char* message, xml::SourcePos at);
// Throws parse_error(prefix + found + "'", at): the offending character or name quoted.
[[noreturn]] void failFound(const char* prefix, WideStringView found, xml::SourcePos at);
[[noreturn]] void failFound(const char* prefix, WideChar found, xml::SourcePos at);
// The same with a byte or bytes of the declaration, widened one by one.
[[noreturn]] void failFoundBytes(const char* prefix, std::string_view found, xml::SourcePos at);
// "no ending tag ..." and "invalid ending tag ...": the element's own position, then where.
[[noreturn]] void failEndTag(bool missing, xml::SourcePos element, xml::SourcePos at);

}  // namespace detail
