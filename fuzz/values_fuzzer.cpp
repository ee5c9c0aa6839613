// Every conversion over arbitrary UTF-16 text (the input's bytes taken in pairs).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "boundary/value_types.h"
#include "xml/values.h"

namespace {

template <class T>
void convert(bool (*toValue)(WideStringView, T&), WideStringView text) {
    T value{};
    toValue(text, value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WideString text(size / 2, WideChar(0));
    std::memcpy(text.data(), data, text.size() * sizeof(WideChar));
    convert(xml::textToBool, text);
    convert(xml::textToLong, text);
    convert(xml::textToULong, text);
    convert(xml::textToUInt64, text);
    convert(xml::textToFloat, text);
    convert(xml::textToVector2, text);
    convert(xml::textToVector3, text);
    convert(xml::textToUnitVector4, text);
    convert(xml::textToColor, text);
    convert(xml::textTo7Bit, text);
    Color color;
    xml::colorNameToColor(std::string_view(reinterpret_cast<const char*>(data), size), color);
    return 0;
}
