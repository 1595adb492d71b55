// The settings window ("/w") and the tray icon ("/t") of the real kiv.exe, driven from outside the
// way the user's clicks and the shell's notifications reach it.
#include <windows.h>

#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Application.h"
#include "CommandIds.h"
#include "MainWindow.h"
#include "SingleInstance.h"
#include "TrayIcon.h"
#include "WineHelpers.h"

namespace kiv::test {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kPageModeStored[] = L"4294967295";
constexpr auto kLimit = 10s;

// The settings window's control identifiers and the tray menu's commands, as the program has them.
using enum win32::ControlId;
using enum win32::MenuCommand;
using win32::TrayIcon;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// How far apart two pictures of the same size are, summed over the colour channels.
std::uint64_t ColourDistance(const std::vector<std::uint32_t>& a,
                             const std::vector<std::uint32_t>& b) {
  if (a.size() != b.size()) return UINT64_MAX;
  std::uint64_t distance = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      const int x = static_cast<int>((a[i] >> shift) & 0xFF);
      const int y = static_cast<int>((b[i] >> shift) & 0xFF);
      distance += static_cast<std::uint64_t>(x > y ? x - y : y - x);
    }
  }
  return distance;
}

// Whether a run still holds the single-instance name.
bool InstanceNameHeld() {
  const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, win32::kKivInstanceName);
  if (mutex == nullptr) return false;
  CloseHandle(mutex);
  return true;
}

// A close as the installer sends it before an upgrade: it waits at most five seconds for an
// answer, and none if the program hangs.
bool CloseAsTheInstallerDoes(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

RECT WindowRect(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  return rect;
}

class KivWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(listener_.Handle(), nullptr);
    savedLines_ = StoredWheelScrollLines();
    RemoveSettings();
    // The pointer away from the notification area, where the menu test leaves it: an icon
    // under it gets hover notifications and shows its tooltip.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  }

  void TearDown() override {
    kiv_.reset();
    if (savedLines_) StageWheelScrollLines(*savedLines_);
    RemoveSettings();
  }

  static void RemoveSettings() { RemovePath(AppDataFolder() + L"\\Brackenhall"); }

  // Starts kiv.exe with "/w" or "/t" and finds its windows.
  void Launch(const std::wstring& arguments, int showCommand = -1) {
    kiv_ = std::make_unique<ChildProcess>(KivExe(), arguments, showCommand);
    ASSERT_TRUE(kiv_->Started());
    tray_ = WaitForTopLevelWindow(kiv_->Id(), TrayIcon::kWindowClass, kLimit);
    main_ = WaitForTopLevelWindow(kiv_->Id(), win32::MainWindow::kWindowClass, kLimit);
    app_ = WaitForTopLevelWindow(kiv_->Id(), win32::Application::kWindowClass, kLimit);
    ASSERT_TRUE(tray_ != nullptr && main_ != nullptr && app_ != nullptr);
    if (arguments == L"/w") {
      ASSERT_TRUE(PumpMessagesUntil(kLimit, [this] { return IsWindowVisible(main_) != 0; }));
    } else {
      ASSERT_TRUE(PumpMessagesUntil(kLimit, [] { return !VisibleTrayIcons().empty(); }));
    }
    // The icon shows while kiv still waits for the shell to answer its add, and a message sent
    // meanwhile is handled inside that wait: only a posted message, which the message loop
    // takes, shows that the start-up has run to its end.
    ASSERT_NO_FATAL_FAILURE(WaitForPostedMessages());
    DispatchPendingMessages();
    listener_.Clear();
  }

  HWND Control(int id) const { return GetDlgItem(main_, id); }

  bool Checked(int id) const {
    return SendWithin(Control(id), BM_GETCHECK) == static_cast<LRESULT>(BST_CHECKED);
  }

  int Selection(int id) const {
    return static_cast<int>(SendWithin(Control(id), CB_GETCURSEL).value_or(-2));
  }

  // Sends the message to kiv and takes in what it broadcast while handling it.
  void Send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    ASSERT_TRUE(SendWithin(hwnd, message, wParam, lParam).has_value()) << "kiv did not answer";
    DispatchPendingMessages();
  }

  void Click(int id) { Send(Control(id), BM_CLICK); }

  // A choice of the user in a list: the selection moves and the list tells its window.
  void Choose(int id, int position) {
    Send(Control(id), CB_SETCURSEL, static_cast<WPARAM>(position));
    Send(main_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Control(id)));
  }

  void MenuCommand(WPARAM command) { Send(tray_, WM_COMMAND, command); }

  // Returns once kiv has handled every message posted to it so far. A posted message queues up
  // behind them and shows when it has been handled. With the window's controls made: the pushed
  // look of a group frame that nothing of the program reads. Without them (a resident run whose
  // window was never shown): the icon's context menu, opened by the shell's notification and
  // dismissed.
  void WaitForPostedMessages() {
    const HWND frame = Control(kSpeedFrame);
    if (frame == nullptr) {
      const HWND menu = OpenTrayMenu();
      ASSERT_NE(menu, nullptr) << "kiv did not get to the probe";
      PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
      ASSERT_TRUE(PumpMessagesUntil(kLimit, [this] { return !MenuOpen(); }));
      Send(tray_, WM_NULL);
      return;
    }
    PostMessageW(frame, BM_SETSTATE, TRUE, 0);
    ASSERT_TRUE(PumpMessagesUntil(kLimit, [frame] {
      return (SendWithin(frame, BM_GETSTATE).value_or(0) & BST_PUSHED) != 0;
    }));
    Send(frame, BM_SETSTATE, FALSE);
  }

  // After an action that reaches kiv on its own way (a notification of the shell): waits until
  // the mode it asks for has been written and announced and kiv is back in its message loop.
  // Clear listener_ before the action.
  void WaitForModeWritten(const std::wstring& stored) {
    EXPECT_TRUE(PumpMessagesUntil(kLimit,
                                  [&] {
                                    return StoredWheelScrollLines() == stored &&
                                           listener_.Count(SPI_SETWHEELSCROLLLINES) > 0;
                                  }))
        << "stored: " << WideToUtf8(StoredWheelScrollLines().value_or(L"?"));
    ASSERT_NO_FATAL_FAILURE(WaitForPostedMessages());
  }

  int Broadcasts(UINT action) {
    DispatchPendingMessages();
    return listener_.Count(action);
  }

  // The controls that show the mode agree with it.
  void ExpectModeShown(bool pageMode) const {
    EXPECT_EQ(Checked(kPageModeButton), pageMode);
    EXPECT_EQ(Checked(kLineModeButton), !pageMode);
    EXPECT_EQ(IsWindowEnabled(Control(kLineCountList)) != 0, !pageMode);
  }

  void ExpectEndsHavingSaved(int position, std::chrono::milliseconds limit = kLimit) {
    const RunOutcome outcome = WaitForExitDismissingBoxes(*kiv_, limit);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_EQ(ReadFileBytes(KivSettingsFile()), SettingsFileWithCount(position));
    EXPECT_TRUE(VisibleTrayIcons().empty()) << "the icon outlived the program";
    EXPECT_FALSE(InstanceNameHeld()) << "the single-instance name outlived the program";
    if (!outcome.exitCode) kiv_->Kill();
  }

  // Opens the icon's menu as the shell asks for it, at a point of the screen.
  HWND OpenTrayMenu() {
    PostMessageW(tray_, TrayIcon::kCallbackMessage, MAKEWPARAM(40, 60),
                 MAKELPARAM(WM_CONTEXTMENU, TrayIcon::kIconId));
    return WaitForOpenMenu();
  }

  // The one icon in the notification area.
  static HWND TheTrayIcon() {
    const std::vector<HWND> icons = VisibleTrayIcons();
    return icons.size() == 1 ? icons.front() : nullptr;
  }

  HWND WaitForOpenMenu() const {
    HWND menu = nullptr;
    PumpMessagesUntil(kLimit, [&] {
      for (HWND candidate : TopLevelWindows(kiv_->Id(), L"#32768")) {
        if (IsWindowVisible(candidate)) menu = candidate;
      }
      return menu != nullptr;
    });
    return menu;
  }

  bool MenuOpen() const {
    for (HWND candidate : TopLevelWindows(kiv_->Id(), L"#32768")) {
      if (IsWindowVisible(candidate)) return true;
    }
    return false;
  }

  SettingChangeListener listener_;
  std::optional<std::wstring> savedLines_;
  std::unique_ptr<ChildProcess> kiv_;
  HWND tray_ = nullptr;
  HWND main_ = nullptr;
  HWND app_ = nullptr;
};

