#include "tools/xmltool/format_value.h"

#include <charconv>
#include <cmath>

namespace xmltool {

std::string formatFloat(float value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    return std::string(text, result.ptr);
}

std::string formatValue(const Vector2& v) { return formatFloat(v.x) + "," + formatFloat(v.y); }

std::string formatValue(const Vector3& v) {
    return formatFloat(v.x) + "," + formatFloat(v.y) + "," + formatFloat(v.z);
}

std::string formatValue(const UnitVector4& v) {
    return formatFloat(v.x) + "," + formatFloat(v.y) + "," + formatFloat(v.z) + "," + formatFloat(v.w);
}

std::string formatValue(const Color& c) {
    return formatFloat(c.red) + "," + formatFloat(c.green) + "," + formatFloat(c.blue);
}

}  // namespace xmltool
