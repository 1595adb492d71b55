// The settings adapter against the real user32 of the test system.
#include <gtest/gtest.h>

#include "Win32SystemSettings.h"
#include "WineHelpers.h"

namespace kiv::test {
namespace {

class SystemSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { original_ = settings_.ReadWheelScrollLines(); }
  void TearDown() override {
    if (original_) settings_.WriteWheelScrollLines(*original_);
  }

  win32::Win32SystemSettings settings_;
  std::optional<std::int32_t> original_;
};

TEST_F(SystemSettingsTest, WheelScrollLinesReadBackWhatWasWrittenWithOneBroadcastEach) {
  SettingChangeListener listener;
  ASSERT_NE(listener.Handle(), nullptr);
  for (const std::int32_t value : {kPageScroll, 7, 100, 1, kPageScroll}) {
    SCOPED_TRACE(value);
    listener.Clear();
    settings_.WriteWheelScrollLines(value);
    PumpMessagesUntil(std::chrono::milliseconds(100));
    EXPECT_EQ(settings_.ReadWheelScrollLines(), value);
    EXPECT_EQ(listener.Count(SPI_SETWHEELSCROLLLINES), 1);
    EXPECT_EQ(listener.Count(SPI_SETMOUSESPEED), 0);
  }
  // Page mode is stored in the profile as the all-ones pattern.
  EXPECT_EQ(StoredWheelScrollLines(), L"4294967295");
}

TEST_F(SystemSettingsTest, PointerSpeedTravelsInThePointerArgument) {
  SettingChangeListener listener;
  settings_.WritePointerSpeed(13);
  PumpMessagesUntil(std::chrono::milliseconds(100));
  EXPECT_EQ(listener.Count(SPI_SETMOUSESPEED), 1);
  EXPECT_EQ(listener.Count(SPI_SETWHEELSCROLLLINES), 0);
  EXPECT_TRUE(settings_.ReadPointerSpeed().has_value());
}

// Wine 8 has no wheel routing (error 1439): a failed read must say so instead of passing on
// whatever the variable held. Where the system has the setting, there is no failure to see.
TEST_F(SystemSettingsTest, AFailedReadYieldsNoValue) {
  constexpr UINT kGetMouseWheelRouting = 0x201C;  // Windows 8 and later
  DWORD routing = 0;
  if (SystemParametersInfoW(kGetMouseWheelRouting, 0, &routing, 0)) {
    GTEST_SKIP() << "this system has wheel routing, so its read does not fail";
  }
  EXPECT_EQ(settings_.ReadWheelRouting(), std::nullopt);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SPI_VALUE));
}

TEST(OsVersionTest, IsWindows10FollowsTheReportedMajorVersion) {
  const std::wstring probe = TestBinFolder() + L"\\os_version_probe.exe";
  const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\os_version_probe.exe";
  struct Row {
    const wchar_t* wineVersion;
    DWORD major;
  };
  for (const Row& row : {Row{L"win7", 6}, Row{L"win10", 10}, Row{L"win81", 6}}) {
    SCOPED_TRACE(testing::PrintToString(row.major));
    WriteUserRegistryString(appDefaults, L"Version", row.wineVersion);
    ChildProcess child(probe, L"");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.WaitForExit(std::chrono::seconds(20)), row.major);
  }
  DeleteUserRegistryValue(appDefaults, L"Version");
}

}  // namespace
}  // namespace kiv::test