// --- The window as it opens ---------------------------------------------------------------------

TEST_F(KivWindowTest, TheWindowOpensCentredWithItsControlsFilledFromTheSystem) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi != 96) GTEST_SKIP() << "the design sizes hold at 96 DPI";

  // On a system that does not report Windows 10, and on one that does but cannot read the
  // wheel routing (this Wine), the inactive-window setting is not offered.
  // Opened at the start, or from the icon's menu in a resident run that had made no window
  // controls until then.
  for (const auto& [version, arguments] :
       {std::pair{L"", L"/w"}, std::pair{L"win10", L"/w"}, std::pair{L"", L"/t"}}) {
    SCOPED_TRACE(WideToUtf8(version) + " " + WideToUtf8(arguments));
    const bool resident = std::wstring(arguments) == L"/t";
    std::unique_ptr<ScopedUserRegistryString> appDefaults;
    if (*version != L'\0') {
      appDefaults = std::make_unique<ScopedUserRegistryString>(
          L"Software\\Wine\\AppDefaults\\kiv.exe", L"Version", version);
    }
    RemoveSettings();
    StageWheelScrollLines(L"-1");
    ASSERT_NO_FATAL_FAILURE(Launch(arguments));
    if (resident) MenuCommand(kMenuShowWindow);

    EXPECT_EQ(WindowText(main_), L"KIV");
    EXPECT_EQ(WindowText(app_), L"KIV");
    EXPECT_EQ(GetWindow(main_, GW_OWNER), app_) << "the window would get a taskbar button";
    EXPECT_TRUE(IsWindowVisible(app_)) << "no taskbar button";
    EXPECT_EQ(VisibleTrayIcons().size(), resident ? 1u : 0u);

    struct Row {
      int id;
      const wchar_t* windowClass;
      const wchar_t* caption;
      bool enabled;
    };
    const Row rows[] = {
        {kWheelFrame, L"Button", L"[ホイールの１目盛りでスクロールする量]", true},
        {kPageModeButton, L"Button", L"１画面ずつスクロールする", true},
        {kLineModeButton, L"Button", L"１度に次の行数スクロールする", true},
        {kLineCountList, L"ComboBox", L"", false},  // page mode
        {kSpeedFrame, L"Button", L"[ポインターの速度]", true},
        {kSpeedList, L"ComboBox", L"", true},
        {kNoActiveFrame, L"Button", L"[ホバーしたときに非アクティブウィンドウをスクロールする]",
         false},
        {kNoActiveCheckBox, L"Button", L"有効 (*Windows11/10)", false},
    };
    for (const Row& row : rows) {
      SCOPED_TRACE(row.id);
      const HWND control = Control(row.id);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(WindowClassName(control), row.windowClass);
      if (*row.caption != L'\0') {
        EXPECT_EQ(WindowText(control), row.caption);
      }
      EXPECT_EQ(IsWindowEnabled(control) != 0, row.enabled);
      EXPECT_TRUE(IsWindowVisible(control));
    }
    ExpectModeShown(true);
    EXPECT_FALSE(Checked(kNoActiveCheckBox));

    // Page mode without a settings file: the default position.
    EXPECT_EQ(Selection(kLineCountList), 2);
    for (const auto& [id, count] : {std::pair{kLineCountList, 100}, std::pair{kSpeedList, 20}}) {
      SCOPED_TRACE(id);
      ASSERT_EQ(SendWithin(Control(id), CB_GETCOUNT), count);
      for (int i = 0; i < count; ++i) {
        wchar_t text[16] = {};
        ASSERT_EQ(SendWithin(Control(id), CB_GETLBTEXTLEN, static_cast<WPARAM>(i)),
                  static_cast<LRESULT>(std::to_wstring(i + 1).size()));
        SendWithin(Control(id), CB_GETLBTEXT, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::wstring(text), std::to_wstring(i + 1));
      }
    }

    // At least the design size; window_layout_tests checks the layout in full.
    RECT client{};
    GetClientRect(main_, &client);
    EXPECT_GE(client.bottom - client.top, 171);
    EXPECT_GE(client.right - client.left, 304);

    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(main_, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const RECT window = WindowRect(main_);
    EXPECT_EQ(window.left, work.left + (work.right - work.left - (window.right - window.left)) / 2);
    EXPECT_EQ(window.top, work.top + (work.bottom - work.top - (window.bottom - window.top)) / 2);

    EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 0) << "opening the window changed the mode";
    Send(main_, WM_CLOSE);
    ExpectEndsHavingSaved(2);
  }
}

