// The notification-area icon against Wine's shell, with a shell in between that refuses the icon
// as a busy one does (just after logon), and the icon's answer to a change of DPI.
#include <windows.h>

#include <gtest/gtest.h>
#include <shellapi.h>

#include <chrono>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "NewerFunctions.h"
#include "TrayIcon.h"
#include "WineHelpers.h"

namespace kiv::test {
namespace {

using namespace std::chrono_literals;
using win32::TrayIcon;

struct ShellCall {
  DWORD message;
  BOOL result;
  std::optional<int> iconWidth;  // of the icon handed over, when there was one
};

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

// The shell as the icon sees it: Wine's own, but refusing adds and changes while told to.
struct FakeShell {
  static inline std::vector<ShellCall> calls;
  static inline int refusals = 0;            // how many more adds to refuse; -1: every one
  static inline bool takeButReport = false;  // the next add is taken, and reported as failed
  // Runs once the shell has taken the next add, before the call returns: what the program does
  // with a message sent to it while it waits for the shell's answer.
  static inline std::function<void()> whileAnswering;

  static BOOL WINAPI Notify(DWORD message, PNOTIFYICONDATAW data) {
    std::optional<int> width;
    if ((data->uFlags & NIF_ICON) != 0 && message != NIM_DELETE) width = IconWidth(data->hIcon);
    BOOL result = FALSE;
    if (message == NIM_ADD && takeButReport) {
      takeButReport = false;
      Shell_NotifyIconW(message, data);
    } else if ((message == NIM_ADD || message == NIM_MODIFY) && refusals != 0) {
      // A busy shell refuses the add and, with no icon of ours, the change that tries it.
      if (message == NIM_ADD && refusals > 0) --refusals;
    } else {
      result = Shell_NotifyIconW(message, data);
    }
    calls.push_back({message, result, width});
    if (message == NIM_ADD && whileAnswering) std::exchange(whileAnswering, nullptr)();
    return result;
  }

  static int Count(DWORD message) {
    int count = 0;
    for (const ShellCall& call : calls) count += call.message == message ? 1 : 0;
    return count;
  }
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeShell::calls.clear();
    FakeShell::refusals = 0;
    FakeShell::takeButReport = false;
    FakeShell::whileAnswering = nullptr;
    TrayIcon::notify = FakeShell::Notify;
    TrayIcon::retrySchedule = {kInterval, kTries};
    model_.SetHint(u"指定行数");
    model_.SetImageIndex(1);
    model_.SetVisible(true);
  }

  void TearDown() override {
    icon_.reset();
    TrayIcon::notify = Shell_NotifyIconW;
    TrayIcon::retrySchedule = {2000, 60};
    ASSERT_TRUE(VisibleTrayIcons().empty()) << "the icon outlived its object";
  }

  // The icon as the program makes it visible at start.
  void Start() {
    icon_ = std::make_unique<TrayIcon>(model_, menu_);
    icon_->StateChanged();
  }

  // Lets the retry timer run for the time of this many intervals and more.
  static void Wait(int intervals) {
    PumpMessagesUntil(std::chrono::milliseconds(kInterval) * intervals + 100ms);
  }

  // The icon is in: added once to the shell, with the newer notifications asked for after that.
  static void ExpectOneIconWithVersion4() {
    EXPECT_EQ(VisibleTrayIcons().size(), 1u);
    std::size_t added = FakeShell::calls.size();
    for (std::size_t i = 0; i < FakeShell::calls.size(); ++i) {
      const ShellCall& call = FakeShell::calls[i];
      if ((call.message == NIM_ADD || call.message == NIM_MODIFY) && call.result) {
        added = i;
        break;
      }
    }
    ASSERT_LT(added + 1, FakeShell::calls.size()) << "never added";
    EXPECT_EQ(FakeShell::calls[added + 1].message, static_cast<DWORD>(NIM_SETVERSION));
  }

  // No timer keeps trying once the icon is in, or once the tries are used up.
  static void ExpectNoMoreTries() {
    const std::size_t before = FakeShell::calls.size();
    Wait(6);
    EXPECT_EQ(FakeShell::calls.size(), before) << "the shell is still being asked";
  }

  void SendToIcon(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    SendMessageW(icon_->Handle(), message, wParam, lParam);
  }

