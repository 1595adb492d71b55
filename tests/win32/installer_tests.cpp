// The per-user installer as a user meets it: a silent install, the files, shortcuts, logon entry
// and registration it leaves, the installed program at work, the shortcuts while the tray icon
// runs, an install over a running KIV, and the silent uninstall that takes everything away but
// the user's settings file.
#include <windows.h>

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <set>
#include <vector>

#include "CommandIds.h"
#include "MainWindow.h"
#include "TrayIcon.h"
#include "WineHelpers.h"

namespace kiv::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KIV";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr auto kInstallLimit = 60s;
// Page mode as KIV stores it: the wheel's lines per notch, WHEEL_PAGESCROLL.
constexpr wchar_t kPageModeStored[] = L"4294967295";
const wchar_t* const kInstalledFiles[] = {L"kiv.exe", L"README.txt", L"LICENSE.txt",
                                          L"THIRD-PARTY-NOTICES.txt", L"uninstall.exe"};

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
  return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

std::wstring KnownFolder(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE);
  return buffer;
}

std::wstring InstallFolder() { return KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\KIV"; }
// The names of the files in a folder, for a failure's message.
std::wstring FilesIn(const std::wstring& folder) {
  std::wstring names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names += found.cFileName;
    names += L' ';
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

std::wstring InstalledKiv() { return InstallFolder() + L"\\kiv.exe"; }
std::wstring StartMenuFolder() { return KnownFolder(CSIDL_PROGRAMS) + L"\\KIV"; }

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

bool UserKeyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

std::optional<DWORD> ReadUserRegistryDword(const std::wstring& key, const std::wstring& name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

// A shortcut as the shell reads it back.
struct Shortcut {
  std::wstring name;
  std::wstring target;
  std::wstring arguments;
  int showCommand = SW_SHOWNORMAL;
};

std::vector<Shortcut> ShortcutsIn(const std::wstring& folder) {
  std::vector<Shortcut> shortcuts;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((folder + L"\\*.lnk").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return shortcuts;
  do {
    Shortcut shortcut{found.cFileName, {}, {}};
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
      IPersistFile* file = nullptr;
      if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load((folder + L"\\" + found.cFileName).c_str(), STGM_READ))) {
          wchar_t text[MAX_PATH * 2] = {};
          if (SUCCEEDED(link->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH))) {
            shortcut.target = text;
          }
          text[0] = L'\0';
          if (SUCCEEDED(link->GetArguments(text, MAX_PATH * 2))) shortcut.arguments = text;
          int showCommand = SW_SHOWNORMAL;
          if (SUCCEEDED(link->GetShowCmd(&showCommand))) shortcut.showCommand = showCommand;
        }
        file->Release();
      }
      link->Release();
    }
    shortcuts.push_back(shortcut);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return shortcuts;
}

// The classes of the visible top-level windows of a process.
std::vector<std::wstring> VisibleWindowClasses(DWORD processId) {
  std::vector<std::wstring> classes;
  for (HWND window : TopLevelWindows(processId, L"")) {
    if (IsWindowVisible(window)) classes.push_back(WindowClassName(window));
  }
  return classes;
}

std::string Joined(const std::vector<std::wstring>& texts) {
  std::string joined;
  for (const std::wstring& text : texts) joined += WideToUtf8(text) + " ";
  return joined;
}

class InstallerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  static void TearDownTestSuite() { CoUninitialize(); }

  void SetUp() override {
    ASSERT_FALSE(Environment(L"KIV_SETUP").empty()) << "KIV_SETUP names no installer";
    savedLines_ = StoredWheelScrollLines();
    RemoveEverything();
  }

  void TearDown() override {
    if (savedLines_) StageWheelScrollLines(*savedLines_);
    RemoveEverything();
  }

  // What an installation or a test leaves, removed by hand.
  static void RemoveEverything() {
    RemovePath(InstallFolder());
    RemovePath(StartMenuFolder());
    RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
    DeleteUserRegistryValue(kRunKey, L"KIV");
    RemovePath(AppDataFolder() + L"\\Brackenhall");
  }

  static void InstallSilently() {
    ChildProcess setup(Environment(L"KIV_SETUP"), L"/S");
    ASSERT_TRUE(setup.Started());
    EXPECT_EQ(setup.WaitForExit(kInstallLimit), std::optional<DWORD>(0)) << "silent install";
  }

  // The uninstaller copies itself away and returns at once; run from a copy with _?= it works in
  // place, so that the test can wait for its end.
  static void UninstallSilently(const std::wstring& options = L"") {
    const std::wstring copy = KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\kiv-uninstall-copy.exe";
    ASSERT_TRUE(CopyFileW((InstallFolder() + L"\\uninstall.exe").c_str(), copy.c_str(), FALSE));
    {
      ChildProcess uninstall(copy, L"/S " + options + L" _?=" + InstallFolder());
      ASSERT_TRUE(uninstall.Started());
      EXPECT_EQ(uninstall.WaitForExit(kInstallLimit), std::optional<DWORD>(0))
          << "silent uninstall";
    }
    DeleteFileW(copy.c_str());
  }

  static void ExpectInstalled() {
    for (const wchar_t* name : kInstalledFiles) {
      EXPECT_TRUE(FileExists(InstallFolder() + L"\\" + name)) << WideToUtf8(name);
    }
    // The program installed is the one built, byte for byte, as in the zip.
    const std::optional<std::string> built = ReadFileBytes(KivExe());
    ASSERT_TRUE(built.has_value());
    EXPECT_TRUE(ReadFileBytes(InstalledKiv()) == built) << "installed kiv.exe differs";

    // One shortcut for each use, each starting the installed program.
    const std::vector<Shortcut> shortcuts = ShortcutsIn(StartMenuFolder());
    std::multiset<std::wstring> arguments;
    for (const Shortcut& shortcut : shortcuts) {
      SCOPED_TRACE(WideToUtf8(shortcut.name));
      EXPECT_EQ(Lower(shortcut.target), Lower(InstalledKiv()));
      arguments.insert(shortcut.arguments);
    }
    EXPECT_EQ(arguments, (std::multiset<std::wstring>{L"", L"/t", L"/w"}));

    EXPECT_EQ(ReadUserRegistryString(kRunKey, L"KIV"), L"\"" + InstalledKiv() + L"\" /t");

    const std::wstring uninstaller = L"\"" + InstallFolder() + L"\\uninstall.exe\"";
    EXPECT_EQ(ReadUserRegistryString(kUninstallKey, L"DisplayName"), L"KIV");
    EXPECT_EQ(ReadUserRegistryString(kUninstallKey, L"DisplayVersion"),
              Environment(L"KIV_VERSION"));
    EXPECT_EQ(ReadUserRegistryString(kUninstallKey, L"Publisher"), L"Brackenhall");
    EXPECT_EQ(ReadUserRegistryString(kUninstallKey, L"DisplayIcon"),
              L"\"" + InstalledKiv() + L"\",0");
    EXPECT_EQ(ReadUserRegistryString(kUninstallKey, L"InstallLocation"), InstallFolder());
    EXPECT_EQ(ReadUserRegistryString(kUninstallKey, L"UninstallString"), uninstaller);
    EXPECT_EQ(ReadUserRegistryString(kUninstallKey, L"QuietUninstallString"), uninstaller + L" /S");
    EXPECT_EQ(ReadUserRegistryDword(kUninstallKey, L"NoModify"), std::optional<DWORD>(1));
    // In KiB, at least what kiv.exe and the uninstaller take.
    const std::optional<DWORD> size = ReadUserRegistryDword(kUninstallKey, L"EstimatedSize");
    ASSERT_TRUE(size.has_value());
    EXPECT_GE(*size,
              (built->size() + ReadFileBytes(InstallFolder() + L"\\uninstall.exe")->size()) / 1024);
    EXPECT_LT(*size, 2048u);
  }

  static void ExpectUninstalledButForTheSettings(const std::string& settings) {
    EXPECT_FALSE(DirectoryExists(InstallFolder()));
    EXPECT_FALSE(DirectoryExists(StartMenuFolder()));
    EXPECT_FALSE(ReadUserRegistryString(kRunKey, L"KIV").has_value());
    EXPECT_FALSE(UserKeyExists(kUninstallKey));
    EXPECT_EQ(ReadFileBytes(KivSettingsFile()), settings) << "the settings file is the user's";
  }

  // Line mode with 12 lines, and a settings file that remembers another position (6): a close of
  // the running program writes the position of its 12 lines.
  static void StageLineModeAndAnotherSavedPosition() {
    StageWheelScrollLines(L"12");
    CreateDirectoryW((AppDataFolder() + L"\\Brackenhall").c_str(), nullptr);
    CreateDirectoryW(KivSettingsFolder().c_str(), nullptr);
    WriteFileBytes(KivSettingsFile(), SettingsFileWithCount(6));
  }

  static std::unique_ptr<ChildProcess> StartInstalledTrayIconInLineMode() {
    StageLineModeAndAnotherSavedPosition();
    return StartInstalledTrayIcon();
  }

  static std::unique_ptr<ChildProcess> StartInstalledTrayIcon() {
    auto tray = std::make_unique<ChildProcess>(InstalledKiv(), L"/t");
    EXPECT_TRUE(tray->Started());
    EXPECT_NE(WaitForTopLevelWindow(tray->Id(), win32::TrayIcon::kWindowClass, 10s), nullptr);
    return tray;
  }

  // What a logon starts: the command line of the logon entry, a quoted program and its
  // arguments.
  static std::unique_ptr<ChildProcess> StartTheLogonEntry() {
    const std::wstring command = ReadUserRegistryString(kRunKey, L"KIV").value_or(L"");
    const std::size_t end = command.find(L'"', 1);
    if (command.empty() || command[0] != L'"' || end == std::wstring::npos ||
        command.compare(end, 2, L"\" ") != 0) {
      ADD_FAILURE() << "logon entry: " << WideToUtf8(command);
      return nullptr;
    }
    auto started =
        std::make_unique<ChildProcess>(command.substr(1, end - 1), command.substr(end + 2));
    EXPECT_TRUE(started->Started());
    EXPECT_NE(WaitForTopLevelWindow(started->Id(), win32::TrayIcon::kWindowClass, 10s), nullptr);
    return started;
  }

  std::optional<std::wstring> savedLines_;
};

