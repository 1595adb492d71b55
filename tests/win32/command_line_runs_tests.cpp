// kiv.exe started with the command lines a user may give it, watched from outside: what it writes
// to the system, what it shows, how long it stays and how it ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "Application.h"
#include "CommandIds.h"
#include "MainWindow.h"
#include "TrayIcon.h"
#include "WineHelpers.h"

namespace kiv::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kCommandLineError[] = L"コマンドラインオプションに誤りがあります。終了します。";
constexpr wchar_t kPageModeStored[] = L"4294967295";
constexpr auto kLaunchLimit = 10s;

// The error text as the program's reports show it: the system's message without its trailing
// blanks and full stops.
std::wstring ShortSystemError(DWORD code) {
  std::wstring text = SystemErrorMessage(code);
  while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
  return text;
}

std::wstring BrackenhallFolder() { return AppDataFolder() + L"\\Brackenhall"; }

class CommandLineRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(listener_.Handle(), nullptr);
    savedLines_ = StoredWheelScrollLines();
    RemovePath(BrackenhallFolder());
  }

  void TearDown() override {
    if (savedLines_) StageWheelScrollLines(*savedLines_);
    RemovePath(BrackenhallFolder());
  }

  std::unique_ptr<ChildProcess> Start(const std::wstring& arguments, int showCommand = -1) {
    auto process = std::make_unique<ChildProcess>(KivExe(), arguments, showCommand);
    EXPECT_TRUE(process->Started()) << "kiv.exe could not be started";
    return process;
  }

  // Waits for a resident run to be up: its window exists once the start-up has passed the
  // single-instance test.
  static void WaitUntilUp(const ChildProcess& process) {
    ASSERT_NE(WaitForTopLevelWindow(process.Id(), win32::TrayIcon::kWindowClass, kLaunchLimit),
              nullptr)
        << "kiv.exe did not get as far as its windows";
  }

  int Broadcasts(UINT action) {
    DispatchPendingMessages();
    return listener_.Count(action);
  }

  // The runs that quit show no window, no taskbar button and no icon on the way.
  static void ExpectNothingShown(const RunOutcome& outcome) {
    for (const std::wstring& windowClass : outcome.windowsShown) {
      ADD_FAILURE() << "shown: " << WideToUtf8(windowClass);
    }
    EXPECT_EQ(outcome.mostTrayIcons, 0u);
  }

  static std::optional<std::string> SavedSettings() { return ReadFileBytes(KivSettingsFile()); }

  static void CloseFromTheMenu(const ChildProcess& process) {
    const HWND tray =
        WaitForTopLevelWindow(process.Id(), win32::TrayIcon::kWindowClass, kLaunchLimit);
    ASSERT_NE(tray, nullptr);
    PostMessageW(tray, WM_COMMAND, win32::kMenuClose, 0);  // "終了"
  }

  SettingChangeListener listener_;
  std::optional<std::wstring> savedLines_;
};

// --- Runs that do one thing and quit ------------------------------------------------------------

