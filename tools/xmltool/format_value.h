#pragma once

#include <string>

#include "boundary/value_types.h"

namespace xmltool {

// "%.9g" as C99 defines it, the same in both builds (the Windows C runtime's printf writes
// three-digit exponents); not-a-number is "nan", infinities "inf" and "-inf".
std::string formatFloat(float value);

std::string formatValue(const Vector2& v);
std::string formatValue(const Vector3& v);
std::string formatValue(const UnitVector4& v);
std::string formatValue(const Color& c);

}  // namespace xmltool
