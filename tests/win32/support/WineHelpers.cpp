#include "WineHelpers.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace kiv::test {

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[1024];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
  if (length == 0 || length >= 1024) throw std::runtime_error("test environment variable missing");
  return std::wstring(buffer, length);
}

}  // namespace

std::wstring KivExe() { return Environment(L"KIV_EXE"); }
std::wstring TestBinFolder() { return Environment(L"KIV_TEST_BIN"); }

SettingChangeListener::SettingChangeListener() {
  static const wchar_t kClass[] = L"KivTestSettingChangeListener";
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
  hwnd_ = CreateWindowExW(0, kClass, L"listener", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                          wc.hInstance, this);
}

SettingChangeListener::~SettingChangeListener() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

int SettingChangeListener::Count(UINT action) const {
  const auto found = counts_.find(action);
  return found == counts_.end() ? 0 : found->second;
}

int SettingChangeListener::Total() const {
  int total = 0;
  for (const auto& [action, count] : counts_) total += count;
  return total;
}

std::optional<std::chrono::steady_clock::time_point> SettingChangeListener::FirstArrival(
    UINT action) const {
  const auto found = firstArrivals_.find(action);
  if (found == firstArrivals_.end()) return std::nullopt;
  return found->second;
}

LRESULT CALLBACK SettingChangeListener::Proc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<SettingChangeListener*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_SETTINGCHANGE && self != nullptr) {
    // Stamped first thing: the time at which the broadcast reached this window.
    const auto arrival = std::chrono::steady_clock::now();
    const UINT action = static_cast<UINT>(wParam);
    if (++self->counts_[action] == 1) self->firstArrivals_[action] = arrival;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HeldSettingListener::HeldSettingListener()
    : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      holding_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  if (thread_ != nullptr) WaitForSingleObject(ready_, 10000);
}

HeldSettingListener::~HeldSettingListener() {
  Release();
  if (hwnd_ != nullptr) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  if (thread_ != nullptr) {
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
  }
  for (HANDLE event : {ready_, holding_, release_}) CloseHandle(event);
}

bool HeldSettingListener::WaitUntilHolding(std::chrono::milliseconds limit) {
  return PumpMessagesUntil(limit, [this] { return WaitForSingleObject(holding_, 0) == 0; });
}

void HeldSettingListener::Release() { SetEvent(release_); }

DWORD WINAPI HeldSettingListener::Run(void* context) {
  auto* self = static_cast<HeldSettingListener*>(context);
  static const wchar_t kClass[] = L"KivTestHeldSettingListener";
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
  self->hwnd_ = CreateWindowExW(0, kClass, L"held listener", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, wc.hInstance, self);
  SetEvent(self->ready_);
  MSG msg;
  while (self->hwnd_ != nullptr && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageW(&msg);
  }
  return 0;
}

LRESULT CALLBACK HeldSettingListener::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<HeldSettingListener*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self != nullptr) {
    if (message == WM_SETTINGCHANGE && WaitForSingleObject(self->holding_, 0) != 0) {
      SetEvent(self->holding_);
      WaitForSingleObject(self->release_, 10000);
      return 0;
    }
    if (message == WM_DESTROY) {
      self->hwnd_ = nullptr;
      PostQuitMessage(0);
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool PumpMessagesUntil(std::chrono::milliseconds limit, const std::function<bool()>& done,
                       PumpWait wait) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done && done()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
    MsgWaitForMultipleObjects(wait.wake != nullptr ? 1 : 0,
                              wait.wake != nullptr ? &wait.wake : nullptr, FALSE,
                              static_cast<DWORD>(std::min(left, wait.poll).count()), QS_ALLINPUT);
  }
}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& arguments,
                           int showCommand, Start start) {
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (showCommand >= 0) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
  }
  const DWORD flags = start == Start::kSuspended ? CREATE_SUSPENDED : 0;
  startedAt_ = std::chrono::steady_clock::now();
  if (!CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, flags, nullptr,
                      nullptr, &startup, &info_)) {
    startError_ = GetLastError();
    info_ = {};
  }
}