  static constexpr UINT kInterval = 40;
  static constexpr int kTries = 5;
  NotifyIcon model_;
  PopupMenu menu_;
  std::unique_ptr<TrayIcon> icon_;
};

TEST_F(TrayIconTest, AShellThatRefusesTheIconAFewTimesGetsItAgainUntilItTakesIt) {
  for (int refusals : {0, 1, 3}) {
    SCOPED_TRACE(refusals);
    FakeShell::calls.clear();
    FakeShell::refusals = refusals;
    Start();
    PumpMessagesUntil(5s, [] { return !VisibleTrayIcons().empty(); });
    EXPECT_EQ(FakeShell::Count(NIM_ADD), refusals + 1);
    ExpectOneIconWithVersion4();
    ExpectNoMoreTries();
    icon_.reset();
  }
}

TEST_F(TrayIconTest, AShellThatNeverTakesTheIconIsAskedOnlyAsOftenAsTheScheduleSays) {
  FakeShell::refusals = -1;
  Start();
  Wait(kTries + 2);
  EXPECT_EQ(FakeShell::Count(NIM_ADD), 1 + kTries);
  EXPECT_TRUE(VisibleTrayIcons().empty());
  ExpectNoMoreTries();

  // The shell, started anew, announces itself: the icon comes at once, and only once.
  FakeShell::refusals = 0;
  FakeShell::calls.clear();
  SendToIcon(RegisterWindowMessageW(L"TaskbarCreated"));
  EXPECT_EQ(FakeShell::Count(NIM_ADD), 1);
  ExpectOneIconWithVersion4();
  ExpectNoMoreTries();
}

TEST_F(TrayIconTest, EveryOrderOfRetriesAndShellRestartsEndsWithOneIcon) {
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  // A restart announced while the retries run: the icon comes with it and the retries stop.
  FakeShell::refusals = 2;
  Start();
  Wait(1);
  FakeShell::refusals = 0;
  SendToIcon(taskbarCreated);
  ExpectOneIconWithVersion4();
  ExpectNoMoreTries();

  // An announcement while the icon is in (the same shell here, which still has it), and another
  // while that shell is busy: whichever answers, one icon.
  SendToIcon(taskbarCreated);
  EXPECT_EQ(VisibleTrayIcons().size(), 1u);
  // The icon still takes its changes there.
  FakeShell::calls.clear();
  model_.SetHint(u"１画面");
  ASSERT_EQ(FakeShell::calls.size(), 1u);
  EXPECT_EQ(FakeShell::calls.front().message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_TRUE(FakeShell::calls.front().result);
  FakeShell::refusals = 1;
  SendToIcon(taskbarCreated);
  PumpMessagesUntil(5s, [] { return FakeShell::refusals == 0; });
  Wait(2);
  EXPECT_EQ(VisibleTrayIcons().size(), 1u);
  ExpectNoMoreTries();

  // Hidden while the retries run: they stop, and nothing comes back.
  icon_.reset();
  FakeShell::refusals = -1;
  Start();
  model_.SetVisible(false);
  FakeShell::refusals = 0;
  FakeShell::calls.clear();
  Wait(3);
  EXPECT_EQ(FakeShell::Count(NIM_ADD), 0);
  EXPECT_TRUE(VisibleTrayIcons().empty());
}

TEST_F(TrayIconTest, AnAddThatTimedOutButWasTakenIsNotAddedTwice) {
  FakeShell::takeButReport = true;
  Start();
  ExpectOneIconWithVersion4();
  ExpectNoMoreTries();
}

// The icon shows as soon as the shell has taken it, and a message sent to the program meanwhile
// (a menu command, from a user quick enough) is handled before the add returns.
TEST_F(TrayIconTest, AChangeThatComesWhileTheShellTakesTheIconReachesTheShell) {
  FakeShell::whileAnswering = [this] { model_.SetHint(u"１画面"); };
  Start();
  const std::vector<HWND> icons = VisibleTrayIcons();
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(TrayIconTooltip(icons.front()), L"１画面");
  ExpectNoMoreTries();
}

TEST_F(TrayIconTest, AChangeOfDpiOrDisplayLoadsTheImageAtTheNewSize) {
  Start();
  ASSERT_EQ(VisibleTrayIcons().size(), 1u);
  const UINT dpi = win32::DpiForWindow(icon_->Handle());
  ASSERT_EQ(FakeShell::calls.front().iconWidth, win32::SystemMetricForDpi(SM_CXSMICON, dpi));

  for (UINT newDpi : {144u, 192u, 96u}) {
    SCOPED_TRACE(newDpi);
    const int width = win32::SystemMetricForDpi(SM_CXSMICON, newDpi);
    FakeShell::calls.clear();
    RECT suggested{0, 0, 100, 100};
    SendToIcon(win32::kDpiChangedMessage, MAKEWPARAM(newDpi, newDpi),
               reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(FakeShell::calls.size(), 1u);
    EXPECT_EQ(FakeShell::calls.front().message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(FakeShell::calls.front().iconWidth, width);
    EXPECT_EQ(VisibleTrayIcons().size(), 1u);
  }
  // The sizes differ, or the test would show nothing.
  EXPECT_NE(win32::SystemMetricForDpi(SM_CXSMICON, 144),
            win32::SystemMetricForDpi(SM_CXSMICON, 96));

  // A change of display asks the monitor's DPI anew.
  SendToIcon(win32::kDpiChangedMessage, MAKEWPARAM(192, 192), 0);
  FakeShell::calls.clear();
  SendToIcon(WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 800));
  ASSERT_EQ(FakeShell::calls.size(), 1u);
  EXPECT_EQ(FakeShell::calls.front().message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(FakeShell::calls.front().iconWidth, win32::SystemMetricForDpi(SM_CXSMICON, dpi));
  EXPECT_EQ(VisibleTrayIcons().size(), 1u);
}

}  // namespace
}  // namespace kiv::test
