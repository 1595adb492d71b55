#pragma once

namespace kiv {

// The value of one hexadecimal digit, either case, or -1 for any other character.
constexpr int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

constexpr bool IsDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace kiv
