// The one-shot runs end through the close timer; they must end without one too.
#include <gtest/gtest.h>

#include <chrono>

#include "Application.h"
#include "General.h"
#include "MainWindow.h"
#include "Win32FileSystem.h"
#include "Win32SystemSettings.h"
#include "WineTestSupport.h"
#include "settings/IniLinePositionStore.h"

namespace kiv::test {
namespace {

int timerAttempts = 0;

UINT_PTR WINAPI NoTimer(HWND, UINT_PTR, UINT, TIMERPROC) {
  ++timerAttempts;
  SetLastError(ERROR_NOT_ENOUGH_QUOTA);
  return 0;
}

TEST(CloseTimerTest, AOneShotRunEndsWhenNoTimerCanBeStarted) {
  RemovePath(AppDataFolder() + L"\\Brackenhall");
  ResetSettingsFolderForTesting();
  win32::Win32FileSystem fs;
  ASSERT_TRUE(PrepareSettingsFolder(fs, u"KIV"));
  StageWheelScrollLines(L"-1");

  win32::MainWindow::startTimer = NoTimer;
  win32::Win32SystemSettings settings;
  win32::Win32OsVersion os;
  win32::Win32WaitCursor cursor;
  win32::Win32TextCodec codec;
  IniLinePositionStore linePosition(fs, codec);
  {
    win32::Application application;
    win32::MainWindow window(application, {settings, os, cursor, linePosition});
    window.Create({});  // no argument: the toggle, then the end
    EXPECT_EQ(timerAttempts, 1);
    EXPECT_TRUE(PumpMessagesUntil(std::chrono::seconds(5), [&] { return window.Closed(); }))
        << "the run stayed on without its timer";
    EXPECT_FALSE(window.ClosedWithFailure());
  }
  win32::MainWindow::startTimer = SetTimer;
  EXPECT_EQ(StoredWheelScrollLines(), L"3");
  EXPECT_EQ(ReadFileBytes(KivSettingsFile()), SettingsFileWithCount(2));
  RemovePath(AppDataFolder() + L"\\Brackenhall");
}

}  // namespace
}  // namespace kiv::test
