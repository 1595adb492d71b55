// The settings folder and file through the real file adapters of the test system.
#include <gtest/gtest.h>

#include <algorithm>

#include "General.h"
#include "KivError.h"
#include "Win32FileSystem.h"
#include "Win32TextCodec.h"
#include "WineHelpers.h"
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
  EXPECT_FALSE(FileExists(IniPath() + L".tmp"));
}

TEST_F(SettingsStorageTest, AReadOnlyFileIsRefusedAndKept) {
  ASSERT_TRUE(PrepareSettingsFolder(fs_, u"KIV"));
  const std::string before = "[Line]\r\nCount=5\r\n; the user's own note\r\n";
  WriteFileBytes(IniPath(), before);
  ASSERT_TRUE(SetFileAttributesW(IniPath().c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(store_.Read(), 5);
  try {
    store_.Save(9);
    ADD_FAILURE() << "save succeeded";
  } catch (const KivError& error) {
    EXPECT_EQ(error.Message(), u"ファイル \"" + Utf16(IniPath()) + u"\" を作成できません。" +
                                   SystemText(ERROR_ACCESS_DENIED));
  }
  SetFileAttributesW(IniPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFileBytes(IniPath()), before);
  EXPECT_FALSE(FileExists(IniPath() + L".tmp"));
}

// A save that a crash cut short leaves its temporary file; it is never read, and the next save
// takes it away.
TEST_F(SettingsStorageTest, ATemporaryFileLeftByACrashIsIgnoredAndCleanedUp) {
  ASSERT_TRUE(PrepareSettingsFolder(fs_, u"KIV"));
  WriteFileBytes(IniPath() + L".tmp", "[Line]\r\nCount=9\r\n[Half");
  EXPECT_EQ(store_.Read(), kDefaultLinePosition);
  WriteFileBytes(IniPath(), "[Line]\r\nCount=4\r\n");
  EXPECT_EQ(store_.Read(), 4);
  store_.Save(6);
  EXPECT_EQ(ReadFileBytes(IniPath()), std::string("[Line]\r\nCount=6\r\n\r\n"));
  EXPECT_FALSE(FileExists(IniPath() + L".tmp"));
}

// The settings folder on a tiny file system (a tmpfs that the test run mounts): the file takes
// most of it, so the new contents run out of room half-way.
TEST_F(SettingsStorageTest, AFullDiskLeavesTheFileExactlyAsItWas) {
  const wchar_t* folder = _wgetenv(L"KIV_SMALL_FS");
  if (folder == nullptr) GTEST_SKIP() << "KIV_SMALL_FS names no small file system";
  if (const auto reason = ReadFileBytes(std::wstring(folder) + L".skip")) {
    GTEST_SKIP() << *reason;
  }
  class SmallDisk : public win32::Win32FileSystem {
   public:
    explicit SmallDisk(std::u16string folder) : folder_(std::move(folder)) {}
    std::u16string AppDataFolder() override { return folder_; }

   private:
    std::u16string folder_;
  } disk(Utf16(folder));
  IniLinePositionStore store(disk, codec_);
  ASSERT_TRUE(PrepareSettingsFolder(disk, u"KIV"));
  const std::wstring ini = std::wstring(folder) + L"\\Brackenhall\\KIV\\KIV.ini";

  // About 40 KB of other settings, with the line count at the very end.
  std::string before = "[Other]\r\n";
  for (int i = 0; before.size() < 40000; ++i) {
    before += "name" + std::to_string(i) + "=" + std::string(60, 'x') + "\r\n";
  }
  before += "[Line]\r\nCount=4\r\n";
  WriteFileBytes(ini, before);
  ASSERT_EQ(ReadFileBytes(ini), before) << "the small file system has no room for the file";

  try {
    store.Save(7);
    ADD_FAILURE() << "save succeeded";
  } catch (const KivError& error) {
    EXPECT_EQ(error.Message(),
              u"ファイル \"" + Utf16(ini) + u"\" を作成できません。" + SystemText(ERROR_DISK_FULL));
  }
  EXPECT_EQ(ReadFileBytes(ini), before);
  EXPECT_FALSE(FileExists(ini + L".tmp"));
  EXPECT_EQ(store.Read(), 4);
  RemovePath(std::wstring(folder) + L"\\Brackenhall");
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

// Japanese systems: code page 932, where a character may take two bytes and the second may look
// like "[", "]" or "\\". The test run repeats this suite in a Japanese locale.
TEST_F(SettingsStorageTest, EveryCharacterOfCodePage932SurvivesASave) {
  if (GetACP() != 932) GTEST_SKIP() << "runs where the ANSI code page is 932 (Japanese)";
  ASSERT_TRUE(PrepareSettingsFolder(fs_, u"KIV"));
  // Every single byte and every two-byte sequence that the code page maps and writes back as it
  // was. (A few characters have two codes, such as the NEC and IBM forms of the same symbol; the
  // system writes them in one of the two, the same character.)
  const auto roundTrips = [](const char* bytes, int length) {
    wchar_t units[2] = {};
    if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, length, units, 2) != 1) return false;
    char back[4] = {};
    BOOL lossy = FALSE;
    const int written =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, units, 1, back, 4, nullptr, &lossy);
    return !lossy && written == length && std::equal(bytes, bytes + length, back);
  };
  std::string file = "[Other]\r\n";
  std::string singles;
  for (int byte = 0x21; byte <= 0xFF; ++byte) {
    const char text[] = {static_cast<char>(byte)};
    if (roundTrips(text, 1)) singles += text[0];
  }
  file += "single=" + singles + "\r\n";
  int pairs = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    std::string line = "lead" + std::to_string(lead) + "=";
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const char text[] = {static_cast<char>(lead), static_cast<char>(trail)};
      if (roundTrips(text, 2)) {
        line.append(text, 2);
        ++pairs;
      }
    }
    file += line + "\r\n";
  }
  ASSERT_GT(pairs, 7000) << "the code page is not the Japanese one";
  // A line that ends in a byte "]" is no header when that byte ends a character ("[ゾ" is
  // 5B 83 5D); "ソ" and "表" end in the byte of "\\".
  file += "[\x83\x5D\r\nk=\x83\x5C\x95\x5C\r\n";
  WriteFileBytes(IniPath(), file + "[Line]\r\nCount=4\r\n");
  EXPECT_EQ(store_.Read(), 4);
  store_.Save(1);
  EXPECT_EQ(ReadFileBytes(IniPath()), file + "\r\n[Line]\r\nCount=1\r\n\r\n");
}

TEST_F(SettingsStorageTest, ALeadByteWithoutItsSecondByteIsNoTextIn932) {
  if (GetACP() != 932) GTEST_SKIP() << "runs where the ANSI code page is 932 (Japanese)";
  ASSERT_TRUE(PrepareSettingsFolder(fs_, u"KIV"));
  const std::u16string mappingError =
      u"Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません";
  for (const std::string& cut : {std::string("k=\x83"), std::string("k=\x83\r\n")}) {
    const std::string before = "[Line]\r\nCount=4\r\n" + cut;
    WriteFileBytes(IniPath(), before);
    try {
      store_.Read();
      ADD_FAILURE() << "read succeeded";
    } catch (const KivError& error) {
      EXPECT_EQ(error.Message(), mappingError);
    }
    EXPECT_THROW(store_.Save(1), KivError);
    EXPECT_EQ(ReadFileBytes(IniPath()), before);
  }
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
