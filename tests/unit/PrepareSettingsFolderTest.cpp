#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeFileSystem.h"
#include "General.h"

namespace kiv {
namespace {

const std::u16string kBase = u"C:\\Users\\Ann\\AppData\\Roaming";
const std::u16string kBrackenhall = kBase + u"\\Brackenhall";
const std::u16string kKiv = kBrackenhall + u"\\KIV";

class PrepareSettingsFolderTest : public testing::Test {
 protected:
  void SetUp() override { ResetSettingsFolderForTesting(); }
  void TearDown() override { ResetSettingsFolderForTesting(); }
};

struct FolderCase {
  const char* name;
  std::function<void(FakeFileSystem&)> arrange;
  bool result;
  std::vector<std::u16string> creations;  // in order, whether they worked or not
  std::u16string folder;
};

TEST_F(PrepareSettingsFolderTest, CreatesEachLevelOnlyWhereMissing) {
  const FolderCase cases[] = {
      {"nothing there yet", [](FakeFileSystem&) {}, true, {kBrackenhall, kKiv}, kKiv + u"\\"},
      {"both there",
       [](FakeFileSystem& fs) {
         fs.AddDirectory(kBrackenhall);
         fs.AddDirectory(kKiv);
       },
       true,
       {},
       kKiv + u"\\"},
      {"only Brackenhall there",
       [](FakeFileSystem& fs) { fs.AddDirectory(kBrackenhall); },
       true,
       {kKiv},
       kKiv + u"\\"},
      // Never recursive: the application-data folder itself is not created.
      {"base missing",
       [](FakeFileSystem& fs) { fs.Remove(kBase); },
       false,
       {kBrackenhall, kKiv},
       kKiv + u"\\"},
      {"a file named Brackenhall",
       [](FakeFileSystem& fs) { fs.AddFile(kBrackenhall, {}); },
       false,
       {kBrackenhall, kKiv},
       kKiv + u"\\"},
      {"a file named KIV",
       [](FakeFileSystem& fs) {
         fs.AddDirectory(kBrackenhall);
         fs.AddFile(kKiv, {'x'});
       },
       false,
       {kKiv},
       kKiv + u"\\"},
      {"Brackenhall may not be created",
       [](FakeFileSystem& fs) { fs.DenyCreation(kBrackenhall); },
       false,
       {kBrackenhall, kKiv},
       kKiv + u"\\"},
      {"KIV may not be created",
       [](FakeFileSystem& fs) { fs.DenyCreation(kKiv); },
       false,
       {kBrackenhall, kKiv},
       kKiv + u"\\"},
      // A failed query would otherwise put the folders in the root of the current drive.
      {"no application-data folder",
       [](FakeFileSystem& fs) { fs.SetAppDataFolder(u""); },
       false,
       {},
       u"\\Brackenhall\\KIV\\"},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetSettingsFolderForTesting();
    FakeFileSystem fs(kBase);
    c.arrange(fs);
    EXPECT_EQ(PrepareSettingsFolder(fs, u"KIV"), c.result);
    EXPECT_EQ(fs.CreatedDirectories(), c.creations);
    EXPECT_EQ(SettingsFolder(), c.folder);
    EXPECT_EQ(fs.DirectoryExists(kKiv), c.result);
  }
}

TEST_F(PrepareSettingsFolderTest, UsesTheNameGivenAndEndsInABackslash) {
  FakeFileSystem fs(u"D:\\Profiles\\Bo");
  ASSERT_TRUE(PrepareSettingsFolder(fs, u"Other"));
  EXPECT_EQ(SettingsFolder(), u"D:\\Profiles\\Bo\\Brackenhall\\Other\\");
  EXPECT_TRUE(fs.DirectoryExists(u"D:\\Profiles\\Bo\\Brackenhall\\Other"));
  EXPECT_FALSE(fs.DirectoryExists(u"D:\\Profiles\\Bo\\Brackenhall\\KIV"));
}

}  // namespace
}  // namespace kiv