TEST_F(CommandLineRunTest, WithoutArgumentsTheModeTogglesAndTheRunEndsAfterAboutOneSecond) {
  struct Row {
    const wchar_t* arguments;
    const wchar_t* stagedLines;
    std::optional<int> rememberedPosition;  // settings file before the run
    const wchar_t* expectedLines;
    int savedPosition;
    int showCommand = -1;
  };
  const Row rows[] = {
      // Page mode without a settings file: three lines, the default position 2.
      {L"", L"-1", std::nullopt, L"3", 2},
      // Line mode: page mode, and the position of the line count is remembered.
      {L"", L"5", std::nullopt, kPageModeStored, 4},
      // The remembered position comes back; a pair of quotes is no argument at all.
      {L"\"\"", L"-1", 6, L"7", 6},
      {L"  \"\"  ", L"100", 1, kPageModeStored, 99},
      // From a shortcut set to start minimised: still nothing to see, not even a taskbar button.
      {L"", L"-1", 6, L"7", 6, SW_SHOWMINNOACTIVE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "arguments [" << testing::PrintToString(row.arguments)
                                    << "] from " << testing::PrintToString(row.stagedLines));
    RemovePath(BrackenhallFolder());
    if (row.rememberedPosition) {
      CreateDirectoryW(BrackenhallFolder().c_str(), nullptr);
      CreateDirectoryW(KivSettingsFolder().c_str(), nullptr);
      WriteFileBytes(KivSettingsFile(), SettingsFileWithCount(*row.rememberedPosition));
    }
    StageWheelScrollLines(row.stagedLines);
    listener_.Clear();

    auto kiv = Start(row.arguments, row.showCommand);
    const RunOutcome outcome = WaitForExitDismissingBoxes(*kiv, kLaunchLimit);
    const auto ended = Clock::now();

    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.boxes.empty()) << WideToUtf8(outcome.boxes.front().text);
    ExpectNothingShown(outcome);
    // The close timer starts right after the write and gives the run about a second more.
    const auto written = listener_.FirstArrival(SPI_SETWHEELSCROLLLINES);
    ASSERT_TRUE(written.has_value()) << "nothing written";
    EXPECT_GE(ended - *written, 900ms);
    EXPECT_EQ(StoredWheelScrollLines(), row.expectedLines);
    EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 1);
    EXPECT_EQ(Broadcasts(SPI_SETMOUSESPEED), 0);
    EXPECT_EQ(SavedSettings(), SettingsFileWithCount(row.savedPosition));
  }
}

TEST_F(CommandLineRunTest, APointerSpeedIsWrittenOnceAndTheRunEnds) {
  // Decimal, signed, hexadecimal in its three spellings, a blank kept by the quotes.
  for (const wchar_t* arguments : {L"12", L"\"+7\"", L"0x14", L"$1", L"x0A", L"\" 020\""}) {
    SCOPED_TRACE(testing::PrintToString(arguments));
    StageWheelScrollLines(L"5");
    listener_.Clear();

    auto kiv = Start(arguments);
    const RunOutcome outcome = WaitForExitDismissingBoxes(*kiv, kLaunchLimit);
    const auto ended = Clock::now();

    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.boxes.empty());
    ExpectNothingShown(outcome);
    const auto written = listener_.FirstArrival(SPI_SETMOUSESPEED);
    ASSERT_TRUE(written.has_value()) << "nothing written";
    EXPECT_GE(ended - *written, 900ms);
    EXPECT_EQ(Broadcasts(SPI_SETMOUSESPEED), 1);
    EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 0);
    EXPECT_EQ(StoredWheelScrollLines(), L"5");
    EXPECT_EQ(SavedSettings(), SettingsFileWithCount(4));
  }
}

