#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "boundary/value_types.h"
#include "boundary/wide_string.h"

// Conversions of texts and attribute values to typed values. Each returns whether the text
// converted; on failure `out` is left untouched. None throws. Both builds convert alike.
namespace xml {

// "0", "1", "true", "false", each followed by trailing blanks (space, tab, carriage return).
bool textToBool(WideStringView text, bool& out);

// Base 10 for the 32-bit ones, base 36 for the 64-bit one; leading white space and a sign
// allowed, trailing blanks allowed; saturating at the type's bounds. A text without digits
// converts to 0 when it is nothing but trailing blanks.
bool textToLong(WideStringView text, std::int32_t& out);
bool textToULong(WideStringView text, std::uint32_t& out);
bool textToUInt64(WideStringView text, std::uint64_t& out);

// The longest decimal number, correctly rounded to double, then to float.
bool textToFloat(WideStringView text, float& out);

// Comma-separated numbers, blanks around them ignored.
bool textToVector2(WideStringView text, Vector2& out);
bool textToVector3(WideStringView text, Vector3& out);
// Four numbers scaled to unit length.
bool textToUnitVector4(WideStringView text, UnitVector4& out);

// Three numbers (starting with a digit), a colour name, or "#" and hexadecimal digits.
bool textToColor(WideStringView text, Color& out);
// A colour name of the table, or "#" and hexadecimal digits.
bool colorNameToColor(std::string_view name, Color& out);

// The legacy 7-bit form: every character from 1 to 126 becomes one byte; any other fails.
bool textTo7Bit(WideStringView text, std::string& out);

}  // namespace xml
