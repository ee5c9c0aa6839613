#include "xml/values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>
#include <type_traits>
#include <utility>

#include "boundary/value_types.h"
#include "xml/color_names.h"

// The conversions follow the C library's number parsers (strtol, strtoul, strtod) and stream
// extraction in the "C" locale, but scan the text themselves: the wide character functions do
// not exist for char16_t, and the Windows and Linux libraries disagree on details such as the
// width of long. Both builds therefore convert every text alike.
namespace xml {
namespace {

constexpr std::uint32_t kUInt32Max = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kUInt64Max = std::numeric_limits<std::uint64_t>::max();

// The single-precision value nearest to 1/255 (bit pattern 0x3B808081): a colour byte times
// this, rounded to float, gives the channel.
constexpr float kByteScale = 0x1.010102p-8f;

template <class Char>
std::uint32_t code(Char c) {
    return static_cast<std::make_unsigned_t<Char>>(c);
}

// The only characters allowed after a number or a boolean. A line feed is not among them.
bool isTrailingBlank(std::uint32_t c) { return c == ' ' || c == '\t' || c == '\r'; }

// isspace in the "C" locale.
bool isWhiteSpace(std::uint32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool isDecimalDigit(std::uint32_t c) { return c >= '0' && c <= '9'; }

// 0 to 35 for the digits and letters of base 36; larger than any base for everything else.
std::uint32_t digitValue(std::uint32_t c) {
    if (isDecimalDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

template <class Char>
bool restIsTrailingBlanks(std::basic_string_view<Char> text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i)
        if (!isTrailingBlank(code(text[i]))) return false;
    return true;
}

template <class Char>
std::size_t skipWhiteSpace(std::basic_string_view<Char> text, std::size_t from) {
    while (from < text.size() && isWhiteSpace(code(text[from]))) ++from;
    return from;
}

// What strtoul reads: white space, a sign, (in base 16) a "0x" prefix, digits.
struct IntegerScan {
    std::size_t end = 0;  // where the C function stops; without digits that is the text's start
    bool negative = false;
    bool tooLarge = false;  // the magnitude exceeds the limit given to the scan
    std::uint64_t magnitude = 0;
};

template <class Char>
IntegerScan scanInteger(std::basic_string_view<Char> text, std::uint32_t base, std::uint64_t limit) {
    IntegerScan scan;
    std::size_t i = skipWhiteSpace(text, 0);
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) scan.negative = text[i++] == '-';
    // "0x" counts as a prefix only before a hexadecimal digit; otherwise the "0" is the number.
    if (base == 16 && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        digitValue(code(text[i + 2])) < 16)
        i += 2;
    const std::size_t firstDigit = i;
    // magnitude * base + digit stays within limit exactly when this holds (strtoul's own test),
    // which spares a division per digit.
    const std::uint64_t cutoff = limit / base;
    const std::uint64_t cutoffDigit = limit % base;
    for (; i < text.size(); ++i) {
        const std::uint32_t digit = digitValue(code(text[i]));
        if (digit >= base) break;
        if (scan.magnitude > cutoff || (scan.magnitude == cutoff && digit > cutoffDigit))
            scan.tooLarge = true;
        else
            scan.magnitude = scan.magnitude * base + digit;
    }
    if (i > firstDigit) scan.end = i;
    return scan;
}

// The unsigned result of strtoul and strtoull: a minus sign negates modulo the type's range,
// but a magnitude out of range gives the maximum whatever the sign.
std::uint64_t unsignedResult(const IntegerScan& scan, std::uint64_t max) {
    if (scan.tooLarge) return max;
    return (scan.negative ? 0 - scan.magnitude : scan.magnitude) & max;
}

// A decimal number as strtod and stream extraction read it: sign, digits, fraction, and an
// exponent only when it has digits. The number is kept as an ASCII token for std::from_chars.
struct DecimalScan {
    bool found = false;
    std::size_t end = 0;
    bool negative = false;
    std::string unsignedToken;
    // The decimal exponent of the leading nonzero digit, enough to tell an overflow from an
    // underflow when std::from_chars reports that the value is out of range.
    long long leadingExponent = 0;
};

template <class Char>
DecimalScan scanDecimal(std::basic_string_view<Char> text, std::size_t from) {
    DecimalScan scan;
    std::size_t i = skipWhiteSpace(text, from);
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) scan.negative = text[i++] == '-';

    long long significantIntegerDigits = 0;
    long long fractionLeadingZeros = 0;
    bool nonzeroSeen = false;
    bool mantissaHasDigits = false;
    for (; i < text.size() && isDecimalDigit(code(text[i])); ++i) {
        nonzeroSeen = nonzeroSeen || text[i] != '0';
        if (nonzeroSeen) ++significantIntegerDigits;
        scan.unsignedToken += static_cast<char>(text[i]);
        mantissaHasDigits = true;
    }
    if (i < text.size() && text[i] == '.') {
        scan.unsignedToken += '.';
        for (++i; i < text.size() && isDecimalDigit(code(text[i])); ++i) {
            nonzeroSeen = nonzeroSeen || text[i] != '0';
            if (!nonzeroSeen) ++fractionLeadingZeros;
            scan.unsignedToken += static_cast<char>(text[i]);
            mantissaHasDigits = true;
        }
    }
    if (!mantissaHasDigits) return DecimalScan{};

    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t digits = i + 1;
        const bool negativeExponent = digits < text.size() && text[digits] == '-';
        if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) ++digits;
        if (digits < text.size() && isDecimalDigit(code(text[digits]))) {
            scan.unsignedToken += 'e';
            if (negativeExponent) scan.unsignedToken += '-';
            for (i = digits; i < text.size() && isDecimalDigit(code(text[i])); ++i) {
                scan.unsignedToken += static_cast<char>(text[i]);
                // Far beyond any range: only the exponent's sign and size class matter then.
                if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[i] - '0');
            }
            if (negativeExponent) exponent = -exponent;
        }
    }
    scan.leadingExponent = exponent + (significantIntegerDigits > 0 ? significantIntegerDigits - 1
                                                                     : -(fractionLeadingZeros + 1));
    scan.found = true;
    scan.end = i;
    return scan;
}