TEST_F(CommandLineRunTest, AWrongCommandLineIsReportedAndTheRunEndsAboutOneSecondLater) {
  // Case counts; a sign is no switch; out of range; not a number; two arguments; a blank kept
  // inside the quotes; a ninth hexadecimal digit.
  for (const wchar_t* arguments : {L"/T", L"t", L"-t", L"21", L"0", L"abc", L"/t 5", L"\"/w \"",
                                   L"-1", L"$100000001", L"/w /t"}) {
    SCOPED_TRACE(testing::PrintToString(arguments));
    StageWheelScrollLines(L"5");
    RemovePath(BrackenhallFolder());
    listener_.Clear();

    auto kiv = Start(arguments);
    const std::optional<MessageBoxContent> box = WaitForMessageBox(kiv->Id(), kLaunchLimit);
    ASSERT_TRUE(box.has_value()) << "no error box";
    EXPECT_EQ(box->caption, L"KIV");
    EXPECT_EQ(box->text, kCommandLineError);
    // Nothing of the program shows with the box.
    for (const wchar_t* windowClass :
         {win32::MainWindow::kWindowClass, win32::Application::kWindowClass}) {
      for (HWND window : TopLevelWindows(kiv->Id(), windowClass)) {
        EXPECT_FALSE(IsWindowVisible(window)) << WideToUtf8(windowClass);
      }
    }

    const auto dismissed = Clock::now();
    ASSERT_TRUE(DismissMessageBox(box->handle));
    const RunOutcome outcome = WaitForExitDismissingBoxes(*kiv, kLaunchLimit);
    const auto lasted = Clock::now() - dismissed;

    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.boxes.empty()) << "a second box";
    ExpectNothingShown(outcome);
    EXPECT_GE(lasted, 900ms) << "the close timer starts when the box has gone";
    EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 0);
    EXPECT_EQ(Broadcasts(SPI_SETMOUSESPEED), 0);
    EXPECT_EQ(StoredWheelScrollLines(), L"5");
    EXPECT_EQ(SavedSettings(), SettingsFileWithCount(4));
  }
}

// --- Resident runs ------------------------------------------------------------------------------

TEST_F(CommandLineRunTest, ResidentRunsStayUntilClosedAndThenSaveTheLinePosition) {
  struct Row {
    const wchar_t* arguments;
    bool windowShown;
  };
  for (const Row& row : {Row{L"/t", false}, Row{L"\"/t\"", false}, Row{L"/w", true}}) {
    SCOPED_TRACE(testing::PrintToString(row.arguments));
    StageWheelScrollLines(L"-1");
    RemovePath(BrackenhallFolder());
    listener_.Clear();

    const auto started = Clock::now();
    auto kiv = Start(row.arguments);
    ASSERT_NO_FATAL_FAILURE(WaitUntilUp(*kiv));
    const HWND window =
        WaitForTopLevelWindow(kiv->Id(), win32::MainWindow::kWindowClass, kLaunchLimit);
    ASSERT_NE(window, nullptr);
    if (row.windowShown) {
      EXPECT_TRUE(PumpMessagesUntil(kLaunchLimit, [&] { return IsWindowVisible(window) != 0; }));
    }

    // Well past the close timer of the runs that quit.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(started + 2s - Clock::now());
    EXPECT_FALSE(kiv->WaitForExit(std::max(left, 0ms)).has_value());
    EXPECT_EQ(IsWindowVisible(window) != 0, row.windowShown);
    EXPECT_EQ(VisibleTrayIcons().size(), row.windowShown ? 0u : 1u);
    EXPECT_FALSE(FindMessageBox(kiv->Id()).has_value());
    EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 0);
    EXPECT_EQ(Broadcasts(SPI_SETMOUSESPEED), 0);
    EXPECT_FALSE(FileExists(KivSettingsFile())) << "written before any close";

    if (row.windowShown) {
      PostMessageW(window, WM_CLOSE, 0, 0);
    } else {
      ASSERT_NO_FATAL_FAILURE(CloseFromTheMenu(*kiv));
    }
    const RunOutcome outcome = WaitForExitDismissingBoxes(*kiv, kLaunchLimit);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_EQ(SavedSettings(), SettingsFileWithCount(2));
    EXPECT_EQ(StoredWheelScrollLines(), L"-1") << "a resident run changes no setting by itself";
    EXPECT_TRUE(VisibleTrayIcons().empty()) << "the icon outlived the program";
  }
}

// --- Single instance ----------------------------------------------------------------------------

