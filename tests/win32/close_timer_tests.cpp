// The one-shot runs end through the close timer; they must end without one too.
#include <gtest/gtest.h>

#include <chrono>

#include "Application.h"
#include "General.h"
#include "MainWindow.h"
#include "SystemServices.h"
#include "WineHelpers.h"

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
  win32::SystemServices system;
  ASSERT_TRUE(PrepareSettingsFolder(system.fileSystem, u"KIV"));
  StageWheelScrollLines(L"-1");

  win32::MainWindow::startTimer = NoTimer;
  {
    win32::Application application;
    win32::MainWindow window(application, system.ForWindow());
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
