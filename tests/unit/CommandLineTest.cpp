#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "CommandLine.h"

namespace kiv {
namespace {

using namespace std::string_literals;

using Args = std::vector<std::u16string>;

struct SplitCase {
  std::u16string line;
  Args expected;
};

void ExpectSplits(const std::vector<SplitCase>& cases) {
  for (const SplitCase& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.expected)
        << "command line: " << ::testing::PrintToString(c.line);
  }
}

TEST(CommandLineSplit, ProgramPathIsNotAnArgument) {
  ExpectSplits({
      {u"", {}},
      {u"   \t", {}},
      {u"kiv.exe", {}},
      {u"kiv.exe   ", {}},
      {u"\"C:\\Program Files\\kiv.exe\"", {}},
      {u"\"C:\\Program Files\\kiv.exe\" /w", {u"/w"}},
      {u"  C:\\KIV\\kiv.exe /t", {u"/t"}},
      // The path field only ends at a separator, whatever its quotes.
      {u"\"kiv.exe\"/t", {}},
      {u"\"kiv.exe\"\"/t\" 5", {u"5"}},
      // An unterminated quote swallows the rest of the line into the path.
      {u"\" /t 5", {}},
      {u"\"", {}},
  });
}

TEST(CommandLineSplit, SeparatorsAreCodesOneToThirtyTwo) {
  ExpectSplits({
      {u"kiv.exe /t 5", {u"/t", u"5"}},
      {u"kiv.exe   /t    5   ", {u"/t", u"5"}},
      {u"kiv.exe\t/t\r\n5", {u"/t", u"5"}},
      {u"kiv.exe\x01/t\x1f"
       u"5\x0b",
       {u"/t", u"5"}},
      // Codes above 32 belong to the field, including look-alikes of blanks.
      {u"kiv.exe a!b", {u"a!b"}},
      {u"kiv.exe a\u00a0b\u3000c", {u"a\u00a0b\u3000c"}},
      {u"kiv.exe \x7f", {u"\x7f"}},
  });
}

TEST(CommandLineSplit, QuotesGroupAndAreDropped) {
  ExpectSplits({
      {u"kiv.exe \"/t\"", {u"/t"}},
      {u"kiv.exe \"/w \"", {u"/w "}},
      {u"kiv.exe \" 5\"", {u" 5"}},
      {u"kiv.exe a\"b c\"d", {u"ab cd"}},
      {u"kiv.exe \"a\"\"b\"", {u"ab"}},
      {u"kiv.exe a\"\"b", {u"ab"}},
      {u"kiv.exe \"tab\tand\nbreak\"", {u"tab\tand\nbreak"}},
      {u"kiv.exe \"one two\" three", {u"one two", u"three"}},
      // A quote left open runs to the end of the line.
      {u"kiv.exe \"open to the end", {u"open to the end"}},
      {u"kiv.exe x\"y z", {u"xy z"}},
  });
}

TEST(CommandLineSplit, BackslashIsOrdinary) {
  ExpectSplits({
      {u"kiv.exe C:\\dir\\ \\\\server", {u"C:\\dir\\", u"\\\\server"}},
      {u"kiv.exe \\\"x y\"", {u"\\x y"}},
      {u"kiv.exe \"a\\\" b", {u"a\\", u"b"}},
  });
}

TEST(CommandLineSplit, EmptyQuotePairIsBlankSpace) {
  ExpectSplits({
      {u"kiv.exe \"\"", {}},
      {u"kiv.exe \"\" /t", {u"/t"}},
      {u"kiv.exe \"\"/t", {u"/t"}},
      {u"kiv.exe \"\" \"\" \"\"\"\" 5", {u"5"}},
      {u"kiv.exe /t \"\"", {u"/t"}},
      {u"kiv.exe \"\"\"/t\"", {u"/t"}},
      {u"kiv.exe\"\" /t", {u"/t"}},
  });
}

TEST(CommandLineSplit, LoneQuoteAtEndEndsTheArguments) {
  ExpectSplits({
      {u"kiv.exe \"", {}},
      {u"kiv.exe /t \"", {u"/t"}},
      {u"kiv.exe /t 5 \t\"", {u"/t", u"5"}},
      {u"kiv.exe \"\" \"", {}},
  });
}

TEST(CommandLineSplit, NulEndsTheLine) {
  ExpectSplits({
      {u"\0kiv.exe /t"s, {}},
      {u"kiv.exe\0 /t"s, {}},
      {u"kiv.exe /t\0 5"s, {u"/t"}},
      {u"kiv.exe /t\0"s, {u"/t"}},
      {u"kiv.exe a\0b"s, {u"a"}},
      {u"kiv.exe \"a\0b\" c"s, {u"a"}},
      {u"kiv.exe /t \"\0\" 5"s, {u"/t"}},
      {u"kiv.exe \0\0\0"s, {}},
  });
}

struct NumberCase {
  std::u16string text;
  std::int32_t expected;
};

void ExpectNumbers(const std::vector<NumberCase>& cases) {
  for (const NumberCase& c : cases) {
    EXPECT_EQ(ConvertArgumentToNumber(c.text), c.expected)
        << "argument: " << ::testing::PrintToString(c.text);
  }
}

TEST(CommandLineNumber, SpeedArguments) {
  ExpectNumbers({
      {u"5", 5},
      {u"05", 5},
      {u"0005", 5},
      {u"+3", 3},
      {u" 5", 5},
      {u"   +7", 7},
      {u"20", 20},
      {u"$A", 10},
      {u"$a", 10},
      {u"xa", 10},
      {u"0x14", 20},
      {u"0X14", 20},
      {u"X14", 20},
      {u"$0014", 20},
      {u"+$1", 1},
      {u" 0xF", 15},
      {u"-$FFFFFFFF", 1},
      {u"-0xFFFFFFEC", 20},
  });
}

TEST(CommandLineNumber, ValidButNoSpeed) {
  // These convert; it is the caller that turns down values outside 1..20.
  ExpectNumbers({
      {u"0", 0},
      {u"-0", 0},
      {u"21", 21},
      {u"-3", -3},
      {u"$15", 21},
      {u"-$1", -1},
      {u"$FFFFFFFF", -1},
      {u"100", 100},
  });
}

TEST(CommandLineNumber, Invalid) {
  ExpectNumbers({
      {u"", 0},
      {u" ", 0},
      {u"+", 0},
      {u"-", 0},
      {u"$", 0},
      {u"x", 0},
      {u"0x", 0},
      {u"-0X", 0},
      {u"5 ", 0},
      {u"$A ", 0},
      {u"1e1", 0},
      {u"12a", 0},
      {u"abc", 0},
      {u"/t", 0},
      {u"/w", 0},
      {u"$G", 0},
      {u"0xAG", 0},
      // Only U+0020 is skipped before the number.
      {u"\t5", 0},
      {u"\u00a05", 0},
      {u"5\0"s, 0},
      {u"\0"
       u"5"s,
       0},
      // One sign, right before the digits or the prefix.
      {u"--5", 0},
      {u"+-5", 0},
      {u"- 5", 0},
      {u"$-5", 0},
      {u"0x+5", 0},
      {u"5-", 0},
      // One prefix only.
      {u"$$5", 0},
      {u"0x$5", 0},
      {u"xx5", 0},
      {u"x0x5", 0},
      {u"00x5", 0},
      {u"0 x5", 0},
      // Digits outside ASCII.
      {u"\uff15", 0},
      {u"\u0663", 0},
  });
}

TEST(CommandLineNumber, DecimalRange) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  ExpectNumbers({
      {u"2147483647", kMax},
      {u"+2147483647", kMax},
      {u"00000000000002147483647", kMax},
      {u"-2147483647", -kMax},
      {u"-2147483648", kMin},
      {u"-000002147483648", kMin},
      {u"2147483648", 0},
      {u"+2147483648", 0},
      {u"-2147483649", 0},
      {u"4294967295", 0},
      {u"4294967296", 0},
      {u"4294967301", 0},
      {u"21474836470", 0},
      {u"99999999999999999999999999", 0},
      {u"-99999999999999999999999999", 0},
  });
}

