#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FakeFileSystem.h"
#include "FakeTextCodec.h"
#include "General.h"
#include "KivError.h"
#include "settings/IniLinePositionStore.h"

namespace kiv {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::u16string kBase = u"C:\\Users\\Ann\\AppData\\Roaming";
const std::u16string kFolder = kBase + u"\\Brackenhall\\KIV";
const std::u16string kFile = kFolder + u"\\KIV.ini";

const std::u16string kMappingError =
    u"Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません";

Bytes Ascii(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes Cat(Bytes first, const Bytes& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

Bytes Utf16Le(std::u16string_view text) {
  Bytes bytes{0xFF, 0xFE};
  for (const char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

Bytes Utf16Be(std::u16string_view text) {
  Bytes bytes{0xFE, 0xFF};
  for (const char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
  }
  return bytes;
}

// The program's file for the value 2, byte for byte.
const Bytes kNewFileFor2{0x5B, 0x4C, 0x69, 0x6E, 0x65, 0x5D, 0x0D, 0x0A, 0x43, 0x6F,
                         0x75, 0x6E, 0x74, 0x3D, 0x32, 0x0D, 0x0A, 0x0D, 0x0A};

// A prepared settings folder, its file system and a store over it.
struct Profile {
  explicit Profile(std::uint32_t codePage = FakeTextCodec::kWesternCodePage) : codec(codePage) {
    ResetSettingsFolderForTesting();
    prepared = PrepareSettingsFolder(fs, u"KIV");
  }
  FakeFileSystem fs{kBase};
  FakeTextCodec codec;
  IniLinePositionStore store{fs, codec};
  bool prepared = false;
};

class LinePositionStoreTest : public testing::Test {
 protected:
  void TearDown() override { ResetSettingsFolderForTesting(); }
};

TEST_F(LinePositionStoreTest, ReadsTheStoredValueOrTwo) {
  const struct {
    const char* name;
    std::string file;
    std::int32_t expected;
  } cases[] = {
      {"the program's own file", "[Line]\r\nCount=2\r\n\r\n", 2},
      {"blanks around =", "[Line]\r\n  Count \t=  5  \r\n", 5},
      {"section small, key capitals", "[line]\r\nCOUNT=5\r\n", 5},
      {"0x1F", "[Line]\r\nCount=0x1F", 31},
      {"$1f", "[Line]\r\nCount=$1f", 31},
      {"x1F", "[Line]\r\nCount=x1F", 31},
      {"+7", "[Line]\r\nCount=+7", 7},
      {"$FFFFFFFF", "[Line]\r\nCount=$FFFFFFFF", -1},
      {"most negative", "[Line]\r\nCount=-2147483648", -2147483647 - 1},
      {"nothing selected", "[Line]\r\nCount=-1", -1},
      {"150", "[Line]\r\nCount=150", 150},
      {"0", "[Line]\r\nCount=0", 0},
      {"empty value", "[Line]\r\nCount=\r\n", 2},
      {"key only", "[Line]\r\nCount\r\n", 2},
      {"5a", "[Line]\r\nCount=5a", 2},
      {"inner blank", "[Line]\r\nCount=1 2", 2},
      {"2147483648", "[Line]\r\nCount=2147483648", 2},
      {"$123456789", "[Line]\r\nCount=$123456789", 2},
      {"empty file", "", 2},
      {"no such section", "[Lines]\r\nCount=5", 2},
      {"no such key", "[Line]\r\nCounter=5", 2},
      {"before the first header", "Count=5\r\n[Line]", 2},
      {"commented out", "[Line]\r\n;Count=5", 2},
      {"first of two sections", "[Line]\r\nCount=4\r\n[LINE]\r\nCount=8", 4},
      {"first of two entries", "[Line]\r\nCount=4\r\ncount=8", 4},
      {"first entry without value", "[Line]\r\nCount\r\nCount=8", 2},
      {"CR only", "[Other]\rCount=9\r[Line]\rCount=6\r", 6},
      {"LF only", "[Line]\nCount=6\n", 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Profile s;
    ASSERT_TRUE(s.prepared);
    s.fs.AddFile(kFile, Ascii(c.file));
    EXPECT_EQ(s.store.Read(), c.expected);
    EXPECT_EQ(s.fs.Find(kFile)->contents, Ascii(c.file));
    EXPECT_EQ(s.fs.WriteCount(), 0);
  }
}

TEST_F(LinePositionStoreTest, ReadCreatesNothing) {
  const struct {
    const char* name;
    std::function<void(FakeFileSystem&)> arrange;
  } cases[] = {
      {"no file", [](FakeFileSystem&) {}},
      {"a folder named KIV.ini", [](FakeFileSystem& fs) { fs.AddDirectory(kFile); }},
      {"the settings folder has gone", [](FakeFileSystem& fs) { fs.Remove(kFolder); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Profile s;
    c.arrange(s.fs);
    const bool wasFolder = s.fs.DirectoryExists(kFile);
    EXPECT_EQ(s.store.Read(), 2);
    EXPECT_EQ(s.fs.FileExists(kFile), false);
    EXPECT_EQ(s.fs.DirectoryExists(kFile), wasFolder);
    EXPECT_EQ(s.fs.WriteCount(), 0);
  }
}

struct SaveCase {
  const char* name;
  std::uint32_t codePage;
  std::optional<Bytes> before;  // none: no file
  std::int32_t position;
  Bytes after;
};

TEST_F(LinePositionStoreTest, SaveWritesTheWholeFile) {
  const SaveCase cases[] = {
      {"new file", 1252, std::nullopt, 2, kNewFileFor2},
      {"new file, UTF-8 system", 65001, std::nullopt, 2, Cat({0xEF, 0xBB, 0xBF}, kNewFileFor2)},
      {"empty file", 1252, Bytes{}, 2, kNewFileFor2},
      {"same value is written again", 1252, kNewFileFor2, 2, kNewFileFor2},
      {"nothing selected", 1252, std::nullopt, -1, Ascii("[Line]\r\nCount=-1\r\n\r\n")},
      {"most negative", 1252, std::nullopt, -2147483647 - 1,
       Ascii("[Line]\r\nCount=-2147483648\r\n\r\n")},
      {"letter case and other entries kept", 1252,
       Ascii("[line]\r\n  a = 1 \r\nCOUNT = 5\r\nb\r\n"), 7,
       Ascii("[line]\r\na=1\r\nCOUNT=7\r\nb\r\n\r\n")},
      {"key without value gets one", 1252, Ascii("[Line]\r\nCount\r\n"), 7,
       Ascii("[Line]\r\nCount=7\r\n\r\n")},
      {"invalid value replaced", 1252, Ascii("[Line]\r\nCount=$123456789\r\n"), 0,
       Ascii("[Line]\r\nCount=0\r\n\r\n")},
      {"repeated sections and keys", 1252,
       Ascii("[Line]\r\nCount=1\r\ncount=8\r\n[X]\r\nk=v\r\n[LINE]\r\nCount=9\r\n"), 99,
       Ascii("[Line]\r\nCount=99\r\ncount=8\r\n\r\n[X]\r\nk=v\r\n\r\n")},
      {"comments, empty and stray lines dropped, section appended", 1252,
       Ascii("stray=1\r\n; comment\r\n\r\n[Other]\r\n\r\nx = 1\r\n"), 3,
       Ascii("[Other]\r\nx=1\r\n\r\n[Line]\r\nCount=3\r\n\r\n")},
      {"LF and CR only become CR LF", 1252, Ascii("[A]\nk=1\r[Line]\nCount=1"), 4,
       Ascii("[A]\r\nk=1\r\n\r\n[Line]\r\nCount=4\r\n\r\n")},
      {"ANSI 1252 characters kept", 1252, Ascii("[Line]\r\nCount=1\r\nname=caf\xE9 \x80"), 4,
       Ascii("[Line]\r\nCount=4\r\nname=caf\xE9 \x80\r\n\r\n")},
      {"ANSI file on a UTF-8 system gets the mark", 65001,
       Ascii("[Line]\r\nCount=1\r\nname=caf\xC3\xA9"), 4,
       Ascii("\xEF\xBB\xBF[Line]\r\nCount=4\r\nname=caf\xC3\xA9\r\n\r\n")},
      {"UTF-8 stays UTF-8 on a 1252 system", 1252,
       Ascii("\xEF\xBB\xBF[\xE3\x81\x82]\r\nk=\xE2\x82\xAC\r\n[Line]\r\nCount=1"), 4,
       Ascii("\xEF\xBB\xBF[\xE3\x81\x82]\r\nk=\xE2\x82\xAC\r\n\r\n[Line]\r\nCount=4\r\n\r\n")},
      {"UTF-16 LE round trip", 1252, Utf16Le(u"[\u3042]\r\nk=v\r\n[Line]\r\nCount = 5\r\n"), 6,
       Utf16Le(u"[\u3042]\r\nk=v\r\n\r\n[Line]\r\nCount=6\r\n\r\n")},
      {"UTF-16 BE round trip", 1252, Utf16Be(u"[Line]\r\nCount=5\r\nk=\u3042"), 6,
       Utf16Be(u"[Line]\r\nCount=6\r\nk=\u3042\r\n\r\n")},
      {"UTF-16 LE mark only", 1252, Utf16Le(u""), 2, Utf16Le(u"[Line]\r\nCount=2\r\n\r\n")},
      {"UTF-16 odd last byte dropped", 1252, Cat(Utf16Le(u"[Line]"), {'x'}), 2,
       Utf16Le(u"[Line]\r\nCount=2\r\n\r\n")},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    Profile s(c.codePage);
    ASSERT_TRUE(s.prepared);
    if (c.before) s.fs.AddFile(kFile, *c.before);
    s.store.Save(c.position);
    EXPECT_EQ(s.fs.WriteCount(), 1);
    ASSERT_TRUE(s.fs.FileExists(kFile));
    EXPECT_EQ(s.fs.Find(kFile)->contents, c.after);
    EXPECT_EQ(s.store.Read(), c.position);
  }
}

TEST_F(LinePositionStoreTest, ReadsAFileUpTo16MiB) {
  Profile s;
  Bytes file = Ascii("[Line]\r\nCount=7\r\n");
  file.resize(16 * 1024 * 1024, ' ');
  s.fs.AddFile(kFile, file);
  EXPECT_EQ(s.store.Read(), 7);
  EXPECT_EQ(s.fs.LastMaxBytes(), std::size_t{16 * 1024 * 1024});
}

// A file the program wrote, at the limit with the longest value, reads and saves back and forth.
TEST_F(LinePositionStoreTest, AFileAtTheLimitWithTheLongestValueSavesAndReadsAgain) {
  constexpr std::size_t kLimit = 16 * 1024 * 1024;
  const std::string head = "[Line]\r\nCount=-2147483648\r\n\r\n[A]\r\n";
  const std::string tail = "\r\n\r\n";
  // Long lines: the size is what matters here, and short ones would only make the test slow.
  const std::string line = "k=" + std::string(64 * 1024, 'v') + "\r\n";
  std::string body;
  while (head.size() + body.size() + line.size() + tail.size() <= kLimit) body += line;
  body += "k=" + std::string(kLimit - head.size() - body.size() - tail.size() - 2, 'v');
  const Bytes atLimit = Ascii(head + body + tail);
  ASSERT_EQ(atLimit.size(), kLimit);

  Profile s;
  s.fs.AddFile(kFile, atLimit);
  EXPECT_EQ(s.store.Read(), -2147483647 - 1);
  s.store.Save(5);
  EXPECT_EQ(s.fs.Find(kFile)->contents.size(), kLimit - 10);
  EXPECT_EQ(s.store.Read(), 5);
  s.store.Save(-2147483647 - 1);
  EXPECT_EQ(s.fs.Find(kFile)->contents, atLimit);

  // One byte more and its save could not be written: it is refused as it is read.
  Bytes over = atLimit;
  over.insert(over.end() - 4, 'v');
  s.fs.AddFile(kFile, over);
  EXPECT_THROW(s.store.Read(), KivError);
  EXPECT_THROW(s.store.Save(5), KivError);
  EXPECT_EQ(s.fs.Find(kFile)->contents, over);
}

struct FailureCase {
  const char* name;
  std::function<void(FakeFileSystem&)> arrange;
  std::optional<std::u16string> readError;  // none: the read works and yields readValue
  std::int32_t readValue;
  std::u16string saveError;
};

// Every failure leaves the file as it was: a file that cannot be read is not written.
TEST_F(LinePositionStoreTest, FailuresReportTheirTextAndWriteNothing) {
  const std::u16string cannotOpen = u"ファイル " + kFile + u" は開けません。 ";
  const std::u16string cannotCreate = u"ファイル \"" + kFile + u"\" を作成できません。";
  const std::u16string locked =
      u"プロセスはファイルにアクセスできません。別のプロセスが使用中です。";
  const std::u16string denied = u"アクセスが拒否されました。";
  const FailureCase cases[] = {
      {"held open for writing by another program",
       [](FakeFileSystem& fs) {
         fs.AddFile(kFile, Ascii("[Line]\r\nCount=5")).readError =
             FakeFileSystem::kSharingViolation;
       },
       cannotOpen + locked + u" ", 0, cannotOpen + locked + u" "},
      {"over 16 MiB",
       [](FakeFileSystem& fs) { fs.AddFile(kFile, Bytes(16 * 1024 * 1024 + 1, ' ')); },
       cannotOpen + u"ファイル サイズが制限を超えているため、保存できません。 ", 0,
       cannotOpen + u"ファイル サイズが制限を超えているため、保存できません。 "},
      // Within the limit, but its save would not be: refused before it is used, so that no file
      // reads that can never be saved.
      {"the save would pass 16 MiB",
       [](FakeFileSystem& fs) {
         Bytes file = Ascii("[A]\r\nk=");
         file.resize(16 * 1024 * 1024, 'a');
         fs.AddFile(kFile, file);
       },
       cannotOpen + u"ファイル サイズが制限を超えているため、保存できません。 ", 0,
       cannotOpen + u"ファイル サイズが制限を超えているため、保存できません。 "},
      {"LF line ends that CR LF would take past 16 MiB",
       [](FakeFileSystem& fs) {
         // 100 bytes under the limit as it is, in a thousand lines that each lack a CR.
         constexpr std::size_t kSize = 16 * 1024 * 1024 - 100;
         std::string file = "[Line]\nCount=4\n";
         const std::string line = "k=" + std::string(16 * 1024 - 3, 'v') + "\n";
         while (file.size() + 2 * line.size() <= kSize) file += line;
         file += "k=" + std::string(kSize - file.size() - 3, 'v') + "\n";
         fs.AddFile(kFile, Ascii(file));
       },
       cannotOpen + u"ファイル サイズが制限を超えているため、保存できません。 ", 0,
       cannotOpen + u"ファイル サイズが制限を超えているため、保存できません。 "},
      {"its existence cannot be checked",
       [](FakeFileSystem& fs) {
         fs.AddFile(kFile, Ascii("[Line]\r\nCount=5")).lookupError = FakeFileSystem::kBadNetPath;
       },
       cannotOpen + u"ネットワーク パスが見つかりません。 ", 0,
       cannotOpen + u"ネットワーク パスが見つかりません。 "},
      {"the disk fills up during the save",
       [](FakeFileSystem& fs) {
         fs.AddFile(kFile, Ascii("[Line]\r\nCount=5"));
         fs.FailReplacements(FakeFileSystem::kDiskFull);
       },
       std::nullopt, 5, cannotCreate + u"ディスクに十分な空き領域がありません。"},
      {"one byte after FF FE",
       [](FakeFileSystem& fs) {
         fs.AddFile(kFile, {0xFF, 0xFE, 'x'});
       },
       kMappingError, 0, kMappingError},
      {"one byte after FE FF",
       [](FakeFileSystem& fs) {
         fs.AddFile(kFile, {0xFE, 0xFF, 'x'});
       },
       kMappingError, 0, kMappingError},
      {"bad UTF-8 after the mark",
       [](FakeFileSystem& fs) { fs.AddFile(kFile, Ascii("\xEF\xBB\xBF[Line]\r\nk=\xC3(")); },
       kMappingError, 0, kMappingError},
      {"read-only file",
       [](FakeFileSystem& fs) {
         fs.AddFile(kFile, Ascii("[Line]\r\nCount=5")).writeError = FakeFileSystem::kAccessDenied;
       },
       std::nullopt, 5, cannotCreate + denied},
      {"a folder named KIV.ini", [](FakeFileSystem& fs) { fs.AddDirectory(kFile); }, std::nullopt,
       2, cannotCreate + denied},
      {"the settings folder has gone", [](FakeFileSystem& fs) { fs.Remove(kFolder); }, std::nullopt,
       2, cannotCreate + u"指定されたパスが見つかりません。"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    Profile s;
    c.arrange(s.fs);
    const FakeFileSystem::Node* node = s.fs.Find(kFile);
    const std::optional<FakeFileSystem::Node> before =
        node ? std::optional<FakeFileSystem::Node>(*node) : std::nullopt;
    try {
      const std::int32_t value = s.store.Read();
      EXPECT_FALSE(c.readError) << "read gave " << value;
      EXPECT_EQ(value, c.readValue);
    } catch (const KivError& error) {
      EXPECT_EQ(std::optional<std::u16string>(error.Message()), c.readError);
    }
    try {
      s.store.Save(5);
      ADD_FAILURE() << "saved";
    } catch (const KivError& error) {
      EXPECT_EQ(error.Message(), c.saveError);
    }
    EXPECT_EQ(s.fs.WriteCount(), 0);
    node = s.fs.Find(kFile);
    ASSERT_EQ(node != nullptr, before.has_value());
    if (node) {
      EXPECT_EQ(node->directory, before->directory);
      EXPECT_EQ(node->contents, before->contents);
    }
  }
}

TEST_F(LinePositionStoreTest, SystemTextLosesItsFinalBlanksAndStops) {
  const struct {
    std::u16string system;
    std::u16string shown;
  } cases[] = {
      {u"Access is denied.\r\n", u"Access is denied"},
      {u"Access is denied. \t\r\n", u"Access is denied"},
      {u"Wait... \r\n.\r\n", u"Wait"},
      {u"v1.2 failed", u"v1.2 failed"},
      {u"終わり。\r\n", u"終わり。"},
      {u" . \r\n", u""},
      {u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.system));
    Profile s;
    s.fs.AddFile(kFile, {}).writeError = FakeFileSystem::kAccessDenied;
    s.fs.SetErrorText(FakeFileSystem::kAccessDenied, c.system);
    try {
      s.store.Save(1);
      ADD_FAILURE() << "saved";
    } catch (const KivError& error) {
      EXPECT_EQ(error.Message(), u"ファイル \"" + kFile + u"\" を作成できません。" + c.shown);
    }
  }
}

TEST_F(LinePositionStoreTest, UsesTheFileInTheFolderPreparedLast) {
  FakeFileSystem fs(u"E:\\Roam");
  FakeTextCodec codec;
  ResetSettingsFolderForTesting();
  ASSERT_TRUE(PrepareSettingsFolder(fs, u"Elsewhere"));
  IniLinePositionStore store(fs, codec);
  store.Save(42);
  EXPECT_EQ(fs.Find(u"E:\\Roam\\Brackenhall\\Elsewhere\\KIV.ini")->contents,
            Ascii("[Line]\r\nCount=42\r\n\r\n"));
}

}  // namespace
}  // namespace kiv
