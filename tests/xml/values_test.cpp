#include "xml/values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <ostream>

#include "support/wide.h"
#include "xml/color_names.h"

// Exact comparisons: every expected value below is exactly determined.
static bool operator==(const Vector2& a, const Vector2& b) { return a.x == b.x && a.y == b.y; }
static bool operator==(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
static bool operator==(const UnitVector4& a, const UnitVector4& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}
static bool operator==(const Color& a, const Color& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}
static void PrintTo(const Vector3& v, std::ostream* out) { *out << v.x << ',' << v.y << ',' << v.z; }
static void PrintTo(const UnitVector4& v, std::ostream* out) { *out << v.x << ',' << v.y << ',' << v.z << ',' << v.w; }
static void PrintTo(const Color& c, std::ostream* out) { *out << c.red << ',' << c.green << ',' << c.blue; }

namespace xml {
namespace {

std::uint32_t bits(float value) {
    std::uint32_t result;
    std::memcpy(&result, &value, sizeof result);
    return result;
}

// Channel bytes times the float nearest to 1/255, multiplied in single precision.
Color byteColor(std::uint32_t rgb) {
    const float scale = 0x1.010102p-8f;
    return {float((rgb >> 16) & 0xFF) * scale, float((rgb >> 8) & 0xFF) * scale, float(rgb & 0xFF) * scale};
}

constexpr std::int32_t kLongMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kLongMax = std::numeric_limits<std::int32_t>::max();
constexpr std::uint32_t kULongMax = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kUInt64Max = std::numeric_limits<std::uint64_t>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();
const char* const kHalfwayAfterDouble = "1.00000005960464477539062500001";  // just above 1 + 2^-24

template <class T, class Convert>
void expectConverted(Convert convert, const char* text, T expected) {
    T out{};
    EXPECT_TRUE(convert(W(text), out)) << text;
    EXPECT_EQ(out, expected) << text;
}

// A rejected text leaves the output as it was.
template <class T, class Convert>
void expectRejected(Convert convert, std::initializer_list<const char*> texts, T sentinel) {
    for (const char* text : texts) {
        T out = sentinel;
        EXPECT_FALSE(convert(W(text), out)) << text;
        EXPECT_EQ(out, sentinel) << text;
    }
}

TEST(ValuesBool, DigitsAndLowerCaseWordsWithTrailingBlanks) {
    const struct { const char* text; bool value; } accepted[] = {
        {"1", true}, {"0", false}, {"true", true}, {"false", false},
        {"1 \t\r", true}, {"0\r", false}, {"true  ", true}, {"false\t", false},
    };
    for (const auto& c : accepted) expectConverted(textToBool, c.text, c.value);
    expectRejected(textToBool, {"True", "FALSE", " 1", "1\n", "false\n", "", "1.0", "10", "truex", "fals"}, true);
}

TEST(ValuesInteger, LongReadsBaseTenAndSaturatesAtThirtyTwoBits) {
    const struct { const char* text; std::int32_t value; } accepted[] = {
        {"42", 42}, {"  -7\t", -7}, {"\n\v\f+12\r", 12}, {"007", 7}, {"", 0}, {"   ", 0}, {" \t\r", 0},
        {"2147483647", kLongMax}, {"2147483648", kLongMax}, {"99999999999999999999", kLongMax},
        {"-2147483648", kLongMin}, {"-2147483649", kLongMin}, {"-99999999999999999999", kLongMin},
    };
    for (const auto& c : accepted) expectConverted(textToLong, c.text, c.value);
    expectRejected(textToLong, {"4 2", "0x10", "12\n", "\n", "  -", "+", "1.5", "12a",
                                "\xC2\xA0" "1", "\xEF\xBC\x91"}, std::int32_t{-99});
}

TEST(ValuesInteger, ULongNegatesModuloButSaturatesOnMagnitude) {
    const struct { const char* text; std::uint32_t value; } accepted[] = {
        {"4294967295", kULongMax}, {"4294967296", kULongMax}, {"-1", kULongMax}, {"-4294967295", 1},
        {"-4294967296", kULongMax}, {"-0", 0}, {"", 0}, {" 17 ", 17},
    };
    for (const auto& c : accepted) expectConverted(textToULong, c.text, c.value);
    expectRejected(textToULong, {"1a", "0x1", "\t-"}, std::uint32_t{99});
}

TEST(ValuesInteger, UInt64ReadsBaseThirtySix) {
    const struct { const char* text; std::uint64_t value; } accepted[] = {
        {"10", 36}, {"z", 35}, {"Z", 35}, {"zz", 1295}, {" +a\t", 10}, {"0x10", 33 * 36 * 36 + 36}, {"", 0},
        {"3w5e11264sgsf", kUInt64Max}, {"3W5E11264SGSF", kUInt64Max}, {"3w5e11264sgsg", kUInt64Max},
        {"zzzzzzzzzzzzzzzzzzzz", kUInt64Max}, {"-1", kUInt64Max}, {"-3w5e11264sgsf", 1},
        {"-3w5e11264sgsg", kUInt64Max},
    };
    for (const auto& c : accepted) expectConverted(textToUInt64, c.text, c.value);
    expectRejected(textToUInt64, {"z!", "z.", "z\n", "_", "-"}, std::uint64_t{99});
}

TEST(ValuesFloat, ReadsTheLongestDecimalNumberThroughDouble) {
    const struct { const char* text; float value; } accepted[] = {
        {"1e3", 1000}, {" \n-2.5E-1\t\r", -0.25f}, {"+.5", 0.5f}, {"1.", 1}, {"1.e2", 100}, {"0.1", 0.1f},
        {"3.4028235e38", 3.4028235e38f}, {"", 0}, {"  ", 0}, {"1e39", kInf}, {"-1e400", -kInf},
        {"1e99999999999999999999", kInf},
        {kHalfwayAfterDouble, 1},  // a tie once rounded to double, and ties go to even
    };
    for (const auto& c : accepted) expectConverted(textToFloat, c.text, c.value);
    expectRejected(textToFloat, {"1,5", "1e", "1e+", ".", "-", "\n", "1\n", "inf", "nan", "0x1p3", "1 2"}, 99.0f);
}

TEST(ValuesFloat, UnderflowKeepsTheSignAndTheWrittenExponentDoesNotDecideTheRange) {
    const std::string zeros(400, '0');
    const struct { std::string text; std::uint32_t bits; } cases[] = {
        {"1e-400", bits(0.0f)}, {"-1e-400", bits(-0.0f)}, {"1e-45", 1},
        {"0." + zeros + "1e10", bits(0.0f)}, {"1" + zeros + "e-10", bits(kInf)},
    };
    for (const auto& c : cases) {
        float out = 99;
        EXPECT_TRUE(textToFloat(W(c.text.c_str()), out)) << c.text;
        EXPECT_EQ(bits(out), c.bits) << c.text;
    }
}

TEST(ValuesVector, CommaSeparatedFloatsWithBlanksAroundThem) {
    const struct { const char* text; Vector3 value; } accepted[] = {
        {"1,2,3", {1, 2, 3}}, {" 1 , 2 ,\t3  ", {1, 2, 3}}, {"\n1\n,\n2,3\r", {1, 2, 3}},
        {"-1.5,+2e1,.25", {-1.5f, 20, 0.25f}},
    };
    for (const auto& c : accepted) expectConverted(textToVector3, c.text, c.value);
    expectRejected(textToVector3, {"1 2 3", "1,2", "1,2,3,4", "1,2,3\n", "1,,3", "1,2,3x", "", ",1,2,3",
                                   "1;2;3", "1e,2,3", "1,2,3e", "1,2,1e39"}, Vector3{7, 7, 7});
}

TEST(ValuesVector, Vector2RoundsStraightToFloatAndUnderflowsToSignedZero) {
    Vector2 out{};
    ASSERT_TRUE(textToVector2(W(std::string(kHalfwayAfterDouble).append(", -1e-50").c_str()), out));
    EXPECT_EQ(out.x, std::nextafter(1.0f, 2.0f));
    EXPECT_EQ(bits(out.y), bits(-0.0f));
    expectRejected(textToVector2, {"1e39,0", "-1e39,0", "1", "1,2,3", "1,2\n"}, Vector2{7, 7});
}

TEST(ValuesVector, UnitVectorScalesInExtendedPrecision) {
    const struct { const char* text; UnitVector4 value; } accepted[] = {
        {"0,0,0,2", {0, 0, 0, 1}}, {"3,0,-4,0", {0.6f, 0, -0.8f, 0}}, {"1,1,1,1", {0.5f, 0.5f, 0.5f, 0.5f}},
        // Squares beyond the float range on both sides.
        {"3.8029518e+30,0,0,5.0706024e+30", {0.6f, 0, 0, 0.8f}},
        {"2.36658272e-30,3.15544362e-30,0,0", {0.6f, 0.8f, 0, 0}},
    };
    for (const auto& c : accepted) expectConverted(textToUnitVector4, c.text, c.value);
    UnitVector4 out{};
    ASSERT_TRUE(textToUnitVector4(W("0,0,0,0"), out));
    EXPECT_TRUE(std::isnan(out.x) && std::isnan(out.y) && std::isnan(out.z) && std::isnan(out.w));
    expectRejected(textToUnitVector4, {"1,2,3", "1,2,3,4,5", "1,2,3,4\n"}, UnitVector4{7, 7, 7, 7});
}

TEST(ValuesColor, NumbersNamesAndHexadecimalForms) {
    const struct { const char* text; Color value; } accepted[] = {
        {"255,0,0", {255, 0, 0}}, {" 0.5, 1e1 ,-2 ", {0.5f, 10, -2}}, {"red", {1, 0, 0}}, {"\t red\n", {1, 0, 0}},
        {"alice blue", byteColor(0xF0F8FF)}, {"#FF8000", {1, byteColor(0x80).blue, 0}}, {"#", {0, 0, 0}},
        {"# f f", {0, 0, 1}}, {"#123456789", {1, 1, 1}}, {"#0x80", byteColor(0x80)}, {"#0X80", byteColor(0x80)},
        {"#FF112233", byteColor(0x112233)},
    };
    for (const auto& c : accepted) expectConverted(textToColor, c.text, c.value);
    expectRejected(textToColor, {"Red", "#G0", "#0x", "", "   ", ".5,0,0", "-1,0,0", "red,", "r-ed", "grey",
                                 "255,0,0\n", "255 0 0", "255,0", "1e39,0,0", "#-1",
                                 // U+0172 and U+0123: their low bytes would spell "red" and "#FF"
                                 "\xC5\xB2" "ed", "\xC4\xA3" "FF"}, Color{7, 7, 7});
}

// Names are looked up as they are written; "#" reads hexadecimal as strtoul does.
TEST(ValuesColorNames, KnownValuesAbsentSpellingsAndHexadecimal) {
    const struct { const char* name; std::uint32_t rgb; } known[] = {
        {"aliceblue", 0xF0F8FF}, {"antiquewhite", 0xFAEBD7}, {"darkslategray", 0x2F4F4F}, {"gray", 0x808080},
        {"green", 0x008000}, {"lightgoldenrodyellow", 0xFAFAD2}, {"lightgrey", 0xD3D3D3}, {"lime", 0x00FF00},
        {"maroon", 0x800000}, {"mediumvioletred", 0xC71585}, {"navajowhite", 0xFFDEAD}, {"purple", 0x800080},
        {"whitesmoke", 0xF5F5F5}, {"yellow", 0xFFFF00}, {"yellowgreen", 0x9ACD32},
    };
    for (const auto& c : known) {
        std::uint32_t argb = 0;
        EXPECT_TRUE(findNamedColor(c.name, argb)) << c.name;
        EXPECT_EQ(argb, 0xFF000000u | c.rgb) << c.name;
    }
    for (const char* absent : {"", "Red", "grey", "darkgrey", "darkslategrey", "dimgrey", "lightgray",
                               "lightslategrey", "slategrey", "rebeccapurple", "transparent", "re d"}) {
        Color out{7, 7, 7};
        EXPECT_FALSE(colorNameToColor(absent, out)) << absent;
        EXPECT_EQ(out, (Color{7, 7, 7})) << absent;
    }
    Color out{};
    ASSERT_TRUE(colorNameToColor("#0001FF", out));
    EXPECT_EQ(bits(out.green), 0x3B808081u);  // one byte step is the float nearest to 1/255
    EXPECT_EQ(out.blue, 1.0f);
    ASSERT_TRUE(colorNameToColor("#-1", out));  // strtoul negates: every bit set
    EXPECT_EQ(out, (Color{1, 1, 1}));
    for (const char* name : {"#\n", "#0x", "#-"}) EXPECT_FALSE(colorNameToColor(name, out)) << name;
}

TEST(Values7Bit, CopiesOneToOneHundredTwentySixOnly) {
    std::string out = "untouched";
    ASSERT_TRUE(textTo7Bit(W("\x01 Hello ~"), out));
    EXPECT_EQ(out, "\x01 Hello ~");
    ASSERT_TRUE(textTo7Bit(W(""), out));
    EXPECT_EQ(out, "");
    out = "untouched";
    for (const WideString& text : {W("a\x7F"), W("\xC3\xA9"), WideString{WideChar('a'), WideChar(0), WideChar('b')}}) {
        EXPECT_FALSE(textTo7Bit(text, out));
        EXPECT_EQ(out, "untouched");
    }
}

}  // namespace
}  // namespace xml