TEST_F(InstallerTest, ASilentInstallPutsEverythingInPlaceAndTheUninstallKeepsOnlyTheSettings) {
  InstallSilently();
  ExpectInstalled();

  // The installed program works: from page mode, the toggle gives the default three lines, and
  // its end writes the settings file.
  StageWheelScrollLines(L"-1");
  {
    ChildProcess toggle(InstalledKiv(), L"");
    ASSERT_TRUE(toggle.Started());
    EXPECT_EQ(toggle.WaitForExit(10s), std::optional<DWORD>(0));
  }
  EXPECT_EQ(StoredWheelScrollLines(), L"3");
  ASSERT_EQ(ReadFileBytes(KivSettingsFile()), SettingsFileWithCount(2));

  UninstallSilently();
  ExpectUninstalledButForTheSettings(SettingsFileWithCount(2));
}

// The default install starts the tray icon at every logon. While it runs, a second KIV ends at
// once, so the shortcuts, and a shortcut key on one, do nothing; the icon does their work: its
// double-click switches the wheel, its menu's "ウィンドウを表示" shows the settings window. The
// guide and the shortcuts' descriptions say so.
TEST_F(InstallerTest, WhileTheTrayIconOfTheDefaultInstallRunsTheShortcutsDoNothingButTheIconDoes) {
  InstallSilently();
  StageLineModeAndAnotherSavedPosition();
  const std::unique_ptr<ChildProcess> tray = StartTheLogonEntry();
  ASSERT_TRUE(tray != nullptr && tray->Running());
  ASSERT_TRUE(PumpMessagesUntil(10s, [] { return VisibleTrayIcons().size() == 1; }));

  // Each shortcut by its name in either language of the installer, started as the shell starts
  // it. Started alone, the toggle would write page mode and end a second later, and the other two
  // would stay with the window or the icon.
  struct Row {
    const wchar_t* name;
    const wchar_t* japaneseName;
  };
  const Row rows[] = {
      {L"KIV Scroll Toggle", L"KIV スクロール切り替え"},
      {L"KIV Settings", L"KIV 設定"},
      {L"KIV Tray Icon", L"KIV 通知領域アイコン"},
  };
  const std::vector<Shortcut> shortcuts = ShortcutsIn(StartMenuFolder());
  for (const Row& row : rows) {
    SCOPED_TRACE(WideToUtf8(row.name));
    const auto shortcut = std::find_if(shortcuts.begin(), shortcuts.end(), [&](const Shortcut& s) {
      return s.name == std::wstring(row.name) + L".lnk" ||
             s.name == std::wstring(row.japaneseName) + L".lnk";
    });
    ASSERT_NE(shortcut, shortcuts.end());

    ChildProcess start(shortcut->target, shortcut->arguments, shortcut->showCommand);
    ASSERT_TRUE(start.Started());
    const RunOutcome outcome = WaitForExitDismissingBoxes(start, 10s);
    const auto lasted = Clock::now() - start.StartedAt();

    EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(0));
    EXPECT_LT(lasted, 900ms) << "it went on with its own work";
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_TRUE(outcome.windowsShown.empty()) << Joined(outcome.windowsShown);
    EXPECT_TRUE(tray->Running()) << "the tray icon ended";
    EXPECT_TRUE(VisibleWindowClasses(tray->Id()).empty())
        << "the tray icon's run shows " << Joined(VisibleWindowClasses(tray->Id()));
    EXPECT_EQ(VisibleTrayIcons().size(), 1u);
    EXPECT_EQ(StoredWheelScrollLines(), L"12");
    EXPECT_EQ(ReadFileBytes(KivSettingsFile()), SettingsFileWithCount(6));
  }

  // The icon's double-click switches the wheel to page mode.
  const std::vector<HWND> icons = VisibleTrayIcons();
  ASSERT_EQ(icons.size(), 1u);
  PostMessageW(icons.front(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(8, 8));
  EXPECT_TRUE(PumpMessagesUntil(10s, [] { return StoredWheelScrollLines() == kPageModeStored; }))
      << "the double-click wrote nothing";
  // Its menu's "ウィンドウを表示" shows the settings window.
  const HWND trayWindow = WaitForTopLevelWindow(tray->Id(), win32::TrayIcon::kWindowClass, 10s);
  const HWND window = WaitForTopLevelWindow(tray->Id(), win32::MainWindow::kWindowClass, 10s);
  ASSERT_NE(trayWindow, nullptr);
  ASSERT_NE(window, nullptr);
  PostMessageW(trayWindow, WM_COMMAND, win32::kMenuShowWindow, 0);
  EXPECT_TRUE(PumpMessagesUntil(10s, [&] { return IsWindowVisible(window) != 0; }));

  // Closed as the installer closes it: its window's close saves the line position of 12 lines.
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(tray->WaitForExit(10s), std::optional<DWORD>(0));
  EXPECT_EQ(ReadFileBytes(KivSettingsFile()), SettingsFileWithCount(11));
}

