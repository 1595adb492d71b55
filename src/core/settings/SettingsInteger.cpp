#include "settings/SettingsInteger.h"

#include "Digits.h"

namespace kiv {

namespace {

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::optional<std::int32_t> ParseSettingsInteger(std::u16string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  std::size_t prefix = 0;
  if (StartsWith(text, u"0x") || StartsWith(text, u"0X")) {
    prefix = 2;
  } else if (StartsWith(text, u"$") || StartsWith(text, u"x") || StartsWith(text, u"X")) {
    prefix = 1;
  }
  if (prefix != 0) {
    text.remove_prefix(prefix);
    if (text.empty()) return std::nullopt;
    std::uint32_t pattern = 0;
    for (const char16_t c : text) {
      const int digit = HexDigitValue(c);
      // A further digit would push a set bit out of the 32-bit pattern.
      if (digit < 0 || pattern > 0x0FFFFFFFu) return std::nullopt;
      pattern = (pattern << 4) | static_cast<std::uint32_t>(digit);
    }
    // Negated as unsigned, so that -$80000000 wraps instead of overflowing.
    return static_cast<std::int32_t>(negative ? 0u - pattern : pattern);
  }
  if (text.empty()) return std::nullopt;
  // The magnitude stays below 2^33, since each step stops once it passes 2^31.
  std::int64_t magnitude = 0;
  for (const char16_t c : text) {
    if (!IsDecimalDigit(c)) return std::nullopt;
    magnitude = magnitude * 10 + (c - u'0');
    if (magnitude > std::int64_t{2147483648}) return std::nullopt;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::int64_t{2147483647}) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::u16string FormatSettingsInteger(std::int32_t value) {
  // Counted in 64 bits so that the most negative value has a magnitude too.
  std::int64_t magnitude = value;
  const bool negative = magnitude < 0;
  if (negative) magnitude = -magnitude;
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) digits.insert(digits.begin(), u'-');
  return digits;
}

}  // namespace kiv