TEST_F(CommandLineRunTest, ASecondStartEndsAtOnceAndLeavesTheRunningOneAlone) {
  struct Row {
    const wchar_t* firstArguments;
    bool removeFolder;  // before the second start; the second start creates it again
    UINT firstWrites;   // what the first run broadcasts before it waits, 0 for nothing
  };
  // Resident with the icon, with the window, and a run that waits for its close timer.
  for (const Row& row :
       {Row{L"/t", true, 0}, Row{L"/w", true, 0}, Row{L"7", false, SPI_SETMOUSESPEED}}) {
    SCOPED_TRACE(testing::PrintToString(row.firstArguments));
    StageWheelScrollLines(L"5");
    RemovePath(BrackenhallFolder());

    listener_.Clear();
    auto first = Start(row.firstArguments);
    ASSERT_NO_FATAL_FAILURE(WaitUntilUp(*first));
    if (row.firstWrites != 0) {
      ASSERT_TRUE(
          PumpMessagesUntil(kLaunchLimit, [&] { return listener_.Count(row.firstWrites); }));
    }
    if (row.removeFolder) RemovePath(BrackenhallFolder());
    DispatchPendingMessages();
    listener_.Clear();

    // Without arguments a second run would toggle the mode at once.
    const auto started = Clock::now();
    auto second = Start(L"");
    const RunOutcome outcome = WaitForExitDismissingBoxes(*second, kLaunchLimit);
    const auto lasted = Clock::now() - started;

    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_TRUE(outcome.windowsShown.empty());
    EXPECT_LT(lasted, 900ms) << "the second start went as far as the close timer";
    EXPECT_TRUE(first->Running()) << "the first run ended before the second did";
    EXPECT_TRUE(TopLevelWindows(second->Id(), win32::TrayIcon::kWindowClass).empty());
    EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 0);
    EXPECT_EQ(Broadcasts(SPI_SETMOUSESPEED), 0);
    EXPECT_EQ(StoredWheelScrollLines(), L"5");
    EXPECT_TRUE(DirectoryExists(KivSettingsFolder()));

    if (first->Running() && row.removeFolder) {
      ASSERT_NO_FATAL_FAILURE(CloseFromTheMenu(*first));
    }
    const RunOutcome firstOutcome = WaitForExitDismissingBoxes(*first, kLaunchLimit);
    EXPECT_EQ(firstOutcome.exitCode, 0u);
    EXPECT_TRUE(firstOutcome.boxes.empty());
    EXPECT_EQ(SavedSettings(), SettingsFileWithCount(4));
  }
}

TEST_F(CommandLineRunTest, AFileInPlaceOfTheSettingsFolderEndsTheRunSilentlyAndBlocksNoLaterRun) {
  WriteFileBytes(BrackenhallFolder(), "");
  StageWheelScrollLines(L"5");

  auto blocked = Start(L"");
  const RunOutcome outcome = WaitForExitDismissingBoxes(*blocked, kLaunchLimit);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_TRUE(outcome.boxes.empty());
  ExpectNothingShown(outcome);
  EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 0);
  EXPECT_EQ(StoredWheelScrollLines(), L"5");
  EXPECT_TRUE(FileExists(BrackenhallFolder())) << "the file in the way was touched";

  RemovePath(BrackenhallFolder());
  auto next = Start(L"/t");
  ASSERT_NO_FATAL_FAILURE(WaitUntilUp(*next));
  EXPECT_TRUE(next->Running());
  ASSERT_NO_FATAL_FAILURE(CloseFromTheMenu(*next));
  EXPECT_EQ(WaitForExitDismissingBoxes(*next, kLaunchLimit).exitCode, 0u);
}