TEST_F(KivWindowTest, TheLauncherShowRequestIsHonoured) {
  struct Row {
    int showCommand;
    bool maximised;
    bool minimisedToTheTaskbar;
  };
  for (const Row& row : {Row{SW_SHOWMAXIMIZED, true, false}, Row{SW_SHOWNORMAL, false, false},
                         Row{SW_SHOWMINNOACTIVE, false, true}}) {
    SCOPED_TRACE(row.showCommand);
    RemoveSettings();
    StageWheelScrollLines(L"5");
    kiv_ = std::make_unique<ChildProcess>(KivExe(), L"/w", row.showCommand);
    main_ = WaitForTopLevelWindow(kiv_->Id(), win32::MainWindow::kWindowClass, kLimit);
    app_ = WaitForTopLevelWindow(kiv_->Id(), win32::Application::kWindowClass, kLimit);
    ASSERT_TRUE(main_ != nullptr && app_ != nullptr);
    // The application window carries the taskbar button in every case.
    ASSERT_TRUE(PumpMessagesUntil(kLimit, [this] { return IsWindowVisible(app_) != 0; }));
    ASSERT_TRUE(SendWithin(main_, WM_NULL).has_value());

    EXPECT_EQ(IsZoomed(main_) != 0, row.maximised);
    EXPECT_EQ(IsIconic(app_) != 0, row.minimisedToTheTaskbar);
    EXPECT_EQ(IsWindowVisible(main_) != 0, !row.minimisedToTheTaskbar);
    EXPECT_TRUE(VisibleTrayIcons().empty());
    if (row.minimisedToTheTaskbar) {
      // Nothing but the button until the user restores it.
      PumpMessagesUntil(500ms, [this] { return IsWindowVisible(main_) != 0; });
      EXPECT_FALSE(IsWindowVisible(main_)) << "the window showed beside the minimised button";
      Send(app_, WM_SYSCOMMAND, SC_RESTORE);
      EXPECT_FALSE(IsIconic(app_));
      EXPECT_TRUE(IsWindowVisible(main_));
      ExpectModeShown(false);
      EXPECT_EQ(Selection(kLineCountList), 4);
      EXPECT_TRUE(VisibleTrayIcons().empty());
    }

    Send(main_, WM_CLOSE);
    ExpectEndsHavingSaved(4);
  }
}

// --- Choices in the window ----------------------------------------------------------------------

TEST_F(KivWindowTest, ARadioButtonWritesTheModeOnlyWhenItChangesIt) {
  StageWheelScrollLines(L"5");
  ASSERT_NO_FATAL_FAILURE(Launch(L"/w"));
  ExpectModeShown(false);

  struct Step {
    int button;
    const wchar_t* stored;
    int broadcasts;
  };
  const Step steps[] = {
      {kPageModeButton, kPageModeStored, 1},
      {kPageModeButton, kPageModeStored, 0},  // already checked
      {kLineModeButton, L"5", 1},             // the line count comes back
      {kLineModeButton, L"5", 0},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.button);
    listener_.Clear();
    Click(step.button);
    EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), step.broadcasts);
    EXPECT_EQ(StoredWheelScrollLines(), step.stored);
    ExpectModeShown(step.button == kPageModeButton);
  }
  EXPECT_EQ(Broadcasts(SPI_SETMOUSESPEED), 0);
  Send(main_, WM_CLOSE);
  ExpectEndsHavingSaved(4);
}