enum class Range { inside, overflow, underflow };

// Correctly rounded to Real; out of range, the result is what strtod gives: infinity or zero.
template <class Real>
Range toReal(const DecimalScan& scan, Real& value) {
    Real magnitude = 0;
    const char* first = scan.unsignedToken.data();
    const auto result = std::from_chars(first, first + scan.unsignedToken.size(), magnitude);
    Range range = Range::inside;
    if (result.ec == std::errc::result_out_of_range) {
        range = scan.leadingExponent >= 0 ? Range::overflow : Range::underflow;
        magnitude = range == Range::overflow ? std::numeric_limits<Real>::infinity() : 0;
    }
    value = scan.negative ? -magnitude : magnitude;
    return range;
}

// Stream extraction of N floats separated by commas. A float beyond the type's range sets the
// stream's failbit, so it fails the conversion; one too small to represent becomes zero.
template <std::size_t N>
bool readNumberList(WideStringView text, std::array<float, N>& numbers) {
    std::array<float, N> read{};
    std::size_t pos = 0;
    for (std::size_t index = 0; index < N; ++index) {
        if (index > 0) {
            pos = skipWhiteSpace(text, pos);
            if (pos == text.size() || text[pos] != ',') return false;
            ++pos;
        }
        const DecimalScan scan = scanDecimal(text, pos);
        if (!scan.found || toReal(scan, read[index]) == Range::overflow) return false;
        pos = scan.end;
    }
    if (!restIsTrailingBlanks(text, pos)) return false;
    numbers = read;
    return true;
}

bool startsWithAscii(WideStringView text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (code(text[i]) != static_cast<unsigned char>(prefix[i])) return false;
    return true;
}

char narrowForName(WideChar c) {
    const std::uint32_t value = code(c);
    return value <= 0x7F ? static_cast<char>(value) : '?';
}

float channel(std::uint32_t argb, unsigned shift) {
    return static_cast<float>((argb >> shift) & 0xFF) * kByteScale;
}

}  // namespace

bool textToBool(WideStringView text, bool& out) {
    const bool first0 = !text.empty() && text[0] == '0';
    const bool first1 = !text.empty() && text[0] == '1';
    if ((first0 || first1) && restIsTrailingBlanks(text, 1)) {
        out = first1;
        return true;
    }
    if (startsWithAscii(text, "true") && restIsTrailingBlanks(text, 4)) {
        out = true;
        return true;
    }
    if (startsWithAscii(text, "false") && restIsTrailingBlanks(text, 5)) {
        out = false;
        return true;
    }
    return false;
}

