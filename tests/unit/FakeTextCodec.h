#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextCodec.h"
#include "settings/Utf8.h"

namespace kiv {

// The system's text conversions with the ANSI code page 1252 (Western European) or 65001 (UTF-8),
// and an upper-case mapping for ASCII and Latin-1.
class FakeTextCodec : public TextCodec {
 public:
  static constexpr std::uint32_t kWesternCodePage = 1252;

  explicit FakeTextCodec(std::uint32_t codePage = kWesternCodePage) : codePage_(codePage) {}

  std::u16string UpperCase(std::u16string_view text) override {
    std::u16string upper(text);
    for (char16_t& c : upper) {
      if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        c = static_cast<char16_t>(c - 0x20);
      } else if (c == 0xFF) {
        c = 0x178;
      }
    }
    return upper;
  }

  std::uint32_t AnsiCodePage() override { return codePage_; }

  std::optional<std::u16string> AnsiDecode(std::span<const std::uint8_t> bytes) override {
    if (codePage_ == kUtf8CodePage) return DecodeUtf8(bytes);
    std::u16string text;
    text.reserve(bytes.size());
    for (const std::uint8_t byte : bytes) text.push_back(FromWestern(byte));
    return text;
  }

  std::optional<std::vector<std::uint8_t>> AnsiEncode(std::u16string_view text) override {
    if (codePage_ == kUtf8CodePage) return EncodeUtf8(text);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size());
    for (const char16_t c : text) {
      const std::optional<std::uint8_t> byte = ToWestern(c);
      if (!byte) return std::nullopt;
      bytes.push_back(*byte);
    }
    return bytes;
  }

 private:
  // 0x80..0x9F of code page 1252; the five bytes it leaves open map to the C1 controls.
  static constexpr std::array<char16_t, 32> kHighControls{
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

  static char16_t FromWestern(std::uint8_t byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char16_t{byte};
  }

  static std::optional<std::uint8_t> ToWestern(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
      if (kHighControls[i] == c) return static_cast<std::uint8_t>(0x80 + i);
    }
    return std::nullopt;
  }

  std::uint32_t codePage_;
};

}  // namespace kiv
