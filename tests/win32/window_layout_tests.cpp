// The settings window's layout at the common scale factors, after a move to a monitor of another
// DPI, and on the older systems' way of finding the DPI: every control inside its frame, none on
// another, no caption cut, the window on the screen. ctest runs this in the default locale and in
// a Japanese one, whose UI font has much taller lines than the face the layout was designed with.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandIds.h"
#include "MainWindow.h"
#include "WineHelpers.h"

namespace kiv::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kLimit = 10s;

// The settings window's control identifiers, as the program has them.
using enum win32::ControlId;

int Scale(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

std::string Describe(const RECT& r) {
  char text[64];
  std::snprintf(text, sizeof(text), "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
  return text;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Coordinates as the window itself has them: without this, Wine would scale the rectangles of a
// window of another DPI for this process.
void BecomePerMonitorAware() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  const auto set = reinterpret_cast<SetContext>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
  if (set == nullptr || !set(reinterpret_cast<HANDLE>(-4))) SetProcessDPIAware();
}

// The font the window is to use at the DPI: the system's menu face at 11 pixels per 96 DPI.
class WindowFont {
 public:
  explicit WindowFont(int dpi) : dc_(CreateCompatibleDC(nullptr)) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    face_ = metrics.lfMenuFont.lfFaceName;
    font_ = CreateFontW(-Scale(11, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, face_.c_str());
    previous_ = SelectObject(dc_, font_);
  }
  ~WindowFont() {
    SelectObject(dc_, previous_);
    DeleteObject(font_);
    DeleteDC(dc_);
  }
  WindowFont(const WindowFont&) = delete;
  WindowFont& operator=(const WindowFont&) = delete;

  SIZE Extent(const std::wstring& text) const {
    SIZE size{};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
  }
  int TextHeight() const { return Extent(L"0").cy; }
  const std::wstring& Face() const { return face_; }

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ previous_;
  std::wstring face_;
};

// The system DPI of the processes started while it lives (Wine reads it once per process).
class ScopedSystemDpi {
 public:
  explicit ScopedSystemDpi(DWORD dpi) {
    DWORD size = sizeof(previous_);
    had_ = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                        &previous_, &size) == ERROR_SUCCESS;
    Write(dpi);
  }
  ~ScopedSystemDpi() {
    if (had_) {
      Write(previous_);
    } else {
      DeleteUserRegistryValue(kDesktopKey, L"LogPixels");
    }
  }
  ScopedSystemDpi(const ScopedSystemDpi&) = delete;
  ScopedSystemDpi& operator=(const ScopedSystemDpi&) = delete;

 private:
  static void Write(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
  }
  DWORD previous_ = 0;
  bool had_ = false;
};

// What the window shows, in its client coordinates.
struct Layout {
  SIZE client{};
  RECT window{};
  std::array<std::pair<int, RECT>, 8> controls{};

  RECT Of(int id) const {
    for (const auto& [controlId, rect] : controls) {
      if (controlId == id) return rect;
    }
    return {};
  }
};

Layout ReadLayout(HWND main) {
  Layout layout;
  RECT client{};
  GetClientRect(main, &client);
  layout.client = {client.right, client.bottom};
  GetWindowRect(main, &layout.window);
  const int ids[] = {kWheelFrame, kPageModeButton, kLineModeButton, kLineCountList,
                     kSpeedFrame, kSpeedList,      kNoActiveFrame,  kNoActiveCheckBox};
  for (std::size_t i = 0; i < layout.controls.size(); ++i) {
    RECT rect{};
    GetWindowRect(GetDlgItem(main, ids[i]), &rect);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rect), 2);
    layout.controls[i] = {ids[i], rect};
  }
  return layout;
}

std::string Describe(const Layout& layout) {
  std::string text = "client " + std::to_string(layout.client.cx) + "x" +
                     std::to_string(layout.client.cy) + ", window " + Describe(layout.window);
  for (const auto& [id, rect] : layout.controls) {
    text += "\n  " + std::to_string(id) + " " + Describe(rect);
  }
  return text;
}