TEST(CommandLineNumber, HexadecimalWidth) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  ExpectNumbers({
      {u"$7FFFFFFF", kMax},
      {u"$80000000", kMin},
      {u"-$80000000", kMin},
      {u"-$7fffffff", -kMax},
      {u"0xdeadBEEF", static_cast<std::int32_t>(0xdeadbeefu)},
      // Leading zeros are not significant digits.
      {u"$000000001", 1},
      {u"$0000000000000000FFFFFFFF", -1},
      {u"$12345678", 0x12345678},
      // A ninth significant digit makes the text invalid.
      {u"$123456789", 0},
      {u"$100000000", 0},
      {u"0x0100000000", 0},
      {u"-$FFFFFFFFF", 0},
  });
}

// Each value written out by an independent formatter must come back unchanged.
TEST(CommandLineNumber, FormattedValuesRoundTrip) {
  std::vector<std::int64_t> values;
  for (std::int64_t v = -300; v <= 300; ++v) values.push_back(v);
  for (std::int64_t bit = 1; bit <= (std::int64_t{1} << 31); bit <<= 1) {
    for (const std::int64_t v : {bit - 1, bit, bit + 1, -bit + 1, -bit, -bit - 1}) {
      values.push_back(v);
    }
  }

  for (const std::int64_t v : values) {
    const bool fits = v >= std::numeric_limits<std::int32_t>::min() &&
                      v <= std::numeric_limits<std::int32_t>::max();
    const std::int32_t expected = fits ? static_cast<std::int32_t>(v) : 0;
    const std::string decimal = std::to_string(v);
    EXPECT_EQ(ConvertArgumentToNumber(std::u16string(decimal.begin(), decimal.end())), expected)
        << decimal;

    if (fits) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "$%X", static_cast<unsigned>(static_cast<std::uint32_t>(v)));
      const std::string text = hex;
      EXPECT_EQ(ConvertArgumentToNumber(std::u16string(text.begin(), text.end())), expected)
          << text;
    }
  }
}

// What the start-up code sees: the first argument of a whole command line as a number.
TEST(CommandLineNumber, QuotedArgumentsFromCommandLine) {
  const std::vector<NumberCase> cases = {
      {u"kiv.exe \" 5\"", 5},         {u"kiv.exe \"5 \"", 0}, {u"kiv.exe 0\"x\"14", 20},
      {u"kiv.exe \"-$FFFFFFFF\"", 1}, {u"kiv.exe \"\" 7", 7},
  };
  for (const NumberCase& c : cases) {
    const Args args = SplitCommandLine(c.text);
    ASSERT_EQ(args.size(), 1u) << ::testing::PrintToString(c.text);
    EXPECT_EQ(ConvertArgumentToNumber(args.front()), c.expected)
        << ::testing::PrintToString(c.text);
  }
}

}  // namespace
}  // namespace kiv