TEST_F(InstallerTest, AnInstallOverARunningKivClosesItSoThatItSavesAndKeepsTheSettings) {
  InstallSilently();
  auto tray = StartInstalledTrayIconInLineMode();

  InstallSilently();
  // Closed by its window's close (a kill would end it with another code), after its save.
  EXPECT_EQ(tray->WaitForExit(1s), std::optional<DWORD>(0)) << "the running KIV was not closed";
  EXPECT_EQ(ReadFileBytes(KivSettingsFile()), SettingsFileWithCount(11));
  ExpectInstalled();

  // The uninstall closes a running KIV the same way.
  WriteFileBytes(KivSettingsFile(), SettingsFileWithCount(6));
  auto trayAgain = StartInstalledTrayIcon();
  UninstallSilently();
  EXPECT_EQ(trayAgain->WaitForExit(1s), std::optional<DWORD>(0));
  ExpectUninstalledButForTheSettings(SettingsFileWithCount(11));
}

// The close comes while the tray icon's menu is open: the menu ends, then KIV, and a new start
// has its icon again.
TEST_F(InstallerTest, AnInstallOverAKivWhoseTrayMenuIsOpenClosesItAsWell) {
  InstallSilently();
  auto tray = StartInstalledTrayIconInLineMode();
  const HWND trayWindow = WaitForTopLevelWindow(*tray, win32::TrayIcon::kWindowClass, 10s);
  ASSERT_NE(trayWindow, nullptr);
  PostMessageW(trayWindow, win32::TrayIcon::kCallbackMessage, MAKEWPARAM(40, 60),
               MAKELPARAM(WM_CONTEXTMENU, win32::TrayIcon::kIconId));
  ASSERT_TRUE(PumpMessagesUntil(10s, [&] {
    const std::vector<HWND> menus = TopLevelWindows(tray->Id(), L"#32768");
    return std::any_of(menus.begin(), menus.end(), [](HWND menu) { return IsWindowVisible(menu); });
  })) << "no menu";

  InstallSilently();
  EXPECT_EQ(tray->WaitForExit(1s), std::optional<DWORD>(0)) << "the running KIV was not closed";
  EXPECT_EQ(ReadFileBytes(KivSettingsFile()), SettingsFileWithCount(11));
  ExpectInstalled();

  auto again = StartInstalledTrayIcon();
  EXPECT_TRUE(PumpMessagesUntil(10s, [] { return VisibleTrayIcons().size() == 1; }))
      << "the new start has no icon";
  UninstallSilently();
  EXPECT_EQ(again->WaitForExit(1s), std::optional<DWORD>(0));
}