TEST_F(KivWindowTest, AChoiceInAListIsWrittenAtOnce) {
  StageWheelScrollLines(L"5");
  ASSERT_NO_FATAL_FAILURE(Launch(L"/w"));

  Choose(kLineCountList, 7);
  EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 1);
  EXPECT_EQ(StoredWheelScrollLines(), L"8");

  listener_.Clear();
  Choose(kLineCountList, 7);
  EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 0) << "the same line count again";

  Choose(kSpeedList, 14);
  EXPECT_EQ(Broadcasts(SPI_SETMOUSESPEED), 1);
  EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 0);
  EXPECT_EQ(Selection(kSpeedList), 14);

  Send(main_, WM_CLOSE);
  ExpectEndsHavingSaved(7);
}

TEST_F(KivWindowTest, TheKeyboardChoosesInTheListsStepByStep) {
  StageWheelScrollLines(L"5");
  ASSERT_NO_FATAL_FAILURE(Launch(L"/w"));

  struct Step {
    int list;
    UINT message;
    WPARAM key;
    const wchar_t* stored;  // what the line list's choice gives
  };
  const Step steps[] = {
      {kLineCountList, WM_KEYDOWN, VK_DOWN, L"6"},
      {kLineCountList, WM_KEYDOWN, VK_UP, L"5"},
      {kLineCountList, WM_KEYDOWN, VK_UP, L"4"},
      {kLineCountList, WM_CHAR, L'9', L"9"},  // found by its first character
      {kSpeedList, WM_KEYDOWN, VK_DOWN, L"9"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << step.list << " " << step.key);
    listener_.Clear();
    const int before = Selection(step.list);
    PostMessageW(Control(step.list), step.message, step.key, 0);
    ASSERT_NO_FATAL_FAILURE(WaitForPostedMessages());
    EXPECT_NE(Selection(step.list), before);
    EXPECT_EQ(StoredWheelScrollLines(), step.stored);
    const bool lineList = step.list == kLineCountList;
    EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), lineList ? 1 : 0);
    EXPECT_EQ(Broadcasts(SPI_SETMOUSESPEED), lineList ? 0 : 1);
  }
  Send(main_, WM_CLOSE);
  ExpectEndsHavingSaved(8);
}

TEST_F(KivWindowTest, TabReachesTheCheckedRadioButtonAndTheEnabledControlsInOrder) {
  struct Row {
    const wchar_t* stagedLines;
    std::vector<int> cycle;  // the disabled check box is no stop on this system
  };
  for (const Row& row : {Row{L"5", {kLineModeButton, kLineCountList, kSpeedList}},
                         Row{L"-1", {kPageModeButton, kSpeedList}}}) {
    SCOPED_TRACE(WideToUtf8(row.stagedLines));
    RemoveSettings();
    StageWheelScrollLines(row.stagedLines);
    ASSERT_NO_FATAL_FAILURE(Launch(L"/w"));
    const DWORD thread = GetWindowThreadProcessId(main_, nullptr);
    const auto focus = [thread] {
      GUITHREADINFO info{};
      info.cbSize = sizeof(info);
      GetGUIThreadInfo(thread, &info);
      return info.hwndFocus;
    };

    std::vector<int> visited;
    for (std::size_t i = 0; i < 2 * row.cycle.size(); ++i) {
      const HWND from = focus();
      PostMessageW(from != nullptr ? from : main_, WM_KEYDOWN, VK_TAB, 0);
      ASSERT_NO_FATAL_FAILURE(WaitForPostedMessages());
      visited.push_back(GetDlgCtrlID(focus()));
    }
    // Twice round the cycle, starting wherever the first Tab lands.
    const auto start = std::find(row.cycle.begin(), row.cycle.end(), visited.front());
    ASSERT_NE(start, row.cycle.end()) << visited.front();
    const std::size_t offset = static_cast<std::size_t>(start - row.cycle.begin());
    for (std::size_t i = 0; i < visited.size(); ++i) {
      EXPECT_EQ(visited[i], row.cycle[(offset + i) % row.cycle.size()]) << i;
    }
    Send(main_, WM_CLOSE);
    ExpectEndsHavingSaved(row.stagedLines == std::wstring(L"5") ? 4 : 2);
  }
}

// --- Minimising into the notification area ------------------------------------------------------

TEST_F(KivWindowTest, MinimisingFoldsTheWindowIntoTheTrayAndShowWindowBringsItBackInPlace) {
  StageWheelScrollLines(L"5");
  ASSERT_NO_FATAL_FAILURE(Launch(L"/w"));
  EXPECT_TRUE(VisibleTrayIcons().empty());

  // Where the user moved it.
  const RECT opened = WindowRect(main_);
  ASSERT_TRUE(SetWindowPos(main_, nullptr, opened.left + 37, opened.top + 23, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  const RECT moved = WindowRect(main_);

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    Send(main_, WM_SYSCOMMAND, SC_MINIMIZE);
    EXPECT_FALSE(IsWindowVisible(main_));
    EXPECT_FALSE(IsWindowVisible(app_)) << "a taskbar button stayed";
    EXPECT_EQ(VisibleTrayIcons().size(), 1u);
    EXPECT_TRUE(kiv_->Running());

    MenuCommand(kMenuShowWindow);
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_FALSE(IsIconic(main_));
    EXPECT_TRUE(IsWindowVisible(app_));
    EXPECT_FALSE(IsIconic(app_));
    EXPECT_TRUE(SameRect(WindowRect(main_), moved)) << Describe(WindowRect(main_));
    EXPECT_EQ(VisibleTrayIcons().size(), 1u) << "the icon stays once it has been shown";

    // Showing the shown window changes nothing.
    MenuCommand(kMenuShowWindow);
    EXPECT_TRUE(SameRect(WindowRect(main_), moved)) << Describe(WindowRect(main_));
    EXPECT_EQ(VisibleTrayIcons().size(), 1u);
  }
  EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), 0);
  Send(main_, WM_SYSCOMMAND, SC_CLOSE);
  ExpectEndsHavingSaved(4);
}