TEST_F(CommandLineRunTest, OfTwentySimultaneousStartsExactlyOneStays) {
  StageWheelScrollLines(L"5");
  // All of them made ready first, then let go at once.
  std::vector<std::unique_ptr<ChildProcess>> starts;
  for (int i = 0; i < 20; ++i) {
    starts.push_back(
        std::make_unique<ChildProcess>(KivExe(), L"/t", -1, ChildProcess::Start::kSuspended));
    ASSERT_TRUE(starts.back()->Started());
  }
  for (const auto& start : starts) start->Resume();

  // Every start either gives up or gets as far as its icon.
  const auto settled = [&] {
    std::size_t running = 0;
    for (const auto& start : starts) {
      if (!start->Running()) continue;
      if (TopLevelWindows(start->Id(), win32::TrayIcon::kWindowClass).empty()) return false;
      ++running;
    }
    return VisibleTrayIcons().size() >= running;
  };
  ASSERT_TRUE(PumpMessagesUntil(60s, settled));

  std::vector<ChildProcess*> running;
  for (const auto& start : starts) {
    if (start->Running()) {
      running.push_back(start.get());
    } else {
      EXPECT_EQ(start->WaitForExit(0ms), 0u);
    }
  }
  ASSERT_EQ(running.size(), 1u);
  EXPECT_EQ(VisibleTrayIcons().size(), 1u);
  ASSERT_NO_FATAL_FAILURE(CloseFromTheMenu(*running.front()));
  EXPECT_EQ(WaitForExitDismissingBoxes(*running.front(), kLaunchLimit).exitCode, 0u);
}

// --- Settings-file errors -----------------------------------------------------------------------

TEST_F(CommandLineRunTest, ASaveThatFailsInAQuittingRunIsReportedOnceAndEndsWithExitCode1) {
  StageWheelScrollLines(L"5");
  CreateDirectoryW(BrackenhallFolder().c_str(), nullptr);
  CreateDirectoryW(KivSettingsFolder().c_str(), nullptr);
  const std::string before = "[Line]\r\nCount=9\r\n";
  WriteFileBytes(KivSettingsFile(), before);
  // Others may read the file, as the save does first, but nobody may write it.
  OpenFile held(KivSettingsFile(), GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(held.Valid());

  auto kiv = Start(L"");
  const RunOutcome outcome = WaitForExitDismissingBoxes(*kiv, kLaunchLimit);

  EXPECT_EQ(outcome.exitCode, 1u);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes.front().caption, L"KIV");
  EXPECT_EQ(outcome.boxes.front().text, L"ファイル \"" + KivSettingsFile() +
                                            L"\" を作成できません。" +
                                            ShortSystemError(ERROR_SHARING_VIOLATION) + L".");
  EXPECT_EQ(StoredWheelScrollLines(), kPageModeStored) << "the toggle itself went through";
  held.Close();
  EXPECT_EQ(SavedSettings(), before);
}

TEST_F(CommandLineRunTest, AnUnreadableSettingsFileIsReportedOnceAndTheRunStillToggles) {
  StageWheelScrollLines(L"-1");
  CreateDirectoryW(BrackenhallFolder().c_str(), nullptr);
  CreateDirectoryW(KivSettingsFolder().c_str(), nullptr);
  WriteFileBytes(KivSettingsFile(), SettingsFileWithCount(6));
  OpenFile held(KivSettingsFile(), GENERIC_READ, 0);
  ASSERT_TRUE(held.Valid());

  auto kiv = Start(L"");
  const std::optional<MessageBoxContent> box = WaitForMessageBox(kiv->Id(), kLaunchLimit);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, L"KIV");
  // The text ends in a blank, so no full stop is added.
  EXPECT_EQ(box->text, L"ファイル " + KivSettingsFile() + L" は開けません。 " +
                           ShortSystemError(ERROR_SHARING_VIOLATION) + L" ");
  // Let the save at the end go through.
  held.Close();
  ASSERT_TRUE(DismissMessageBox(box->handle));

  const RunOutcome outcome = WaitForExitDismissingBoxes(*kiv, kLaunchLimit);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_TRUE(outcome.boxes.empty()) << "reported more than once";
  // The remembered 6 could not be read: the default position 2, three lines.
  EXPECT_EQ(StoredWheelScrollLines(), L"3");
  EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 1);
  EXPECT_EQ(SavedSettings(), SettingsFileWithCount(2));
}

}  // namespace
}  // namespace kiv::test
