#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kiv {

// The system's text conversions that the settings file needs.
class TextCodec {
 public:
  virtual ~TextCodec() = default;

  // The system's case mapping, one UTF-16 unit at a time (CharUpperBuffW): the result has the
  // length of the text.
  virtual std::u16string UpperCase(std::u16string_view text) = 0;

  // The ANSI code page (GetACP).
  virtual std::uint32_t AnsiCodePage() = 0;

  // Bytes in the ANSI code page as text; nothing when they are not valid in that code page.
  virtual std::optional<std::u16string> AnsiDecode(std::span<const std::uint8_t> bytes) = 0;

  // Text as bytes in the ANSI code page; nothing when a character has no exact mapping there.
  virtual std::optional<std::vector<std::uint8_t>> AnsiEncode(std::u16string_view text) = 0;
};

// The ANSI code page that is UTF-8.
inline constexpr std::uint32_t kUtf8CodePage = 65001;

}  // namespace kiv
