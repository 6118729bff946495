// Whole numbers from text as the toolkit reads them: optional leading blanks, an optional
// sign, decimal digits, or hexadecimal after "$", "x" or "0x"; nothing may follow.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace toolkit {

// Empty when the text is no whole number or lies outside the signed 32-bit range
// (hexadecimal may reach 0xFFFFFFFF, read as its signed 32-bit value).
std::optional<std::int32_t> ParseInteger(std::string_view text);

}  // namespace toolkit
