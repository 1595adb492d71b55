#include "CommandLine.h"

#include <cstddef>
#include <utility>

#include "Digits.h"

namespace kiv {

namespace {

constexpr char16_t kQuote = u'"';

// Blanks and control characters separate fields. NUL is not among them: it ends the line.
bool IsSeparator(char16_t c) { return c >= 1 && c <= 32; }

}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine) {
  // GetCommandLineW text ends at its NUL, so anything a view carries past one is not part of it.
  if (const std::size_t nul = commandLine.find(u'\0'); nul != std::u16string_view::npos) {
    commandLine = commandLine.substr(0, nul);
  }
  const std::size_t end = commandLine.size();

  std::vector<std::u16string> arguments;
  std::size_t pos = 0;
  bool isProgramPath = true;
  for (;;) {
    // An empty pair of quotes counts as blank space, not as a field.
    for (;;) {
      while (pos < end && IsSeparator(commandLine[pos])) ++pos;
      if (pos + 1 < end && commandLine[pos] == kQuote && commandLine[pos + 1] == kQuote) {
        pos += 2;
      } else {
        break;
      }
    }
    if (pos == end) break;

    std::u16string field;
    while (pos < end && !IsSeparator(commandLine[pos])) {
      if (commandLine[pos] == kQuote) {
        ++pos;
        while (pos < end && commandLine[pos] != kQuote) field += commandLine[pos++];
        if (pos < end) ++pos;  // the closing quote
      } else {
        field += commandLine[pos++];
      }
    }

    if (isProgramPath) {
      isProgramPath = false;
      continue;
    }
    if (field.empty()) break;
    arguments.push_back(std::move(field));
  }
  return arguments;
}

std::int32_t ConvertArgumentToNumber(std::u16string_view argument) {
  const std::size_t end = argument.size();
  std::size_t pos = 0;
  while (pos < end && argument[pos] == u' ') ++pos;

  bool negative = false;
  if (pos < end && (argument[pos] == u'-' || argument[pos] == u'+')) {
    negative = argument[pos] == u'-';
    ++pos;
  }

  // Work in unsigned arithmetic so that no input can overflow a signed value.
  std::uint32_t magnitude = 0;
  std::size_t digits = 0;
  const auto next = [&](std::size_t offset) {
    return pos + offset < end ? argument[pos + offset] : u'\0';
  };

  if (next(0) == u'$' || next(0) == u'x' || next(0) == u'X' ||
      (next(0) == u'0' && (next(1) == u'x' || next(1) == u'X'))) {
    pos += next(0) == u'0' ? 2 : 1;
    // Eight significant digits fill 32 bits; a ninth is left unread and so spoils the text.
    std::size_t significant = 0;
    while (pos < end) {
      const int value = HexDigitValue(argument[pos]);
      if (value < 0) break;
      if (magnitude != 0 || value != 0) {
        if (significant == 8) break;
        ++significant;
      }
      magnitude = (magnitude << 4) | static_cast<std::uint32_t>(value);
      ++digits;
      ++pos;
    }
    // Hexadecimal is a bit pattern: '-' negates it modulo 2^32 and any pattern is in range.
    if (negative) magnitude = 0u - magnitude;
  } else {
    constexpr std::uint32_t kMaxMagnitude = 2147483648u;  // |INT32_MIN|
    bool outOfRange = false;
    while (pos < end && IsDecimalDigit(argument[pos])) {
      const auto value = static_cast<std::uint32_t>(argument[pos] - u'0');
      if (!outOfRange) {
        if (magnitude > (kMaxMagnitude - value) / 10) {
          outOfRange = true;
        } else {
          magnitude = magnitude * 10 + value;
        }
      }
      ++digits;
      ++pos;
    }
    if (magnitude == kMaxMagnitude && !negative) outOfRange = true;
    if (outOfRange) return 0;
    if (negative) magnitude = 0u - magnitude;
  }

  if (digits == 0 || pos != end) return 0;
  // C++20 defines this conversion as two's complement.
  return static_cast<std::int32_t>(magnitude);
}

}  // namespace kiv