TEST_F(InstallerTest, AKivThatDoesNotCloseMakesTheSilentInstallFailAndIsLeftRunning) {
  InstallSilently();
  auto tray = StartInstalledTrayIconInLineMode();
  // Its save fails while the file is held: the close shows the error and waits for the user.
  OpenFile held(KivSettingsFile(), GENERIC_READ, 0);
  ASSERT_TRUE(held.Valid());

  {
    ChildProcess setup(Environment(L"KIV_SETUP"), L"/S");
    ASSERT_TRUE(setup.Started());
    const std::optional<DWORD> code = setup.WaitForExit(kInstallLimit);
    ASSERT_TRUE(code.has_value());
    EXPECT_NE(*code, 0u) << "the install went on over a running KIV";
  }
  EXPECT_TRUE(tray->Running()) << "the installer ended KIV instead of asking it to close";
  const std::optional<MessageBoxContent> box = WaitForMessageBox(tray->Id(), 5s);
  ASSERT_TRUE(box.has_value());
  held.Close();
  EXPECT_TRUE(DismissMessageBox(box->handle));
  tray->WaitForExit(10s);
  UninstallSilently();
}

// The box on the uninstaller's components page is off by default; /REMOVESETTINGS ticks it for
// a silent uninstall, and then the settings file and its folders go as well.
TEST_F(InstallerTest, TheSettingsFileGoesOnlyWhenItsRemovalIsChosen) {
  InstallSilently();
  CreateDirectoryW((AppDataFolder() + L"\\Brackenhall").c_str(), nullptr);
  CreateDirectoryW(KivSettingsFolder().c_str(), nullptr);
  WriteFileBytes(KivSettingsFile(), SettingsFileWithCount(6));
  UninstallSilently(L"/REMOVESETTINGS");
  EXPECT_FALSE(DirectoryExists(InstallFolder()))
      << "left: " << WideToUtf8(FilesIn(InstallFolder()));
  EXPECT_FALSE(UserKeyExists(kUninstallKey));
  EXPECT_FALSE(FileExists(KivSettingsFile()));
  EXPECT_FALSE(DirectoryExists(AppDataFolder() + L"\\Brackenhall"));
}

TEST_F(InstallerTest, AnUpgradeKeepsTheChoiceNotToStartAtLogon) {
  InstallSilently();
  DeleteUserRegistryValue(kRunKey, L"KIV");
  InstallSilently();
  EXPECT_FALSE(ReadUserRegistryString(kRunKey, L"KIV").has_value());
  EXPECT_TRUE(FileExists(InstalledKiv()));
  UninstallSilently();
  EXPECT_FALSE(UserKeyExists(kUninstallKey));
}

}  // namespace
}  // namespace kiv::test