bool textToLong(WideStringView text, std::int32_t& out) {
    // The common form, up to nine plain digits, cannot overflow and needs none of the rest.
    if (!text.empty() && text.size() <= 9) {
        std::int32_t value = 0;
        std::size_t i = 0;
        for (; i < text.size() && isDecimalDigit(code(text[i])); ++i) value = value * 10 + (text[i] - '0');
        if (i == text.size()) {
            out = value;
            return true;
        }
    }
    const IntegerScan scan = scanInteger(text, 10, kUInt32Max);
    if (!restIsTrailingBlanks(text, scan.end)) return false;
    constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int32_t>::max();
    const std::uint64_t bound = scan.negative ? kMaxPositive + 1 : kMaxPositive;
    const auto magnitude = static_cast<std::int64_t>(scan.tooLarge ? bound : std::min(scan.magnitude, bound));
    out = static_cast<std::int32_t>(scan.negative ? -magnitude : magnitude);
    return true;
}

bool textToULong(WideStringView text, std::uint32_t& out) {
    const IntegerScan scan = scanInteger(text, 10, kUInt32Max);
    if (!restIsTrailingBlanks(text, scan.end)) return false;
    out = static_cast<std::uint32_t>(unsignedResult(scan, kUInt32Max));
    return true;
}

bool textToUInt64(WideStringView text, std::uint64_t& out) {
    const IntegerScan scan = scanInteger(text, 36, kUInt64Max);
    if (!restIsTrailingBlanks(text, scan.end)) return false;
    out = unsignedResult(scan, kUInt64Max);
    return true;
}

bool textToFloat(WideStringView text, float& out) {
    const DecimalScan scan = scanDecimal(text, 0);
    // Without a number strtod stops at the text's start and returns zero.
    if (!restIsTrailingBlanks(text, scan.end)) return false;
    double value = 0;
    if (scan.found) toReal(scan, value);
    out = static_cast<float>(value);
    return true;
}

bool textToVector2(WideStringView text, Vector2& out) {
    std::array<float, 2> numbers;
    if (!readNumberList(text, numbers)) return false;
    out = {numbers[0], numbers[1]};
    return true;
}

bool textToVector3(WideStringView text, Vector3& out) {
    std::array<float, 3> numbers;
    if (!readNumberList(text, numbers)) return false;
    out = {numbers[0], numbers[1], numbers[2]};
    return true;
}

bool textToUnitVector4(WideStringView text, UnitVector4& out) {
    std::array<float, 4> numbers;
    if (!readNumberList(text, numbers)) return false;
    // Extended precision keeps squares of large or tiny floats from overflowing or vanishing.
    long double sumOfSquares = 0;
    for (const float number : numbers) sumOfSquares += static_cast<long double>(number) * number;
    const long double scale = 1.0L / std::sqrt(sumOfSquares);
    out = {static_cast<float>(numbers[0] * scale), static_cast<float>(numbers[1] * scale),
           static_cast<float>(numbers[2] * scale), static_cast<float>(numbers[3] * scale)};
    return true;
}

bool textToColor(WideStringView text, Color& out) {
    std::size_t pos = skipWhiteSpace(text, 0);
    if (pos == text.size()) return false;
    if (isDecimalDigit(code(text[pos]))) {
        std::array<float, 3> rgb;
        if (!readNumberList(text.substr(pos), rgb)) return false;
        out = {rgb[0], rgb[1], rgb[2]};
        return true;
    }
    // A name, or "#" and digits: blanks inside are dropped, so "alice blue" is "aliceblue".
    std::string name(1, narrowForName(text[pos]));
    for (++pos; pos < text.size(); ++pos) {
        const std::uint32_t c = code(text[pos]);
        if (isWhiteSpace(c)) continue;
        if (digitValue(c) >= 36) return false;
        name += static_cast<char>(c);
    }
    return colorNameToColor(name, out);
}

bool colorNameToColor(std::string_view name, Color& out) {
    std::uint32_t argb = 0;
    if (!name.empty() && name[0] == '#') {
        const std::string_view digits = name.substr(1);
        const IntegerScan scan = scanInteger(digits, 16, kUInt32Max);
        if (scan.end != digits.size()) return false;
        argb = static_cast<std::uint32_t>(unsignedResult(scan, kUInt32Max));
    } else if (!findNamedColor(name, argb)) {
        return false;
    }
    out = {channel(argb, 16), channel(argb, 8), channel(argb, 0)};
    return true;
}

bool textTo7Bit(WideStringView text, std::string& out) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const WideChar c : text) {
        const std::uint32_t value = code(c);
        if (value < 1 || value > 126) return false;
        bytes += static_cast<char>(value);
    }
    out = std::move(bytes);
    return true;
}

}  // namespace xml