// The layout is sound for the font at the DPI.
void ExpectSound(const Layout& layout, int dpi) {
  SCOPED_TRACE(Describe(layout));
  const WindowFont font(dpi);
  const int textHeight = font.TextHeight();

  // The frames stack from the top, span the width and fill the client area.
  const RECT wheel = layout.Of(kWheelFrame);
  const RECT pointer = layout.Of(kSpeedFrame);
  const RECT noActive = layout.Of(kNoActiveFrame);
  EXPECT_EQ(wheel.top, 0);
  EXPECT_EQ(pointer.top, wheel.bottom);
  EXPECT_EQ(noActive.top, pointer.bottom);
  EXPECT_EQ(noActive.bottom, layout.client.cy);
  for (const RECT& frame : {wheel, pointer, noActive}) {
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.right, layout.client.cx);
  }

  // Each control below its frame's caption and clear of its border lines.
  const auto content = [&](const RECT& frame) {
    return RECT{frame.left + 2, frame.top + textHeight, frame.right - 2, frame.bottom - 2};
  };
  const std::pair<int, RECT> children[] = {{kPageModeButton, wheel},
                                           {kLineModeButton, wheel},
                                           {kLineCountList, wheel},
                                           {kSpeedList, pointer},
                                           {kNoActiveCheckBox, noActive}};
  for (const auto& [id, frame] : children) {
    EXPECT_TRUE(Inside(layout.Of(id), content(frame)))
        << id << " " << Describe(layout.Of(id)) << " not inside " << Describe(content(frame));
  }
  for (std::size_t i = 0; i < std::size(children); ++i) {
    for (std::size_t j = i + 1; j < std::size(children); ++j) {
      EXPECT_FALSE(Overlap(layout.Of(children[i].first), layout.Of(children[j].first)))
          << children[i].first << " overlaps " << children[j].first;
    }
  }
  // A button's text needs a line of the font.
  for (int id : {kPageModeButton, kLineModeButton, kNoActiveCheckBox}) {
    EXPECT_GE(layout.Of(id).bottom - layout.Of(id).top, textHeight) << id;
  }

  // Every caption fits: a frame's after its indent, a button's after its mark.
  const int mark = MulDiv(GetSystemMetrics(SM_CXMENUCHECK), dpi, 96);
  const std::pair<int, const wchar_t*> captions[] = {
      {kWheelFrame, L"[ホイールの１目盛りでスクロールする量]"},
      {kSpeedFrame, L"[ポインターの速度]"},
      {kNoActiveFrame, L"[ホバーしたときに非アクティブウィンドウをスクロールする]"},
      {kPageModeButton, L"１画面ずつスクロールする"},
      {kLineModeButton, L"１度に次の行数スクロールする"},
      {kNoActiveCheckBox, L"有効 (*Windows11/10)"},
  };
  for (const auto& [id, caption] : captions) {
    const bool frame = id >= kWheelFrame;
    const int needed = font.Extent(caption).cx + (frame ? Scale(8, dpi) : mark + Scale(4, dpi));
    EXPECT_LE(needed, layout.Of(id).right - layout.Of(id).left) << id << " cuts its caption";
  }

  // The whole window on the screen.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromRect(&layout.window, MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_TRUE(Inside(layout.window, monitor.rcMonitor)) << Describe(monitor.rcMonitor);
}

class WindowLayoutTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { BecomePerMonitorAware(); }

  void SetUp() override {
    savedLines_ = StoredWheelScrollLines();
    StageWheelScrollLines(L"5");
  }

  void TearDown() override {
    process_.reset();
    if (savedLines_) StageWheelScrollLines(*savedLines_);
    RemovePath(AppDataFolder() + L"\\Brackenhall");
  }

  // Starts the program (kiv.exe /w, or the probe that runs it as an older system would) and
  // returns its settings window once it shows.
  HWND Start(const std::wstring& program, const std::wstring& arguments) {
    process_ = std::make_unique<ChildProcess>(program, arguments);
    if (!process_->Started()) return nullptr;
    const HWND main =
        WaitForTopLevelWindow(process_->Id(), win32::MainWindow::kWindowClass, kLimit);
    if (main == nullptr ||
        !PumpMessagesUntil(kLimit, [main] { return IsWindowVisible(main) != 0; }) ||
        !SendWithin(main, WM_NULL).has_value()) {
      return nullptr;
    }
    return main;
  }

  void Close(HWND main) {
    SendWithin(main, WM_CLOSE);
    EXPECT_EQ(process_->WaitForExit(kLimit), 0u);
  }

  static std::wstring Probe() { return TestBinFolder() + L"\\older_windows_probe.exe"; }

  std::optional<std::wstring> savedLines_;
  std::unique_ptr<ChildProcess> process_;
};

TEST_F(WindowLayoutTest, AtEachScaleFactorEveryControlFitsItsFrame) {
  for (const int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(dpi);
    const ScopedSystemDpi systemDpi(static_cast<DWORD>(dpi));
    const HWND main = Start(KivExe(), L"/w");
    ASSERT_NE(main, nullptr);
    const Layout layout = ReadLayout(main);
    std::printf("[ layout   ] %d DPI, face \"%s\": client %ldx%ld\n", dpi,
                WideToUtf8(WindowFont(dpi).Face()).c_str(), layout.client.cx, layout.client.cy);
    ExpectSound(layout, dpi);

    // The design's face (text 13 pixels high) gives the design's height. The design's width
    // too, unless the longest frame caption needs more: with Japanese glyphs from a linked
    // font it does.
    const WindowFont font(dpi);
    if (dpi == 96 && font.TextHeight() == 13) {
      EXPECT_EQ(layout.client.cy, 171);
      const int caption =
          font.Extent(L"[ホバーしたときに非アクティブウィンドウをスクロールする]").cx + 16;
      EXPECT_EQ(layout.client.cx, std::max(304, caption));
    } else {
      EXPECT_GE(layout.client.cx, Scale(304, dpi));
      EXPECT_GE(layout.client.cy, Scale(45, dpi) + Scale(47, dpi) + Scale(79, dpi));
    }
    Close(main);
  }
}

