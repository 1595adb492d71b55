#include <gtest/gtest.h>

#include <string>

#include "FakeTextCodec.h"
#include "settings/SavedSizeBound.h"
#include "settings/SettingsEncoding.h"
#include "settings/SettingsFile.h"

namespace kiv {
namespace {

constexpr std::size_t kLongest = 11;  // "-2147483648"

// What the save writes for the text with the longest value, in units of the text.
std::size_t SavedUnits(const std::u16string& text, FakeTextCodec& codec) {
  SettingsFile file = SettingsFile::Parse(text, codec);
  file.SetValue(u"Line", u"Count", u"-2147483648");
  return file.Serialize().size();
}

TEST(SavedSizeBoundTest, IsExactForTheProgramsOwnFilesAndNeverBelowForOthers) {
  const struct {
    const char* name;
    std::u16string text;
    bool exact;
  } cases[] = {
      {"the program's own file", u"[Line]\r\nCount=2\r\n\r\n", true},
      {"own file with other sections",
       u"[A]\r\nk=v\r\nbare\r\n\r\n[Line]\r\nCount=-1\r\nx=\r\n\r\n", true},
      {"a value longer than the longest", u"[Line]\r\nCount=123456789012345\r\n\r\n", true},
      {"empty file", u"", true},
      {"no Line section", u"[A]\r\nk=v\r\n\r\n", true},
      {"no Count entry", u"[Line]\r\nk=v\r\n\r\n", true},
      {"bare Count", u"[Line]\r\nCount\r\n\r\n", true},
      {"LF only", u"[Line]\nCount=2\nk=v\n", true},
      {"CR only, no last line end", u"[Line]\rCount=2\rk=v", true},
      {"blanks everywhere", u"  [ Line ]  \r\n\t Count \t=  7 \r\n \r\n", true},
      {"comments and stray lines", u"stray\r\n; note\r\n[Line]\r\n;x\r\nCount=1\r\n", true},
      {"a repeated section", u"[Line]\r\nCount=1\r\n[LINE]\r\nCount=2\r\nk=v\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTextCodec codec;
    const std::size_t bound = MaxSavedBytes(c.text, SettingsEncoding::kAnsi, c.text.size(), u"Line",
                                            u"Count", kLongest, codec);
    const std::size_t saved = SavedUnits(c.text, codec);
    if (c.exact) {
      EXPECT_EQ(bound, saved);
    } else {
      EXPECT_GT(bound, saved);
    }
  }
}

TEST(SavedSizeBoundTest, CountsTheEncodingsUnitsAndMark) {
  const std::u16string text = u"[Line]\nCount=2\n";
  const std::size_t savedUnits = std::u16string(u"[Line]\r\nCount=-2147483648\r\n\r\n").size();
  FakeTextCodec western;
  FakeTextCodec utf8System(kUtf8CodePage);
  // UTF-16: two bytes a unit, and the mark as it was.
  EXPECT_EQ(MaxSavedBytes(text, SettingsEncoding::kUtf16Le, 2 + 2 * text.size(), u"Line", u"Count",
                          kLongest, western),
            2 + 2 * savedUnits);
  // An ANSI file on a UTF-8 system gains the UTF-8 mark.
  EXPECT_EQ(MaxSavedBytes(text, SettingsEncoding::kAnsi, text.size(), u"Line", u"Count", kLongest,
                          utf8System),
            3 + savedUnits);
  EXPECT_EQ(MaxSavedBytes(text, SettingsEncoding::kUtf8, 3 + text.size(), u"Line", u"Count",
                          kLongest, utf8System),
            3 + savedUnits);
}

}  // namespace
}  // namespace kiv