// --- The tray icon ------------------------------------------------------------------------------

TEST_F(KivWindowTest, ADoubleClickOnTheIconTogglesTheModeAndSingleClicksDoNothing) {
  StageWheelScrollLines(L"5");
  ASSERT_NO_FATAL_FAILURE(Launch(L"/t"));
  EXPECT_FALSE(IsWindowVisible(main_));
  EXPECT_FALSE(IsWindowVisible(app_));
  const std::vector<HWND> icons = VisibleTrayIcons();
  ASSERT_EQ(icons.size(), 1u);
  const HWND icon = icons.front();
  EXPECT_EQ(TrayIconTooltip(icon), L"指定行数");
  // The image of each mode, as the tray draws it.
  std::map<bool, std::vector<std::uint32_t>> images;
  ASSERT_TRUE(PumpMessagesUntil(kLimit, [&] {
    const std::vector<std::uint32_t> now = ScreenPixels(icon);
    const bool drawn =
        !now.empty() && now == images[false] &&
        std::adjacent_find(now.begin(), now.end(), std::not_equal_to<>()) != now.end();
    images[false] = now;
    return drawn;
  })) << "the tray did not draw the image";

  struct Step {
    UINT doubleClick;
    const wchar_t* stored;
  };
  const Step steps[] = {
      {WM_LBUTTONDBLCLK, kPageModeStored},
      {WM_LBUTTONDBLCLK, L"5"},  // twice is back where it was
      {WM_RBUTTONDBLCLK, kPageModeStored},
      {WM_MBUTTONDBLCLK, L"5"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.doubleClick);
    listener_.Clear();
    // The shell passes on what happens on the icon; only the double-click means something.
    const LPARAM at = MAKELPARAM(8, 8);
    for (UINT message :
         {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP}) {
      PostMessageW(icon, message, 0, at);
    }
    PostMessageW(icon, step.doubleClick, 0, at);
    // The shell's notifications arrive in order: the single clicks have been handled too.
    ASSERT_NO_FATAL_FAILURE(WaitForModeWritten(step.stored));
    EXPECT_EQ(StoredWheelScrollLines(), step.stored);
    const bool pageMode = std::wstring(step.stored) == kPageModeStored;
    EXPECT_EQ(TrayIconTooltip(icon), pageMode ? L"１画面" : L"指定行数");
    if (images.count(pageMode) == 0) {
      // The first time in page mode: its image, once the tray has drawn it.
      std::vector<std::uint32_t> last;
      EXPECT_TRUE(PumpMessagesUntil(kLimit, [&] {
        const std::vector<std::uint32_t> now = ScreenPixels(icon);
        const bool drawn = now != images[false] && now == last;
        last = now;
        return drawn;
      })) << "the image stayed that of line mode";
      images[pageMode] = last;
    } else {
      // The tray blends the image over the one before, so only nearly the same comes back.
      EXPECT_TRUE(PumpMessagesUntil(kLimit, [&] {
        const std::vector<std::uint32_t> now = ScreenPixels(icon);
        return ColourDistance(now, images[pageMode]) < ColourDistance(now, images[!pageMode]);
      })) << "the image did not come back";
    }
  }
  // The window, shown now, shows the mode the double-clicks left.
  MenuCommand(kMenuShowWindow);
  ExpectModeShown(false);
  MenuCommand(kMenuClose);
  ExpectEndsHavingSaved(4);
}

TEST_F(KivWindowTest, ADoubleClickThatComesWhileTheLastChangeIsBeingAnnouncedCounts) {
  StageWheelScrollLines(L"5");
  ASSERT_NO_FATAL_FAILURE(Launch(L"/t"));
  const HWND icon = TheTrayIcon();
  ASSERT_NE(icon, nullptr);
  // A program that takes its time to answer the announcement of a change.
  HeldSettingListener slow;
  ASSERT_TRUE(slow.Ready());

  // The first double-click: page mode, announced while the slow program keeps kiv waiting.
  PostMessageW(icon, WM_LBUTTONDBLCLK, 0, MAKELPARAM(8, 8));
  ASSERT_TRUE(slow.WaitUntilHolding(kLimit)) << "the first double-click wrote nothing";
  EXPECT_EQ(StoredWheelScrollLines(), kPageModeStored);
  // The second arrives meanwhile: the shell here sends its notifications on at once. (In the
  // old format, which both ways of reading take as a double-click.)
  Send(tray_, TrayIcon::kCallbackMessage, 1, WM_LBUTTONDBLCLK);
  slow.Release();
  ASSERT_NO_FATAL_FAILURE(WaitForPostedMessages());

  // Two double-clicks: back in line mode.
  EXPECT_EQ(StoredWheelScrollLines(), L"5") << "the second double-click was lost";
  EXPECT_EQ(TrayIconTooltip(icon), L"指定行数");
  // And the next one toggles again, everywhere.
  listener_.Clear();
  PostMessageW(icon, WM_LBUTTONDBLCLK, 0, MAKELPARAM(8, 8));
  ASSERT_NO_FATAL_FAILURE(WaitForModeWritten(kPageModeStored));
  EXPECT_EQ(TrayIconTooltip(icon), L"１画面");
  MenuCommand(kMenuShowWindow);
  ExpectModeShown(true);

  MenuCommand(kMenuClose);
  ExpectEndsHavingSaved(4);
}