TEST_F(WindowLayoutTest, AMoveToAMonitorOfAnotherDpiLaysTheWindowOutForIt) {
  // What the window looks like when it starts at each DPI.
  std::vector<std::pair<int, SIZE>> started;
  for (const int dpi : {96, 144}) {
    const ScopedSystemDpi systemDpi(static_cast<DWORD>(dpi));
    const HWND main = Start(Probe(), L"window latest");
    ASSERT_NE(main, nullptr);
    started.emplace_back(dpi, ReadLayout(main).client);
    Close(main);
  }

  const ScopedSystemDpi systemDpi(96);
  const HWND main = Start(Probe(), L"window latest");
  ASSERT_NE(main, nullptr);
  const HWND probe = WaitForTopLevelWindow(process_->Id(), L"KIVOlderWindowsProbe", kLimit);
  ASSERT_NE(probe, nullptr);
  for (const auto& [dpi, client] : {started[1], started[0]}) {
    SCOPED_TRACE(dpi);
    ASSERT_TRUE(SendWithin(probe, WM_APP, static_cast<WPARAM>(dpi)).has_value());
    const Layout layout = ReadLayout(main);
    ExpectSound(layout, dpi);
    EXPECT_EQ(layout.client.cx, client.cx);
    EXPECT_EQ(layout.client.cy, client.cy);
  }
  Close(main);
}

TEST_F(WindowLayoutTest, OnOlderSystemsTheWindowIsLaidOutAtTheSystemDpi) {
  const int dpi = 144;
  const ScopedSystemDpi systemDpi(static_cast<DWORD>(dpi));
  const HWND reference = Start(KivExe(), L"/w");
  ASSERT_NE(reference, nullptr);
  const SIZE expected = ReadLayout(reference).client;
  Close(reference);

  // Windows Vista to 8 know only the system DPI; 8.1 tells the monitor's through shcore.
  for (const wchar_t* level : {L"vista", L"8.1"}) {
    SCOPED_TRACE(WideToUtf8(level));
    const HWND main = Start(Probe(), std::wstring(L"window ") + level);
    ASSERT_NE(main, nullptr);
    const Layout layout = ReadLayout(main);
    ExpectSound(layout, dpi);
    EXPECT_EQ(layout.client.cx, expected.cx);
    EXPECT_EQ(layout.client.cy, expected.cy);
    Close(main);
  }
}

// The libraries the program loads itself: the common controls in version 6 through the manifest,
// others from the system folder; never a look-alike from the program's folder or the current
// one. (Under Wine a look-alike may still be loaded, by Wine's own shell32 for its imports: on
// Windows those come from the system's known DLLs.)
TEST_F(WindowLayoutTest, LibrariesAreLoadedFromTheSystemAndNeverFromTheProgramFolder) {
  const std::wstring folder = TestBinFolder() + L"\\planted";
  RemovePath(folder);
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring probe = folder + L"\\older_windows_probe.exe";
  ASSERT_TRUE(CopyFileW(Probe().c_str(), probe.c_str(), FALSE));
  for (const wchar_t* name : {L"comctl32.dll", L"shcore.dll"}) {
    ASSERT_TRUE(CopyFileW((TestBinFolder() + L"\\planted.dll").c_str(),
                          (folder + L"\\" + name).c_str(), FALSE));
  }
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(folder.c_str());

  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  CharLowerW(windows);
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  CharLowerW(system);
  const std::wstring out = folder + L"\\path.txt";
  // With the system folder search, and on a system without it (Vista and 7 before KB2533623).
  for (const wchar_t* level : {L"latest", L"vista"}) {
    for (const wchar_t* library : {L"comctl32", L"shcore"}) {
      SCOPED_TRACE(WideToUtf8(std::wstring(library) + L" " + level));
      DeleteFileW(out.c_str());
      ChildProcess run(probe, std::wstring(library) + L" " + level + L" " + out);
      ASSERT_TRUE(run.Started());
      EXPECT_EQ(run.WaitForExit(kLimit), 0u);
      const std::optional<std::string> bytes = ReadFileBytes(out);
      ASSERT_TRUE(bytes.has_value());
      std::wstring path(reinterpret_cast<const wchar_t*>(bytes->data()),
                        bytes->size() / sizeof(wchar_t));
      CharLowerW(path.data());
      if (std::wstring(library) == L"comctl32") {
        // The side-by-side store's version 6 assembly.
        EXPECT_EQ(path.rfind(std::wstring(windows) + L"\\winsxs\\", 0), 0u) << WideToUtf8(path);
        EXPECT_NE(path.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."),
                  std::wstring::npos)
            << WideToUtf8(path);
      } else {
        EXPECT_EQ(path, std::wstring(system) + L"\\shcore.dll");
      }
    }
  }
  SetCurrentDirectoryW(previous);
  RemovePath(folder);
}

}  // namespace
}  // namespace kiv::test
