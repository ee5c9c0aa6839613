// Every conversion over arbitrary UTF-16 text (the input's bytes taken in pairs).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "boundary/value_types.h"
#include "xml/values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WideString text(size / 2, WideChar(0));
    std::memcpy(text.data(), data, text.size() * sizeof(WideChar));
    const WideStringView view = text;
    bool b;
    std::int32_t i32;
    std::uint32_t u32;
    std::uint64_t u64;
    float f;
    Vector2 v2;
    Vector3 v3;
    UnitVector4 unit;
    Color color;
    std::string narrow;
    xml::textToBool(view, b);
    xml::textToLong(view, i32);
    xml::textToULong(view, u32);
    xml::textToUInt64(view, u64);
    xml::textToFloat(view, f);
    xml::textToVector2(view, v2);
    xml::textToVector3(view, v3);
    xml::textToUnitVector4(view, unit);
    xml::textToColor(view, color);
    xml::textTo7Bit(view, narrow);
    xml::colorNameToColor(std::string_view(reinterpret_cast<const char*>(data), size), color);
    return 0;
}
