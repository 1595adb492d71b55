// The input is a command line in UTF-16 LE. Splits it, converts what comes out, and checks the
// properties that must hold for any text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "CommandLine.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

std::int32_t Convert(const std::string& text) {
  return kiv::ConvertArgumentToNumber(std::u16string(text.begin(), text.end()));
}

std::string Format(const char* format, std::uint32_t bits) {
  char text[24];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(bits));
  return text;
}

// Checks the texts a value can be written as, and some near misses, against the value.
void CheckNumberRoundTrips(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  Check(Convert(std::to_string(value)) == value);
  Check(Convert("  " + std::to_string(value)) == value);
  Check(Convert(Format("0x%x", bits)) == value);
  // Leading zeros are not significant, a ninth significant digit is one too many.
  Check(Convert(Format("$0%08X", bits)) == value);
  Check(Convert(Format("X1%08x", bits)) == 0);

  // The opposite in decimal, which for the smallest value no longer fits.
  const std::int64_t opposite = -static_cast<std::int64_t>(value);
  const std::string sign = opposite < 0 ? "" : "+";
  Check(Convert(sign + std::to_string(opposite)) ==
        (opposite > std::numeric_limits<std::int32_t>::max()
             ? 0
             : static_cast<std::int32_t>(opposite)));
  // Shifted by 2^32 it never fits.
  const std::int64_t shifted =
      value < 0 ? value - (std::int64_t{1} << 32) : value + (std::int64_t{1} << 32);
  Check(Convert(std::to_string(shifted)) == 0);
}

void CheckArgumentConversion(std::u16string_view argument) {
  const std::int32_t value = kiv::ConvertArgumentToNumber(argument);

  // Plain decimal digits short enough to fit are read as themselves.
  if (!argument.empty() && argument.size() <= 9) {
    std::int32_t plain = 0;
    bool isPlain = true;
    for (const char16_t c : argument) {
      if (c < u'0' || c > u'9') {
        isPlain = false;
        break;
      }
      plain = plain * 10 + (c - u'0');
    }
    if (isPlain) Check(value == plain);
  }

  // Leading U+0020 blanks are skipped, no other character; a trailing blank spoils the text.
  std::u16string text(argument);
  Check(kiv::ConvertArgumentToNumber(u" " + text) == value);
  Check(kiv::ConvertArgumentToNumber(text + u" ") == 0);
  Check(kiv::ConvertArgumentToNumber(u"\t" + text) == 0);

  CheckNumberRoundTrips(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string line(size / 2, u'\0');
  for (std::size_t i = 0; i < line.size(); ++i) {
    line[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }

  const std::vector<std::u16string> arguments = kiv::SplitCommandLine(line);
  for (const std::u16string& argument : arguments) {
    Check(!argument.empty());
    Check(argument.find(u'"') == std::u16string::npos);
    Check(argument.find(u'\0') == std::u16string::npos);
    CheckArgumentConversion(argument);
  }

  // Each argument written back between quotes after a path splits into the same arguments.
  std::u16string quoted = u"kiv.exe";
  for (const std::u16string& argument : arguments) quoted += u" \"" + argument + u"\"";
  Check(kiv::SplitCommandLine(quoted) == arguments);

  // The whole input as one argument, NULs and all.
  CheckArgumentConversion(line);

  if (size >= 4) {
    const auto bits = static_cast<std::uint32_t>(data[0] | (data[1] << 8) | (data[2] << 16)) |
                      (static_cast<std::uint32_t>(data[3]) << 24);
    CheckNumberRoundTrips(static_cast<std::int32_t>(bits));
  }
  return 0;
}
