#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kiv {

// Strict UTF-8: overlong forms, surrogates, values above U+10FFFF and cut-off sequences are
// rejected rather than replaced, so that a file is never rewritten with altered characters.
std::optional<std::u16string> DecodeUtf8(std::span<const std::uint8_t> bytes);

// Nothing when the text holds a surrogate without its partner.
std::optional<std::vector<std::uint8_t>> EncodeUtf8(std::u16string_view text);

}  // namespace kiv