TEST_F(KivWindowTest, EachMenuCommandDoesItsActionAndTheMarkedModeWritesNothing) {
  StageWheelScrollLines(L"5");
  ASSERT_NO_FATAL_FAILURE(Launch(L"/t"));

  struct Step {
    WPARAM command;
    const wchar_t* stored;
    int broadcasts;
  };
  std::vector<Step> steps = {
      {kMenuPageMode, kPageModeStored, 1},
      {kMenuPageMode, kPageModeStored, 0},  // the marked one
      {kMenuLineMode, L"5", 1},
      {kMenuLineMode, L"5", 0},
  };
  // The separators' commands, which no item has.
  std::size_t separators = 0;
  for (std::size_t position = 0; position < std::size(kTrayMenuLayout); ++position) {
    if (kTrayMenuLayout[position] != nullptr) continue;
    steps.push_back({win32::kFirstMenuCommand + position, L"5", 0});
    ++separators;
  }
  ASSERT_GT(separators, 0u) << "the menu has no separator lines";
  steps.push_back({kMenuNoActive, L"5", 0});  // greyed on this system
  for (const Step& step : steps) {
    SCOPED_TRACE(step.command);
    listener_.Clear();
    MenuCommand(step.command);
    EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES), step.broadcasts);
    EXPECT_EQ(StoredWheelScrollLines(), step.stored);
    EXPECT_EQ(TrayIconTooltip(TheTrayIcon()),
              step.command == kMenuPageMode ? L"１画面" : L"指定行数");
    EXPECT_FALSE(IsWindowVisible(main_));
    EXPECT_TRUE(kiv_->Running());
  }

  MenuCommand(kMenuShowWindow);
  EXPECT_TRUE(IsWindowVisible(main_));
  EXPECT_TRUE(IsWindowVisible(app_));
  EXPECT_EQ(VisibleTrayIcons().size(), 1u) << "window and icon";
  ExpectModeShown(false);
  EXPECT_FALSE(Checked(kNoActiveCheckBox));

  MenuCommand(kMenuClose);
  ExpectEndsHavingSaved(4);
}

TEST_F(KivWindowTest, TheContextMenuOpensAtTheRightClickAndItsItemsAreChosenByKeyboard) {
  StageWheelScrollLines(L"5");
  ASSERT_NO_FATAL_FAILURE(Launch(L"/t"));

  struct Row {
    const char* item;
    std::vector<WPARAM> keys;
    const wchar_t* stored;
    bool writes;
    bool windowShown;
    bool ends;
  };
  const Row rows[] = {
      {"dismissed", {VK_ESCAPE}, L"5", false, false, false},
      {"１画面", {VK_DOWN, VK_RETURN}, kPageModeStored, true, false, false},
      {"指定行数", {VK_DOWN, VK_DOWN, VK_RETURN}, L"5", true, false, false},
      {"ウィンドウを表示", {VK_UP, VK_UP, VK_RETURN}, L"5", false, true, false},
      {"終了", {VK_UP, VK_RETURN}, L"5", false, true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.item);
    const HWND icon = TheTrayIcon();
    ASSERT_NE(icon, nullptr);
    listener_.Clear();
    const POINT inIcon{6, 9};
    POINT at = inIcon;
    ClientToScreen(icon, &at);
    // Where the pointer is, for a shell that reports the click without its position.
    SetCursorPos(at.x, at.y);
    PostMessageW(icon, WM_RBUTTONDOWN, 0, MAKELPARAM(inIcon.x, inIcon.y));
    PostMessageW(icon, WM_RBUTTONUP, 0, MAKELPARAM(inIcon.x, inIcon.y));
    const HWND menu = WaitForOpenMenu();
    ASSERT_NE(menu, nullptr) << "no menu at a right-click";
    // The menu's top-left corner is where the button went up.
    const RECT placed = WindowRect(menu);
    EXPECT_EQ(placed.left, at.x);
    EXPECT_EQ(placed.top, at.y);

    for (WPARAM key : row.keys) PostMessageW(menu, WM_KEYDOWN, key, 0);
    if (row.ends) {
      ExpectEndsHavingSaved(4);
      break;
    }
    ASSERT_TRUE(PumpMessagesUntil(kLimit, [&] { return !MenuOpen(); }));
    // The chosen command is posted as the menu closes.
    ASSERT_NO_FATAL_FAILURE(WaitForPostedMessages());
    EXPECT_FALSE(MenuOpen()) << "a second menu followed the first";
    EXPECT_EQ(StoredWheelScrollLines(), row.stored);
    EXPECT_EQ(Broadcasts(SPI_SETWHEELSCROLLLINES) > 0, row.writes);
    EXPECT_EQ(IsWindowVisible(main_) != 0, row.windowShown);
  }
}

