#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "FakeTextCodec.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsLookup.h"

namespace kiv {
namespace {

using namespace std::string_literals;
using Sections = std::vector<SettingsSection>;

SettingsEntry Pair(std::u16string key, std::u16string value) { return {key, value}; }
SettingsEntry Bare(std::u16string key) { return {key, std::nullopt}; }

struct ParseCase {
  const char* name;
  std::u16string text;
  Sections expected;
};

TEST(SettingsFileParseTest, BuildsTheModel) {
  const ParseCase cases[] = {
      {"empty", u"", {}},
      {"only blanks and comments", u" \t\r\n;[Line]\r\n\r\n", {}},
      {"the program's own file", u"[Line]\r\nCount=2\r\n\r\n", {{u"Line", {Pair(u"Count", u"2")}}}},
      {"no line end at the end", u"[Line]\r\nCount=2", {{u"Line", {Pair(u"Count", u"2")}}}},
      {"LF only",
       u"[A]\nk=1\n[B]\nk=2\n",
       {{u"A", {Pair(u"k", u"1")}}, {u"B", {Pair(u"k", u"2")}}}},
      {"CR only",
       u"[A]\rk=1\r[B]\rk=2\r",
       {{u"A", {Pair(u"k", u"1")}}, {u"B", {Pair(u"k", u"2")}}}},
      {"mixed line ends", u"[A]\r\r\nk=1\n\rj=2", {{u"A", {Pair(u"k", u"1"), Pair(u"j", u"2")}}}},
      {"blanks around = and at the ends",
       u"  [Line]  \r\n \tCount \t=  5 \t\r\n",
       {{u"Line", {Pair(u"Count", u"5")}}}},
      {"control characters are blanks",
       u"\x01[Line]\x1F\r\n\x0B"
       u"Count\x00=\x7F"
       u"5\x02"s,
       {{u"Line",
         {Pair(u"Count",
               u"\x7F"
               u"5")}}}},
      {"blanks inside the brackets", u"[  Line \t]\r\n", {{u"Line", {}}}},
      {"empty section name", u"[]\r\nk=v", {{u"", {Pair(u"k", u"v")}}}},
      {"brackets inside the name", u"[[a]b]]", {{u"[a]b]", {}}}},
      {"a lone bracket is an entry",
       u"[S]\r\n[\r\n]\r\n[x",
       {{u"S", {Bare(u"["), Bare(u"]"), Bare(u"[x")}}}},
      {"lines before the first header", u"k=1\r\nbare\r\n[S]\r\nj=2", {{u"S", {Pair(u"j", u"2")}}}},
      {"comments anywhere", u"[S]\r\n;k=1\r\n  ; x\r\nj=2;3", {{u"S", {Pair(u"j", u"2;3")}}}},
      {"key without value",
       u"[S]\r\nCount\r\nk =\r\n = v",
       {{u"S", {Bare(u"Count"), Pair(u"k", u""), Pair(u"", u"v")}}}},
      {"first = splits", u"[S]\r\na = b = c", {{u"S", {Pair(u"a", u"b = c")}}}},
      {"inner blanks kept", u"[S]\r\na b = c d", {{u"S", {Pair(u"a b", u"c d")}}}},
      {"repeated keys kept",
       u"[S]\r\nk=1\r\nK=2\r\nk=3",
       {{u"S", {Pair(u"k", u"1"), Pair(u"K", u"2"), Pair(u"k", u"3")}}}},
      {"repeated section skipped with its lines",
       u"[Line]\r\nCount=1\r\n[other]\r\nx=1\r\n[LINE]\r\nCount=9\r\nmore\r\n[Tail]\r\ny=2",
       {{u"Line", {Pair(u"Count", u"1")}},
        {u"other", {Pair(u"x", u"1")}},
        {u"Tail", {Pair(u"y", u"2")}}}},
      {"repeated name matched through the case mapping",
       u"[caf\u00E9]\r\na=1\r\n[CAF\u00C9]\r\nb=2",
       {{u"caf\u00E9", {Pair(u"a", u"1")}}}},
      {"repeated name after trimming", u"[A]\r\n[ a ]\r\nk=1", {{u"A", {}}}},
      {"repeated empty name", u"[]\r\n[ ]\r\nk=1", {{u"", {}}}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTextCodec codec;
    EXPECT_EQ(SettingsFile::Parse(c.text, codec).Sections(), c.expected);
  }
}

TEST(SettingsFileParseTest, LooksUpTheFirstMatchWithoutRegardToCase) {
  const struct {
    const char* name;
    std::u16string text;
    std::u16string section;
    std::u16string key;
    std::u16string expected;
  } cases[] = {
      {"exact", u"[Line]\r\nCount=5", u"Line", u"Count", u"5"},
      {"section in small letters, key in capitals", u"[line]\r\nCOUNT=5", u"Line", u"Count", u"5"},
      {"mapping beyond ASCII", u"[\u00E9t\u00E9]\r\nCl\u00E9=5", u"\u00C9T\u00C9", u"CL\u00C9",
       u"5"},
      {"first of two entries", u"[Line]\r\nCount=5\r\ncount=6", u"Line", u"Count", u"5"},
      {"first of two sections", u"[Line]\r\nCount=5\r\n[Line]\r\nCount=6", u"Line", u"Count", u"5"},
      {"a repeated section does not count", u"[Line]\r\nx=1\r\n[LINE]\r\nCount=6", u"Line",
       u"Count", u""},
      {"first entry has no value", u"[Line]\r\nCount\r\nCount=6", u"Line", u"Count", u""},
      {"no such section", u"[Lines]\r\nCount=5", u"Line", u"Count", u""},
      {"no such key", u"[Line]\r\nCounts=5", u"Line", u"Count", u""},
      {"other section's key", u"[A]\r\nCount=5\r\n[Line]", u"Line", u"Count", u""},
      {"a different letter is different", u"[Line]\r\nCo\u00FCnt=5", u"Line", u"Count", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTextCodec codec;
    EXPECT_EQ(FindSettingsValue(c.text, c.section, c.key, codec), c.expected);
  }
}

TEST(SettingsFileParseTest, SetsTheValueAndWritesTheWholeFile) {
  const struct {
    const char* name;
    std::u16string before;
    std::u16string after;
  } cases[] = {
      {"empty file", u"", u"[Line]\r\nCount=9\r\n\r\n"},
      {"section appended after the others", u"[A]\r\nx=1\r\n[B]",
       u"[A]\r\nx=1\r\n\r\n[B]\r\n\r\n[Line]\r\nCount=9\r\n\r\n"},
      {"entry appended at the end of the section", u"[Line]\r\na=1\r\n[B]\r\nb=2",
       u"[Line]\r\na=1\r\nCount=9\r\n\r\n[B]\r\nb=2\r\n\r\n"},
      {"letter case kept", u"[line]\r\nCOUNT = 5 \r\n", u"[line]\r\nCOUNT=9\r\n\r\n"},
      {"first of two entries updated, both kept", u"[Line]\r\ncount=1\r\nCount=2",
       u"[Line]\r\ncount=9\r\nCount=2\r\n\r\n"},
      {"entry without value gets one", u"[Line]\r\nCount\r\nk", u"[Line]\r\nCount=9\r\nk\r\n\r\n"},
      {"empty value replaced", u"[Line]\r\nCount=", u"[Line]\r\nCount=9\r\n\r\n"},
      {"comments, blanks, stray lines and repeats dropped",
       u"stray\r\n; note\r\n\r\n[Line]\r\n  Count  =  1  \r\n\r\n[Other]\r\n key = v \r\n"
       u"[LINE]\r\nCount=3\r\n",
       u"[Line]\r\nCount=9\r\n\r\n[Other]\r\nkey=v\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTextCodec codec;
    SettingsFile file = SettingsFile::Parse(c.before, codec);
    file.SetValue(u"Line", u"Count", u"9");
    EXPECT_EQ(file.Serialize(), c.after);
    EXPECT_EQ(FindSettingsValue(file.Serialize(), u"Line", u"Count", codec), u"9");
  }
}

}  // namespace
}  // namespace kiv