ChildProcess::~ChildProcess() {
  if (info_.hProcess == nullptr) return;
  if (Running()) Kill();
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

std::optional<DWORD> ChildProcess::WaitForExit(std::chrono::milliseconds limit) {
  if (info_.hProcess == nullptr) return std::nullopt;
  PumpMessagesUntil(limit, [this] { return !Running(); }, {.wake = info_.hProcess});
  if (Running()) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

bool ChildProcess::Running() const {
  return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

void ChildProcess::Kill() {
  TerminateProcess(info_.hProcess, 99);
  WaitForSingleObject(info_.hProcess, 5000);
}

std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

std::wstring WindowClassName(HWND hwnd) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(hwnd, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

std::wstring WindowText(HWND hwnd) {
  wchar_t text[1024] = {};
  const int length = GetWindowTextW(hwnd, text, 1024);
  return std::wstring(text, length > 0 ? length : 0);
}

std::vector<HWND> TopLevelWindows(DWORD processId, const std::wstring& windowClass) {
  struct Search {
    DWORD processId;
    const std::wstring& windowClass;
    std::vector<HWND> found;
  } search{processId, windowClass, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == s.processId &&
            (s.windowClass.empty() || WindowClassName(hwnd) == s.windowClass)) {
          s.found.push_back(hwnd);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {

HWND WaitForTopLevelWindow(DWORD processId, const std::wstring& windowClass,
                           std::chrono::milliseconds limit, const std::function<bool()>& giveUp) {
  HWND found = nullptr;
  PumpMessagesUntil(limit, [&] {
    const std::vector<HWND> windows = TopLevelWindows(processId, windowClass);
    found = windows.empty() ? nullptr : windows.front();
    return found != nullptr || (giveUp && giveUp());
  });
  return found;
}

}  // namespace

HWND WaitForTopLevelWindow(DWORD processId, const std::wstring& windowClass,
                           std::chrono::milliseconds limit) {
  return WaitForTopLevelWindow(processId, windowClass, limit, {});
}

HWND WaitForTopLevelWindow(const ChildProcess& process, const std::wstring& windowClass,
                           std::chrono::milliseconds limit) {
  return WaitForTopLevelWindow(process.Id(), windowClass, limit,
                               [&process] { return !process.Running(); });
}

std::optional<LRESULT> SendWithin(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                  std::chrono::milliseconds limit) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL,
                          static_cast<UINT>(limit.count()), &result) == 0) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(result);
}

void DispatchPendingMessages() { PumpMessagesUntil(std::chrono::milliseconds(0)); }

std::optional<MessageBoxContent> FindMessageBox(DWORD processId) {
  for (HWND box : TopLevelWindows(processId, L"#32770")) {
    if (!IsWindowVisible(box)) continue;
    MessageBoxContent content{box, WindowText(box), {}};
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (WindowClassName(child) == L"Static") content.text += WindowText(child);
    }
    return content;
  }
  return std::nullopt;
}

std::optional<MessageBoxContent> WaitForMessageBox(DWORD processId,
                                                   std::chrono::milliseconds limit) {
  std::optional<MessageBoxContent> found;
  PumpMessagesUntil(limit, [&] {
    found = FindMessageBox(processId);
    return found.has_value();
  });
  return found;
}

bool DismissMessageBox(HWND box) {
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return PumpMessagesUntil(std::chrono::seconds(10), [box] { return !IsWindowVisible(box); });
}

RunOutcome WaitForExitDismissingBoxes(ChildProcess& process, std::chrono::milliseconds limit) {
  RunOutcome outcome;
  const auto watch = [&] {
    for (HWND window : TopLevelWindows(process.Id(), L"")) {
      const std::wstring windowClass = WindowClassName(window);
      if (IsWindowVisible(window) && windowClass != L"#32770" &&
          std::find(outcome.windowsShown.begin(), outcome.windowsShown.end(), windowClass) ==
              outcome.windowsShown.end()) {
        outcome.windowsShown.push_back(windowClass);
      }
    }
    outcome.mostTrayIcons = std::max(outcome.mostTrayIcons, VisibleTrayIcons().size());
  };
  PumpMessagesUntil(limit, [&] {
    if (!process.Running()) return true;
    watch();
    if (const std::optional<MessageBoxContent> box = FindMessageBox(process.Id())) {
      outcome.boxes.push_back(*box);
      DismissMessageBox(box->handle);
    }
    return false;
  });
  outcome.exitCode = process.WaitForExit(std::chrono::milliseconds(0));
  return outcome;
}

std::vector<HWND> VisibleTrayIcons() {
  std::vector<HWND> icons;
  HWND tray = nullptr;
  while ((tray = FindWindowExW(nullptr, tray, L"__winex11_standalone_tray", nullptr)) != nullptr) {
    for (HWND child = GetWindow(tray, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (WindowClassName(child) == L"__winex11_tray_icon" && IsWindowVisible(child)) {
        icons.push_back(child);
      }
    }
  }
  return icons;
}

std::vector<std::uint32_t> ScreenPixels(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<std::uint32_t> pixels;
  if (bitmap != nullptr) {
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    pixels.assign(first,
                  first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

std::optional<std::wstring> TrayIconTooltip(HWND icon) {
  DWORD trayProcess = 0;
  GetWindowThreadProcessId(icon, &trayProcess);
  // The control writes the text through pointers of its own process: lend it memory there.
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, trayProcess);
  if (process == nullptr) return std::nullopt;
  constexpr std::size_t kChars = 256;
  const std::size_t size = sizeof(TTTOOLINFOW) + kChars * sizeof(wchar_t);
  auto* remote = static_cast<BYTE*>(
      VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  std::optional<std::wstring> text;
  // The tooltip belongs to the tray window that holds the icon; the icon is one of its tools.
  const HWND tray = GetAncestor(icon, GA_ROOT);
  for (HWND tooltip : TopLevelWindows(trayProcess, TOOLTIPS_CLASSW)) {
    if (remote == nullptr || text.has_value()) break;
    if (GetWindow(tooltip, GW_OWNER) != tray) continue;
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND;
    info.hwnd = icon;
    info.uId = reinterpret_cast<UINT_PTR>(icon);
    info.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof(TTTOOLINFOW));
    std::vector<wchar_t> buffer(kChars, L'\0');
    if (WriteProcessMemory(process, remote, &info, sizeof(info), nullptr) &&
        WriteProcessMemory(process, remote + sizeof(TTTOOLINFOW), buffer.data(),
                           kChars * sizeof(wchar_t), nullptr) &&
        SendWithin(tooltip, TTM_GETTEXTW, kChars, reinterpret_cast<LPARAM>(remote)) &&
        ReadProcessMemory(process, remote + sizeof(TTTOOLINFOW), buffer.data(),
                          kChars * sizeof(wchar_t), nullptr) &&
        buffer.front() != L'\0') {
      buffer.back() = L'\0';
      text = std::wstring(buffer.data());
    }
  }
  if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return text;
}

std::wstring SystemErrorMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message;
  if (text != nullptr) {
    message.assign(text, length);
    LocalFree(text);
  }
  return message;
}

std::optional<std::wstring> ReadUserRegistryString(const std::wstring& key,
                                                   const std::wstring& name) {
  wchar_t buffer[512];
  DWORD size = sizeof(buffer);
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(buffer);
}

void WriteUserRegistryString(const std::wstring& key, const std::wstring& name,
                             const std::wstring& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot open registry key");
  }
  RegSetValueExW(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

void DeleteUserRegistryValue(const std::wstring& key, const std::wstring& name) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str());
}

ScopedUserRegistryString::ScopedUserRegistryString(std::wstring key, std::wstring name,
                                                   const std::wstring& value)
    : key_(std::move(key)), name_(std::move(name)), previous_(ReadUserRegistryString(key_, name_)) {
  WriteUserRegistryString(key_, name_, value);
}

ScopedUserRegistryString::~ScopedUserRegistryString() {
  if (previous_) {
    WriteUserRegistryString(key_, name_, *previous_);
  } else {
    DeleteUserRegistryValue(key_, name_);
  }
}

std::optional<std::wstring> StoredWheelScrollLines() {
  return ReadUserRegistryString(kDesktopKey, L"WheelScrollLines");
}

void StageWheelScrollLines(const std::wstring& value) {
  WriteUserRegistryString(kDesktopKey, L"WheelScrollLines", value);
}

std::wstring AppDataFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE);
  return buffer;
}

std::wstring KivSettingsFolder() { return AppDataFolder() + L"\\Brackenhall\\KIV"; }

std::wstring KivSettingsFile() { return KivSettingsFolder() + L"\\KIV.ini"; }

bool DirectoryExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0)
    bytes.append(chunk, read);
  CloseHandle(file);
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create test file");
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

void RemovePath(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") RemovePath(path + L"\\" + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

std::string SettingsFileWithCount(int count) {
  return "[Line]\r\nCount=" + std::to_string(count) + "\r\n\r\n";
}

OpenFile::OpenFile(const std::wstring& path, DWORD access, DWORD share)
    : handle_(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

OpenFile::~OpenFile() { Close(); }

void OpenFile::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

}  // namespace kiv::test
