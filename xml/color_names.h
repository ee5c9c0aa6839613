#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The colour keywords that attribute values may name, each with its 0xAARRGGBB value.
namespace xml {

struct NamedColor {
    std::string_view name;
    std::uint32_t argb;
};

inline constexpr std::size_t kNamedColorCount = 140;

// Exact, case-sensitive lookup; false when the name is not in the table.
bool findNamedColor(std::string_view name, std::uint32_t& argb);

}  // namespace xml