TEST_F(KivWindowTest, AVisibleIconComesBackWhenTheNotificationAreaIsCreatedAgain) {
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  StageWheelScrollLines(L"5");

  // A hidden icon stays hidden.
  ASSERT_NO_FATAL_FAILURE(Launch(L"/w"));
  Send(tray_, taskbarCreated);
  EXPECT_TRUE(VisibleTrayIcons().empty());
  Send(main_, WM_CLOSE);
  ExpectEndsHavingSaved(4);

  ASSERT_NO_FATAL_FAILURE(Launch(L"/t"));
  bool pageMode = false;
  // Every time: the shell is set up anew in its own time, so the icon must answer whichever way
  // the set-up went.
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    // A new shell starts without the icons of the old one.
    NOTIFYICONDATAW gone{};
    gone.cbSize = sizeof(gone);
    gone.hWnd = tray_;
    gone.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
    ASSERT_TRUE(VisibleTrayIcons().empty());
    // Meanwhile the mode changes: the icon comes back showing the new one.
    MenuCommand(pageMode ? kMenuLineMode : kMenuPageMode);
    pageMode = !pageMode;

    Send(tray_, taskbarCreated);
    const HWND icon = TheTrayIcon();
    ASSERT_NE(icon, nullptr) << "the icon did not come back";
    EXPECT_EQ(TrayIconTooltip(icon), pageMode ? L"１画面" : L"指定行数");

    // It answers as before.
    listener_.Clear();
    PostMessageW(icon, WM_LBUTTONDBLCLK, 0, MAKELPARAM(8, 8));
    pageMode = !pageMode;
    ASSERT_NO_FATAL_FAILURE(WaitForModeWritten(pageMode ? kPageModeStored : L"5"))
        << "the icon does not answer a double-click";
    EXPECT_EQ(TrayIconTooltip(icon), pageMode ? L"１画面" : L"指定行数");
  }
  MenuCommand(kMenuClose);
  ExpectEndsHavingSaved(4);
}

TEST_F(KivWindowTest, MinimisingFromTheTaskbarButtonKeepsTheButtonAndShowsNoIcon) {
  StageWheelScrollLines(L"5");
  ASSERT_NO_FATAL_FAILURE(Launch(L"/w"));

  Send(app_, WM_SYSCOMMAND, SC_MINIMIZE);
  EXPECT_TRUE(IsIconic(app_));
  EXPECT_TRUE(IsWindowVisible(app_)) << "the taskbar button went";
  EXPECT_TRUE(VisibleTrayIcons().empty());

  Send(app_, WM_SYSCOMMAND, SC_RESTORE);
  EXPECT_FALSE(IsIconic(app_));
  EXPECT_TRUE(IsWindowVisible(main_));
  EXPECT_TRUE(VisibleTrayIcons().empty());

  // Minimised there, the window comes back from the menu's "ウィンドウを表示" as well.
  Send(app_, WM_SYSCOMMAND, SC_MINIMIZE);
  ASSERT_TRUE(IsIconic(app_));
  MenuCommand(kMenuShowWindow);
  EXPECT_FALSE(IsIconic(app_));
  EXPECT_TRUE(IsWindowVisible(main_));

  Send(main_, WM_CLOSE);
  ExpectEndsHavingSaved(4);
}

// --- Closing ------------------------------------------------------------------------------------

TEST_F(KivWindowTest, EveryWayOfClosingSavesTheLinePositionAndEndsTheProgram) {
  struct Row {
    const char* how;
    const wchar_t* arguments;
    UINT message;
    WPARAM wParam;
    bool toApplicationWindow;  // the taskbar button's menu
    bool toTray;
  };
  const Row rows[] = {
      {"close button", L"/w", WM_SYSCOMMAND, SC_CLOSE, false, false},
      {"WM_CLOSE", L"/w", WM_CLOSE, 0, false, false},
      {"taskbar button", L"/w", WM_CLOSE, 0, true, false},
      {"menu", L"/w", WM_COMMAND, kMenuClose, false, true},
      {"close button of the window shown from the icon", L"/t", WM_SYSCOMMAND, SC_CLOSE, false,
       false},
  };
  int position = 10;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    RemoveSettings();
    StageWheelScrollLines(L"5");
    ASSERT_NO_FATAL_FAILURE(Launch(row.arguments));
    if (std::wstring(row.arguments) == L"/t") MenuCommand(kMenuShowWindow);
    ++position;
    Choose(kLineCountList, position);
    const HWND target = row.toTray ? tray_ : row.toApplicationWindow ? app_ : main_;
    PostMessageW(target, row.message, row.wParam, 0);
    ExpectEndsHavingSaved(position);
    EXPECT_EQ(StoredWheelScrollLines(), std::to_wstring(position + 1));
  }
}

