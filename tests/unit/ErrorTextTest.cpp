#include <gtest/gtest.h>

#include "ErrorText.h"

namespace kiv {
namespace {

TEST(ErrorTextTest, GeneralReportAddsAFullStopOnlyAfterCharactersAboveIt) {
  const std::vector<std::pair<std::u16string, std::u16string>> rows = {
      {u"abc", u"abc."},
      {u"ファイルがありません。", u"ファイルがありません。."},
      {u"done.", u"done."},
      {u"stop!", u"stop!"},
      {u"(x)", u"(x)"},
      {u"a-", u"a-"},
      {u"ファイル C:\\KIV.ini は開けません。 Access denied ",
       u"ファイル C:\\KIV.ini は開けません。 Access denied "},
      {u"9", u"9."},
      {u"/", u"/."},
      {u"", u""},
  };
  for (const auto& [message, shown] : rows) EXPECT_EQ(GeneralErrorText(message), shown);
}

TEST(ErrorTextTest, FatalReportNamesTypeModuleOffsetAndMessage) {
  EXPECT_EQ(FatalErrorText(u"KivError", u"kiv.exe", 0x1A2B, u"abc"),
            u"KivError がモジュール kiv.exe の 0000000000001A2B で発生しました。\r\nabc.\r\n");
  EXPECT_EQ(FatalErrorText(u"E", u"kiv.exe", 0, u"x."),
            u"E がモジュール kiv.exe の 0000000000000000 で発生しました。\r\nx.\r\n");
  EXPECT_EQ(FatalErrorText(u"E", u"m", 0, u""),
            u"E がモジュール m の 0000000000000000 で発生しました。\r\n\r\n");
}

}  // namespace
}  // namespace kiv
