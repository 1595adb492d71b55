#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FakeTextCodec.h"
#include "KivError.h"
#include "settings/SettingsEncoding.h"
#include "settings/Utf8.h"

namespace kiv {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::u16string kMappingError =
    u"Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません";

struct DecodeCase {
  const char* name;
  std::uint32_t codePage;
  Bytes bytes;
  std::u16string text;
  SettingsEncoding encoding;
};

TEST(SettingsEncodingTest, DecodesByMark) {
  const DecodeCase cases[] = {
      {"empty file", 1252, {}, u"", SettingsEncoding::kAnsi},
      {"empty file, UTF-8 system", 65001, {}, u"", SettingsEncoding::kAnsi},
      {"ANSI 1252", 1252, {'a', 0x80, 0xE9, 0xFF}, u"a\u20AC\u00E9\u00FF", SettingsEncoding::kAnsi},
      {"ANSI 65001", 65001, {'a', 0xC3, 0xA9}, u"a\u00E9", SettingsEncoding::kAnsi},
      {"UTF-8 mark only", 1252, {0xEF, 0xBB, 0xBF}, u"", SettingsEncoding::kUtf8},
      {"UTF-8",
       1252,
       {0xEF, 0xBB, 0xBF, 'a', 0xE2, 0x82, 0xAC},
       u"a\u20AC",
       SettingsEncoding::kUtf8},
      {"UTF-8 four bytes",
       1252,
       {0xEF, 0xBB, 0xBF, 0xF0, 0x9F, 0x98, 0x80},
       u"\U0001F600",
       SettingsEncoding::kUtf8},
      {"UTF-8 mark twice",
       1252,
       {0xEF, 0xBB, 0xBF, 0xEF, 0xBB, 0xBF},
       u"\uFEFF",
       SettingsEncoding::kUtf8},
      {"UTF-16 LE mark only", 1252, {0xFF, 0xFE}, u"", SettingsEncoding::kUtf16Le},
      {"UTF-16 LE", 1252, {0xFF, 0xFE, 'a', 0, 0xAC, 0x20}, u"a\u20AC", SettingsEncoding::kUtf16Le},
      {"UTF-16 LE odd last byte",
       1252,
       {0xFF, 0xFE, 'a', 0, 'b'},
       u"a",
       SettingsEncoding::kUtf16Le},
      {"UTF-16 LE lone surrogate kept",
       1252,
       {0xFF, 0xFE, 0x00, 0xD8},
       u"\xD800",
       SettingsEncoding::kUtf16Le},
      {"UTF-16 BE mark only", 1252, {0xFE, 0xFF}, u"", SettingsEncoding::kUtf16Be},
      {"UTF-16 BE", 1252, {0xFE, 0xFF, 0, 'a', 0x20, 0xAC}, u"a\u20AC", SettingsEncoding::kUtf16Be},
      {"UTF-16 BE odd last byte",
       1252,
       {0xFE, 0xFF, 0, 'a', 'b'},
       u"a",
       SettingsEncoding::kUtf16Be},
      // Two bytes of a mark are not a mark.
      {"cut UTF-8 mark", 1252, {0xEF, 0xBB}, u"\u00EF\u00BB", SettingsEncoding::kAnsi},
      {"single FF", 1252, {0xFF}, u"\u00FF", SettingsEncoding::kAnsi},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTextCodec codec(c.codePage);
    const DecodedSettingsText decoded = DecodeSettingsText(c.bytes, codec);
    EXPECT_EQ(decoded.text, c.text);
    EXPECT_EQ(decoded.encoding, c.encoding);
  }
}

TEST(SettingsEncodingTest, RefusesBytesThatAreNoText) {
  const struct {
    const char* name;
    std::uint32_t codePage;
    Bytes bytes;
  } cases[] = {
      {"one byte after FF FE", 1252, {0xFF, 0xFE, 'a'}},
      {"one byte after FE FF", 1252, {0xFE, 0xFF, 'a'}},
      {"bad UTF-8 after the mark", 1252, {0xEF, 0xBB, 0xBF, 'a', 0xFF}},
      {"cut UTF-8 after the mark", 1252, {0xEF, 0xBB, 0xBF, 0xE2, 0x82}},
      {"bad UTF-8 in the ANSI code page 65001", 65001, {'[', 0xE9, ']'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTextCodec codec(c.codePage);
    try {
      DecodeSettingsText(c.bytes, codec);
      ADD_FAILURE() << "decoded";
    } catch (const KivError& error) {
      EXPECT_EQ(error.Message(), kMappingError);
    }
  }
}

struct EncodeCase {
  const char* name;
  std::uint32_t codePage;
  std::u16string text;
  SettingsEncoding encoding;
  Bytes bytes;
};

TEST(SettingsEncodingTest, EncodesWithTheSameMark) {
  const EncodeCase cases[] = {
      {"ANSI 1252 empty", 1252, u"", SettingsEncoding::kAnsi, {}},
      {"ANSI 1252", 1252, u"a\u20AC\u00E9", SettingsEncoding::kAnsi, {'a', 0x80, 0xE9}},
      {"ANSI 65001 gets the UTF-8 mark",
       65001,
       u"a\u00E9",
       SettingsEncoding::kAnsi,
       {0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9}},
      {"ANSI 65001 empty", 65001, u"", SettingsEncoding::kAnsi, {0xEF, 0xBB, 0xBF}},
      {"UTF-8",
       1252,
       u"a\u20AC",
       SettingsEncoding::kUtf8,
       {0xEF, 0xBB, 0xBF, 'a', 0xE2, 0x82, 0xAC}},
      {"UTF-16 LE", 1252, u"a\u20AC", SettingsEncoding::kUtf16Le, {0xFF, 0xFE, 'a', 0, 0xAC, 0x20}},
      {"UTF-16 BE", 1252, u"a\u20AC", SettingsEncoding::kUtf16Be, {0xFE, 0xFF, 0, 'a', 0x20, 0xAC}},
      {"UTF-16 LE lone surrogate",
       1252,
       u"\xDC00",
       SettingsEncoding::kUtf16Le,
       {0xFF, 0xFE, 0x00, 0xDC}},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTextCodec codec(c.codePage);
    EXPECT_EQ(EncodeSettingsText(c.text, c.encoding, codec), c.bytes);
  }
}

TEST(SettingsEncodingTest, RefusesTextWithoutBytesInTheEncoding) {
  const struct {
    const char* name;
    std::uint32_t codePage;
    std::u16string text;
    SettingsEncoding encoding;
  } cases[] = {
      {"no such character in 1252", 1252, u"\u3042", SettingsEncoding::kAnsi},
      {"lone surrogate in UTF-8", 1252, u"a\xD800", SettingsEncoding::kUtf8},
      {"lone surrogate in 65001", 65001, u"\xDC00", SettingsEncoding::kAnsi},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTextCodec codec(c.codePage);
    try {
      EncodeSettingsText(c.text, c.encoding, codec);
      ADD_FAILURE() << "encoded";
    } catch (const KivError& error) {
      EXPECT_EQ(error.Message(), kMappingError);
    }
  }
}

TEST(Utf8Test, AcceptsEveryFormAtItsLimits) {
  const struct {
    Bytes bytes;
    std::u16string text;
  } cases[] = {
      {{0x00}, std::u16string(1, u'\0')},
      {{0x7F}, u"\x7F"},
      {{0xC2, 0x80}, u"\x80"},
      {{0xDF, 0xBF}, u"\x7FF"},
      {{0xE0, 0xA0, 0x80}, u"\x800"},
      {{0xED, 0x9F, 0xBF}, u"\xD7FF"},
      {{0xEE, 0x80, 0x80}, u"\xE000"},
      {{0xEF, 0xBF, 0xBF}, u"\xFFFF"},
      {{0xF0, 0x90, 0x80, 0x80}, u"\U00010000"},
      {{0xF4, 0x8F, 0xBF, 0xBF}, u"\U0010FFFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(DecodeUtf8(c.bytes), c.text);
    EXPECT_EQ(EncodeUtf8(c.text), c.bytes);
  }
}

TEST(Utf8Test, RejectsMalformedBytes) {
  const Bytes cases[] = {
      {0x80},                    // continuation without lead
      {0xC0, 0x80},              // overlong NUL
      {0xC1, 0xBF},              // overlong
      {0xE0, 0x9F, 0xBF},        // overlong three bytes
      {0xED, 0xA0, 0x80},        // surrogate
      {0xF0, 0x8F, 0xBF, 0xBF},  // overlong four bytes
      {0xF4, 0x90, 0x80, 0x80},  // past U+10FFFF
      {0xF5, 0x80, 0x80, 0x80},  // no such lead
      {0xFF},                    //
      {0xC3},                    // cut at the end
      {0xE2, 0x82},              //
      {0xC3, 0x41},              // not a continuation
      {0xE2, 0x41, 0x82},        //
      {0xF0, 0x9F, 0x98, 0x41},  //
  };
  for (const Bytes& bytes : cases) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    EXPECT_EQ(DecodeUtf8(bytes), std::nullopt);
  }
}

}  // namespace
}  // namespace kiv
