// Helpers for programs that drive kiv.exe from outside under Wine: the Wine tests and the
// benchmark's driver. Plain Windows calls only; the tests bring their test framework themselves.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kiv::test {

// Paths handed in by ctest to the tests (the benchmark's driver has its own options instead).
std::wstring KivExe();
std::wstring TestBinFolder();

// A hidden top-level window that counts WM_SETTINGCHANGE broadcasts by their wParam (the action).
class SettingChangeListener {
 public:
  SettingChangeListener();
  ~SettingChangeListener();
  SettingChangeListener(const SettingChangeListener&) = delete;
  SettingChangeListener& operator=(const SettingChangeListener&) = delete;

  int Count(UINT action) const;
  // Of every action.
  int Total() const;
  // When the first broadcast of the action since the last Clear() arrived.
  std::optional<std::chrono::steady_clock::time_point> FirstArrival(UINT action) const;
  void Clear() {
    counts_.clear();
    firstArrivals_.clear();
  }
  HWND Handle() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  std::map<UINT, int> counts_;
  std::map<UINT, std::chrono::steady_clock::time_point> firstArrivals_;
};

// A hidden top-level window on a thread of its own that holds up the first WM_SETTINGCHANGE it
// gets until Release(), as a program that is slow to answer does: the writer waits meanwhile.
class HeldSettingListener {
 public:
  HeldSettingListener();
  ~HeldSettingListener();
  HeldSettingListener(const HeldSettingListener&) = delete;
  HeldSettingListener& operator=(const HeldSettingListener&) = delete;

  bool Ready() const { return hwnd_ != nullptr; }
  // True once a broadcast is being held.
  bool WaitUntilHolding(std::chrono::milliseconds limit);
  void Release();

 private:
  static DWORD WINAPI Run(void* self);
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HANDLE thread_ = nullptr;
  HANDLE ready_ = nullptr;
  HANDLE holding_ = nullptr;
  HANDLE release_ = nullptr;
  HWND hwnd_ = nullptr;
};

// How PumpMessagesUntil waits between two looks at done(): until a message comes, the handle
// (when given) is signalled, or the poll interval has passed.
struct PumpWait {
  HANDLE wake = nullptr;
  std::chrono::milliseconds poll{20};
};

// Dispatches this thread's messages for the given time, or until done() returns true.
bool PumpMessagesUntil(std::chrono::milliseconds limit, const std::function<bool()>& done = {},
                       PumpWait wait = {});

// A process started from the tests; killed on destruction if still running.
class ChildProcess {
 public:
  // A suspended process runs once Resume() is called.
  enum class Start { kRunning, kSuspended };
  ChildProcess(const std::wstring& program, const std::wstring& arguments, int showCommand = -1,
               Start start = Start::kRunning);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return info_.hProcess != nullptr; }
  // Why the start failed (GetLastError of CreateProcess); 0 when it did not.
  DWORD StartError() const { return startError_; }
  // When the CreateProcess call began.
  std::chrono::steady_clock::time_point StartedAt() const { return startedAt_; }
  // Exit code, or nothing when the process is still running after the wait (messages of this
  // thread are dispatched meanwhile, so that broadcasts reach the test's windows).
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit);
  bool Running() const;
  void Resume() { ResumeThread(info_.hThread); }
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  void Kill();

 private:
  PROCESS_INFORMATION info_{};
  DWORD startError_ = 0;
  std::chrono::steady_clock::time_point startedAt_;
};

// For failure messages.
std::string WideToUtf8(const std::wstring& text);

// Windows of other processes.
std::wstring WindowClassName(HWND hwnd);
std::wstring WindowText(HWND hwnd);
// The top-level windows of a process with the given class (any class when empty), visible or
// not, in z-order.
std::vector<HWND> TopLevelWindows(DWORD processId, const std::wstring& windowClass);
// The first such window, waiting for it (this thread's messages are dispatched meanwhile).
HWND WaitForTopLevelWindow(DWORD processId, const std::wstring& windowClass,
                           std::chrono::milliseconds limit);
