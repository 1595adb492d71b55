#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kiv {

// A whole text as a number: an optional "-" or "+", then decimal digits within the 32-bit
// signed range, or "$", "x", "X", "0x" or "0X" and at most eight significant hexadecimal digits
// taken as a 32-bit pattern ($FFFFFFFF is -1). Nothing for any other text, the empty one included.
std::optional<std::int32_t> ParseSettingsInteger(std::u16string_view text);

// Plain decimal: "-" for a negative value, no leading zeros.
std::u16string FormatSettingsInteger(std::int32_t value);

}  // namespace kiv
