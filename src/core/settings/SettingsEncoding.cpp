#include "settings/SettingsEncoding.h"

#include <algorithm>
#include <array>

#include "settings/SettingsErrors.h"
#include "settings/Utf8.h"

namespace kiv {

namespace {

constexpr std::array<std::uint8_t, 3> kUtf8Mark{0xEF, 0xBB, 0xBF};
constexpr std::array<std::uint8_t, 2> kUtf16LeMark{0xFF, 0xFE};
constexpr std::array<std::uint8_t, 2> kUtf16BeMark{0xFE, 0xFF};

bool StartsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> mark) {
  return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

std::u16string DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
  // A lone byte is no character at all; a byte left over after whole units is dropped.
  if (bytes.size() == 1) throw TextMappingError();
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned first = bytes[i];
    const unsigned second = bytes[i + 1];
    text.push_back(
        static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
  }
  return text;
}

void AppendUtf16(std::vector<std::uint8_t>& bytes, std::u16string_view text, bool bigEndian) {
  for (const char16_t unit : text) {
    const auto high = static_cast<std::uint8_t>(unit >> 8);
    const auto low = static_cast<std::uint8_t>(unit & 0xFF);
    bytes.push_back(bigEndian ? high : low);
    bytes.push_back(bigEndian ? low : high);
  }
}

void Append(std::vector<std::uint8_t>& bytes, std::span<const std::uint8_t> more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}

}  // namespace

DecodedSettingsText DecodeSettingsText(std::span<const std::uint8_t> bytes, TextCodec& codec) {
  if (StartsWith(bytes, kUtf8Mark)) {
    std::optional<std::u16string> text = DecodeUtf8(bytes.subspan(kUtf8Mark.size()));
    if (!text) throw TextMappingError();
    return {std::move(*text), SettingsEncoding::kUtf8};
  }
  if (StartsWith(bytes, kUtf16LeMark)) {
    return {DecodeUtf16(bytes.subspan(kUtf16LeMark.size()), false), SettingsEncoding::kUtf16Le};
  }
  if (StartsWith(bytes, kUtf16BeMark)) {
    return {DecodeUtf16(bytes.subspan(kUtf16BeMark.size()), true), SettingsEncoding::kUtf16Be};
  }
  // A byte the code page has no character for would be rewritten as another one by the save.
  std::optional<std::u16string> text = codec.AnsiDecode(bytes);
  if (!text) throw TextMappingError();
  return {std::move(*text), SettingsEncoding::kAnsi};
}

std::vector<std::uint8_t> EncodeSettingsText(std::u16string_view text, SettingsEncoding encoding,
                                             TextCodec& codec) {
  std::vector<std::uint8_t> bytes;
  switch (encoding) {
    case SettingsEncoding::kAnsi: {
      if (codec.AnsiCodePage() == kUtf8CodePage) Append(bytes, kUtf8Mark);
      const std::optional<std::vector<std::uint8_t>> body = codec.AnsiEncode(text);
      if (!body) throw TextMappingError();
      Append(bytes, *body);
      break;
    }
    case SettingsEncoding::kUtf8: {
      Append(bytes, kUtf8Mark);
      const std::optional<std::vector<std::uint8_t>> body = EncodeUtf8(text);
      if (!body) throw TextMappingError();
      Append(bytes, *body);
      break;
    }
    case SettingsEncoding::kUtf16Le:
      Append(bytes, kUtf16LeMark);
      AppendUtf16(bytes, text, false);
      break;
    case SettingsEncoding::kUtf16Be:
      Append(bytes, kUtf16BeMark);
      AppendUtf16(bytes, text, true);
      break;
  }
  return bytes;
}

}  // namespace kiv