// Another program closes KIV (the installer before an upgrade) while KIV is inside one of its
// nested loops: the loop ends first, then the program, by the one close path.
TEST_F(KivWindowTest, ACloseFromOutsideWhileTheTrayMenuIsOpenEndsTheMenuAndThenTheProgram) {
  struct Row {
    const char* how;
    bool toApplicationWindow;
    bool sessionEnd;
  };
  const Row rows[] = {
      {"WM_CLOSE to the main window", false, false},
      {"WM_CLOSE to the application window", true, false},
      {"the end of the session", false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    RemoveSettings();
    StageWheelScrollLines(L"5");
    ASSERT_NO_FATAL_FAILURE(Launch(L"/t"));
    ASSERT_NE(OpenTrayMenu(), nullptr) << "no menu";
    if (row.sessionEnd) {
      EXPECT_NE(SendWithin(main_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF).value_or(0), 0);
      PostMessageW(main_, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    } else {
      EXPECT_TRUE(CloseAsTheInstallerDoes(row.toApplicationWindow ? app_ : main_));
    }
    ExpectEndsHavingSaved(4, 2s);
  }
}

TEST_F(KivWindowTest, ACloseFromOutsideEndsAnOpenMessageBoxOrDropDownListAndThenTheProgram) {
  // A box about a save that failed; the file is free again by the time the installer closes KIV.
  StageWheelScrollLines(L"5");
  ASSERT_NO_FATAL_FAILURE(Launch(L"/t"));
  {
    CreateDirectoryW((AppDataFolder() + L"\\Brackenhall").c_str(), nullptr);
    CreateDirectoryW(KivSettingsFolder().c_str(), nullptr);
    WriteFileBytes(KivSettingsFile(), SettingsFileWithCount(9));
    OpenFile held(KivSettingsFile(), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(held.Valid());
    MenuCommand(kMenuClose);
    ASSERT_TRUE(WaitForMessageBox(kiv_->Id(), kLimit).has_value());
  }
  EXPECT_TRUE(CloseAsTheInstallerDoes(main_));
  ExpectEndsHavingSaved(4, 2s);

  // The settings window with a list dropped down.
  RemoveSettings();
  ASSERT_NO_FATAL_FAILURE(Launch(L"/w"));
  Send(Control(kSpeedList), CB_SHOWDROPDOWN, TRUE);
  ASSERT_EQ(SendWithin(Control(kSpeedList), CB_GETDROPPEDSTATE), TRUE);
  EXPECT_TRUE(CloseAsTheInstallerDoes(main_));
  ExpectEndsHavingSaved(4, 2s);
}

TEST_F(KivWindowTest, AResidentRunWhoseSaveFailsReportsItAndKeepsRunning) {
  StageWheelScrollLines(L"5");
  CreateDirectoryW((AppDataFolder() + L"\\Brackenhall").c_str(), nullptr);
  CreateDirectoryW(KivSettingsFolder().c_str(), nullptr);
  const std::string before = "[Line]\r\nCount=9\r\n";
  WriteFileBytes(KivSettingsFile(), before);

  for (const wchar_t* arguments : {L"/w", L"/t"}) {
    SCOPED_TRACE(WideToUtf8(arguments));
    ASSERT_NO_FATAL_FAILURE(Launch(arguments));
    const bool window = std::wstring(arguments) == L"/w";
    // The close button of the window, or the menu's "終了".
    const auto close = [&] {
      PostMessageW(window ? main_ : tray_, window ? WM_CLOSE : WM_COMMAND,
                   window ? 0 : WPARAM{kMenuClose}, 0);
    };
    {
      OpenFile held(KivSettingsFile(), GENERIC_READ, FILE_SHARE_READ);
      ASSERT_TRUE(held.Valid());
      close();
      const std::optional<MessageBoxContent> box = WaitForMessageBox(kiv_->Id(), kLimit);
      ASSERT_TRUE(box.has_value());
      if (window) {
        // The box belongs to the window, which waits for it.
        EXPECT_EQ(GetWindow(box->handle, GW_OWNER), main_);
        EXPECT_FALSE(IsWindowEnabled(main_));
      }
      EXPECT_EQ(box->caption, L"KIV");
      EXPECT_EQ(box->text.rfind(L"ファイル \"" + KivSettingsFile() + L"\" を作成できません。", 0),
                0u)
          << WideToUtf8(box->text);
      ASSERT_TRUE(DismissMessageBox(box->handle));
      Send(main_, WM_NULL);
      EXPECT_TRUE(kiv_->Running()) << "a resident run must stay for another try";
      EXPECT_FALSE(FindMessageBox(kiv_->Id()).has_value()) << "reported twice";
      EXPECT_EQ(IsWindowVisible(main_) != 0, window);
      EXPECT_EQ(VisibleTrayIcons().size(), window ? 0u : 1u);
    }
    EXPECT_EQ(ReadFileBytes(KivSettingsFile()), before);
    // The next try goes through.
    close();
    ExpectEndsHavingSaved(4);
    WriteFileBytes(KivSettingsFile(), before);
  }
}

TEST_F(KivWindowTest, TheEndOfTheSessionSavesTheLinePositionAndEndsTheProgram) {
  for (const wchar_t* arguments : {L"/w", L"/t"}) {
    SCOPED_TRACE(WideToUtf8(arguments));
    RemoveSettings();
    StageWheelScrollLines(L"5");
    ASSERT_NO_FATAL_FAILURE(Launch(arguments));
    const bool resident = std::wstring(arguments) == L"/t";
    // A resident run's choice is made in the window shown from the icon, folded away again.
    if (resident) MenuCommand(kMenuShowWindow);
    Choose(kLineCountList, 18);
    if (resident) Send(main_, WM_SYSCOMMAND, SC_MINIMIZE);

    // Asked first: every window consents, and the position is saved now.
    for (HWND window : {main_, app_, tray_}) {
      EXPECT_NE(SendWithin(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF).value_or(0), 0);
    }
    EXPECT_EQ(ReadFileBytes(KivSettingsFile()), SettingsFileWithCount(18));
    EXPECT_TRUE(kiv_->Running());

    PostMessageW(main_, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    ExpectEndsHavingSaved(18);
  }
}

}  // namespace
}  // namespace kiv::test