// The same for a process started here, giving up as soon as it has ended.
HWND WaitForTopLevelWindow(const ChildProcess& process, const std::wstring& windowClass,
                           std::chrono::milliseconds limit);
// SendMessageTimeout: a program that hangs fails the test instead of holding it up.
std::optional<LRESULT> SendWithin(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                                  std::chrono::milliseconds limit = std::chrono::seconds(10));
// Dispatches what has reached this thread's queue; after a SendWithin to another program this
// takes in every broadcast that program made while it handled the message.
void DispatchPendingMessages();

// A message box (#32770) of another process: its caption and the text of its statics.
struct MessageBoxContent {
  HWND handle = nullptr;
  std::wstring caption;
  std::wstring text;
};
std::optional<MessageBoxContent> FindMessageBox(DWORD processId);
std::optional<MessageBoxContent> WaitForMessageBox(DWORD processId,
                                                   std::chrono::milliseconds limit);
// Presses OK and waits until the box has gone; false if it stays.
bool DismissMessageBox(HWND box);

// Waits for the process to end, dismissing every message box it shows meanwhile; returns the
// boxes in the order they came, the exit code if it ended in time, and what else it showed while
// it was watched.
struct RunOutcome {
  std::optional<DWORD> exitCode;
  std::vector<MessageBoxContent> boxes;
  std::vector<std::wstring> windowsShown;  // classes of visible top-level windows, boxes aside
  std::size_t mostTrayIcons = 0;
};
RunOutcome WaitForExitDismissingBoxes(ChildProcess& process, std::chrono::milliseconds limit);

// The icons that the stand-alone system tray of Wine's explorer shows: one child window each.
std::vector<HWND> VisibleTrayIcons();

// What the screen shows of a window, pixel by pixel.
std::vector<std::uint32_t> ScreenPixels(HWND hwnd);

// The tooltip text of such an icon, read from the tooltip control of the tray's process.
std::optional<std::wstring> TrayIconTooltip(HWND icon);

// The system's text for an error code, as FormatMessageW gives it.
std::wstring SystemErrorMessage(DWORD code);

// HKCU registry values as strings (REG_SZ).
std::optional<std::wstring> ReadUserRegistryString(const std::wstring& key,
                                                   const std::wstring& name);
void WriteUserRegistryString(const std::wstring& key, const std::wstring& name,
                             const std::wstring& value);
void DeleteUserRegistryValue(const std::wstring& key, const std::wstring& name);
// Writes the value for the lifetime of the object and puts the previous state back afterwards.
class ScopedUserRegistryString {
 public:
  ScopedUserRegistryString(std::wstring key, std::wstring name, const std::wstring& value);
  ~ScopedUserRegistryString();
  ScopedUserRegistryString(const ScopedUserRegistryString&) = delete;
  ScopedUserRegistryString& operator=(const ScopedUserRegistryString&) = delete;

 private:
  std::wstring key_, name_;
  std::optional<std::wstring> previous_;
};

// The wheel-scroll setting as stored in the profile, which is what a fresh process reads.
inline const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
std::optional<std::wstring> StoredWheelScrollLines();
// Stages a value for the next process that starts; "-1" for page mode.
void StageWheelScrollLines(const std::wstring& value);

// The roaming application-data folder of the prefix.
std::wstring AppDataFolder();
std::wstring KivSettingsFolder();  // ...\Brackenhall\KIV (no trailing backslash)
std::wstring KivSettingsFile();    // ...\Brackenhall\KIV\KIV.ini
bool DirectoryExists(const std::wstring& path);
bool FileExists(const std::wstring& path);
std::optional<std::string> ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Removes a file or an empty-or-not folder tree; missing is fine.
void RemovePath(const std::wstring& path);
// The settings file as KIV writes it when it holds nothing else: section Line, key Count.
std::string SettingsFileWithCount(int count);

// A file handle of the test's own, e.g. to keep another program from opening the file.
class OpenFile {
 public:
  OpenFile(const std::wstring& path, DWORD access, DWORD share);
  ~OpenFile();
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Close();

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace kiv::test
