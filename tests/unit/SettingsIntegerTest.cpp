#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "settings/SettingsInteger.h"

namespace kiv {
namespace {

struct IntegerCase {
  std::u16string text;
  std::optional<std::int32_t> expected;
};

TEST(SettingsIntegerTest, ParsesValidTexts) {
  const IntegerCase cases[] = {
      {u"0", 0},
      {u"5", 5},
      {u"150", 150},
      {u"+7", 7},
      {u"-1", -1},
      {u"-0", 0},
      {u"007", 7},
      {u"00000000000000000000099", 99},
      {u"2147483647", 2147483647},
      {u"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {u"0x1F", 31},
      {u"0X1f", 31},
      {u"$1f", 31},
      {u"x1F", 31},
      {u"X1F", 31},
      {u"+$10", 16},
      {u"-$10", -16},
      {u"-x1", -1},
      {u"$FFFFFFFF", -1},
      {u"$7FFFFFFF", 2147483647},
      {u"$80000000", std::numeric_limits<std::int32_t>::min()},
      {u"-$80000000", std::numeric_limits<std::int32_t>::min()},
      {u"-$FFFFFFFF", 1},
      {u"$000000000000FFFFFFFF", -1},
      {u"$0", 0},
      {u"0x0", 0},
  };
  for (const IntegerCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(ParseSettingsInteger(c.text), c.expected);
  }
}

TEST(SettingsIntegerTest, RejectsInvalidTexts) {
  const std::u16string cases[] = {
      u"",
      u"-",
      u"+",
      u"$",
      u"x",
      u"0x",
      u"-$",
      u"5a",
      u"1 2",
      u" 5",
      u"5 ",
      u"2147483648",
      u"-2147483649",
      u"99999999999999999999",
      u"$123456789",
      u"$100000000",
      u"0x1G",
      u"--5",
      u"+-5",
      u"-+5",
      u"$-5",
      u"0x$5",
      u"1e3",
      u"1.0",
      u"x0x1",
      u"\uFF15",  // a full-width digit
  };
  for (const std::u16string& text : cases) {
    SCOPED_TRACE(testing::PrintToString(text));
    EXPECT_EQ(ParseSettingsInteger(text), std::nullopt);
  }
}

TEST(SettingsIntegerTest, FormatsPlainDecimal) {
  const struct {
    std::int32_t value;
    std::u16string expected;
  } cases[] = {
      {0, u"0"},
      {2, u"2"},
      {10, u"10"},
      {99, u"99"},
      {-1, u"-1"},
      {2147483647, u"2147483647"},
      {std::numeric_limits<std::int32_t>::min(), u"-2147483648"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatSettingsInteger(c.value), c.expected) << c.value;
  }
}

TEST(SettingsIntegerTest, EveryFormattedValueParsesBack) {
  for (std::int64_t value = std::numeric_limits<std::int32_t>::min();
       value <= std::numeric_limits<std::int32_t>::max(); value += 65537 * 3) {
    const auto v = static_cast<std::int32_t>(value);
    EXPECT_EQ(ParseSettingsInteger(FormatSettingsInteger(v)), v);
  }
  for (const std::int32_t v : {std::numeric_limits<std::int32_t>::max(), -100, -1, 0, 1, 100}) {
    EXPECT_EQ(ParseSettingsInteger(FormatSettingsInteger(v)), v);
  }
}

}  // namespace
}  // namespace kiv
