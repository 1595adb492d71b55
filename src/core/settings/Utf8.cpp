#include "settings/Utf8.h"

namespace kiv {

namespace {

bool IsContinuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

void AppendCodePoint(std::u16string& text, std::uint32_t codePoint) {
  if (codePoint < 0x10000) {
    text.push_back(static_cast<char16_t>(codePoint));
    return;
  }
  codePoint -= 0x10000;
  text.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
  text.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

}  // namespace

std::optional<std::u16string> DecodeUtf8(std::span<const std::uint8_t> bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::uint8_t lead = bytes[i];
    if (lead < 0x80) {
      text.push_back(lead);
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    // The range of the second byte excludes overlong forms, surrogates and values past U+10FFFF.
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      codePoint = lead & 0x0Fu;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      codePoint = lead & 0x07u;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return std::nullopt;
    }
    if (bytes.size() - i < length) return std::nullopt;
    if (bytes[i + 1] < low || bytes[i + 1] > high) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      if (!IsContinuation(bytes[i + k])) return std::nullopt;
      codePoint = (codePoint << 6) | (bytes[i + k] & 0x3Fu);
    }
    AppendCodePoint(text, codePoint);
    i += length;
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> EncodeUtf8(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t codePoint = text[i];
    if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) return std::nullopt;
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
        return std::nullopt;
      }
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    }
    if (codePoint < 0x80) {
      bytes.push_back(static_cast<std::uint8_t>(codePoint));
    } else if (codePoint < 0x800) {
      bytes.push_back(static_cast<std::uint8_t>(0xC0 | (codePoint >> 6)));
      bytes.push_back(static_cast<std::uint8_t>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
      bytes.push_back(static_cast<std::uint8_t>(0xE0 | (codePoint >> 12)));
      bytes.push_back(static_cast<std::uint8_t>(0x80 | ((codePoint >> 6) & 0x3F)));
      bytes.push_back(static_cast<std::uint8_t>(0x80 | (codePoint & 0x3F)));
    } else {
      bytes.push_back(static_cast<std::uint8_t>(0xF0 | (codePoint >> 18)));
      bytes.push_back(static_cast<std::uint8_t>(0x80 | ((codePoint >> 12) & 0x3F)));
      bytes.push_back(static_cast<std::uint8_t>(0x80 | ((codePoint >> 6) & 0x3F)));
      bytes.push_back(static_cast<std::uint8_t>(0x80 | (codePoint & 0x3F)));
    }
  }
  return bytes;
}

}  // namespace kiv
