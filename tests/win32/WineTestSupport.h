#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace kiv::test {

// Paths handed in by ctest.
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
  void Clear() { counts_.clear(); }
  HWND Handle() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  std::map<UINT, int> counts_;
};

// Dispatches this thread's messages for the given time, or until done() returns true.
bool PumpMessagesUntil(std::chrono::milliseconds limit, const std::function<bool()>& done = {});

// A process started from the tests; killed on destruction if still running.
class ChildProcess {
 public:
  ChildProcess(const std::wstring& program, const std::wstring& arguments, int showCommand = -1);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return info_.hProcess != nullptr; }
  // Exit code, or nothing when the process is still running after the wait (messages of this
  // thread are dispatched meanwhile, so that broadcasts reach the test's windows).
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit);
  bool Running() const;
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  void Kill();

 private:
  PROCESS_INFORMATION info_{};
};

// HKCU registry values as strings (REG_SZ).
std::optional<std::wstring> ReadUserRegistryString(const std::wstring& key, const std::wstring& name);
void WriteUserRegistryString(const std::wstring& key, const std::wstring& name,
                             const std::wstring& value);
void DeleteUserRegistryValue(const std::wstring& key, const std::wstring& name);

// The wheel-scroll setting as stored in the profile, which is what a fresh process reads.
inline const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
std::optional<std::wstring> StoredWheelScrollLines();
// Stages a value for the next process that starts; "-1" for page mode.
void StageWheelScrollLines(const std::wstring& value);

// The roaming application-data folder of the prefix.
std::wstring AppDataFolder();
std::wstring KivSettingsFolder();  // ...\Brackenhall\KIV (no trailing backslash)
bool DirectoryExists(const std::wstring& path);
bool FileExists(const std::wstring& path);
std::optional<std::string> ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Removes a file or an empty-or-not folder tree; missing is fine.
void RemovePath(const std::wstring& path);

}  // namespace kiv::test
