// The settings folder and file through the real file adapters of the test system.
#include <gtest/gtest.h>

#include "General.h"
#include "KivError.h"
#include "Win32FileSystem.h"
#include "WineTestSupport.h"
#include "settings/IniLinePositionStore.h"

namespace kiv::test {
namespace {

std::u16string Utf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

// The system's text for an error code, as the error messages quote it.
std::u16string SystemText(DWORD code) {
  wchar_t buffer[512] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                 buffer, 512, nullptr);
  std::wstring text = buffer;
  while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
  return Utf16(text);
}

// Holds a file open with the given sharing, as another program would.
class OpenFile {
 public:
  OpenFile(const std::wstring& path, DWORD access, DWORD share)
      : handle_(CreateFileW(path.c_str(), access, share, nullptr, OPEN_ALWAYS, 0, nullptr)) {}
  ~OpenFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

class SettingsStorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemovePath(AppDataFolder() + L"\\Brackenhall");
    ResetSettingsFolderForTesting();
  }
  void TearDown() override { RemovePath(AppDataFolder() + L"\\Brackenhall"); }

  std::wstring IniPath() const { return KivSettingsFolder() + L"\\KIV.ini"; }

  win32::Win32FileSystem fs_;
  win32::Win32TextCodec codec_;
  IniLinePositionStore store_{fs_, codec_};
};

TEST_F(SettingsStorageTest, PrepareCreatesBothFolderLevels) {
  ASSERT_TRUE(PrepareSettingsFolder(fs_, u"KIV"));
  EXPECT_TRUE(DirectoryExists(KivSettingsFolder()));
  EXPECT_EQ(SettingsFolder(), Utf16(KivSettingsFolder() + L"\\"));
  // Again, with everything in place.
  ResetSettingsFolderForTesting();
  EXPECT_TRUE(PrepareSettingsFolder(fs_, u"KIV"));
}

TEST_F(SettingsStorageTest, AFileInTheWayMakesPrepareFail) {
  WriteFileBytes(AppDataFolder() + L"\\Brackenhall", "not a folder");
  EXPECT_FALSE(PrepareSettingsFolder(fs_, u"KIV"));
  EXPECT_EQ(SettingsFolder(), Utf16(KivSettingsFolder() + L"\\"));
  EXPECT_FALSE(DirectoryExists(KivSettingsFolder()));
}

TEST_F(SettingsStorageTest, SaveWritesTheExactBytesAndReadsThemBack) {
  ASSERT_TRUE(PrepareSettingsFolder(fs_, u"KIV"));
  EXPECT_EQ(store_.Read(), kDefaultLinePosition);
  EXPECT_FALSE(FileExists(IniPath()));  // reading never creates the file
  store_.Save(2);
  EXPECT_EQ(ReadFileBytes(IniPath()), std::string("[Line]\r\nCount=2\r\n\r\n"));
  store_.Save(-1);
  EXPECT_EQ(store_.Read(), -1);
  WriteFileBytes(IniPath(), "[Other]\r\nx = 1\r\n; note\r\n[line]\r\nCOUNT = 0x1F\r\n");
  EXPECT_EQ(store_.Read(), 31);
  store_.Save(7);
  EXPECT_EQ(ReadFileBytes(IniPath()),
            std::string("[Other]\r\nx=1\r\n\r\n[line]\r\nCOUNT=7\r\n\r\n"));
}

TEST_F(SettingsStorageTest, AFileThatCannotBeOpenedGivesTheExactErrors) {
  ASSERT_TRUE(PrepareSettingsFolder(fs_, u"KIV"));
  store_.Save(5);
  const std::u16string path = Utf16(IniPath());
  {
    // Opened for writing elsewhere: neither reading nor saving gets in.
    OpenFile writer(IniPath(), GENERIC_WRITE, 0);
    ASSERT_TRUE(writer.Valid());
    const std::u16string text = SystemText(ERROR_SHARING_VIOLATION);
    try {
      store_.Read();
      ADD_FAILURE() << "read succeeded";
    } catch (const KivError& error) {
      EXPECT_EQ(error.Message(), u"ファイル " + path + u" は開けません。 " + text + u" ");
    }
    try {
      store_.Save(9);
      ADD_FAILURE() << "save succeeded";
    } catch (const KivError& error) {
      EXPECT_EQ(error.Message(), u"ファイル " + path + u" は開けません。 " + text + u" ");
    }
  }
  {
    // Only being read elsewhere: the read works, the save cannot replace the file.
    OpenFile reader(IniPath(), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(reader.Valid());
    EXPECT_EQ(store_.Read(), 5);
    try {
      store_.Save(9);
      ADD_FAILURE() << "save succeeded";
    } catch (const KivError& error) {
      EXPECT_EQ(error.Message(), u"ファイル \"" + path + u"\" を作成できません。" +
                                     SystemText(ERROR_SHARING_VIOLATION));
    }
  }
  EXPECT_EQ(ReadFileBytes(IniPath()), std::string("[Line]\r\nCount=5\r\n\r\n"));
}

// Text in the ANSI code page goes through the model and back byte for byte.
TEST_F(SettingsStorageTest, EveryByteOfTheCodePageSurvivesASave) {
  if (GetACP() != 1252) GTEST_SKIP() << "written for code page 1252, which maps every byte";
  ASSERT_TRUE(PrepareSettingsFolder(fs_, u"KIV"));
  std::string high;
  for (int byte = 0x80; byte <= 0xFF; ++byte) high += static_cast<char>(byte);
  WriteFileBytes(IniPath(), "[Other]\r\nname=" + high + "\r\n[Line]\r\nCount=4\r\n");
  EXPECT_EQ(store_.Read(), 4);
  store_.Save(1);
  EXPECT_EQ(ReadFileBytes(IniPath()),
            "[Other]\r\nname=" + high + "\r\n\r\n[Line]\r\nCount=1\r\n\r\n");
}

TEST_F(SettingsStorageTest, AFolderNamedLikeTheFileReadsAsAbsentButCannotBeSaved) {
  ASSERT_TRUE(PrepareSettingsFolder(fs_, u"KIV"));
  ASSERT_TRUE(CreateDirectoryW(IniPath().c_str(), nullptr));
  EXPECT_EQ(store_.Read(), kDefaultLinePosition);
  EXPECT_THROW(store_.Save(2), KivError);
  EXPECT_TRUE(DirectoryExists(IniPath()));
}

}  // namespace
}  // namespace kiv::test
