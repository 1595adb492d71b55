// The settings window as "kiv.exe /w" shows it, with the newer system functions that an older
// Windows lacks reported missing:
//   older_windows_probe.exe window vista|8.1|latest
// shows the window; a window of class KIVOlderWindowsProbe then answers WM_APP (wParam: a new DPI)
// by telling the settings window that it has moved to a monitor of that DPI, as the system does.
//   older_windows_probe.exe comctl32|shcore vista|latest FILE
// loads the library as the program does and writes its full path to FILE. (Wine's version 6
// common controls answer DllGetVersion with 5, so the path tells the version.)
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "Application.h"
#include "CommandLine.h"
#include "CommonControls.h"
#include "General.h"
#include "MainWindow.h"
#include "NewerFunctions.h"
#include "SystemServices.h"

namespace {

HWND settingsWindow = nullptr;

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP && settingsWindow != nullptr) {
    const UINT dpi = static_cast<UINT>(wParam);
    const UINT before = kiv::win32::DpiForWindow(settingsWindow);
    RECT suggested{};
    GetWindowRect(settingsWindow, &suggested);
    suggested.right = suggested.left + MulDiv(suggested.right - suggested.left, dpi, before);
    suggested.bottom = suggested.top + MulDiv(suggested.bottom - suggested.top, dpi, before);
    return SendMessageW(settingsWindow, kiv::win32::kDpiChangedMessage, MAKEWPARAM(dpi, dpi),
                        reinterpret_cast<LPARAM>(&suggested));
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

int ShowWindowAtLevel() {
  using namespace kiv;
  win32::SystemServices system;
  if (!PrepareSettingsFolder(system.fileSystem, u"KIV")) return 3;
  win32::Application application;
  application.SetTitle(L"KIV");
  win32::MainWindow mainForm(application, system.ForWindow());
  mainForm.Create({u"/w"});
  settingsWindow = mainForm.Handle();

  WNDCLASSW wc{};
  wc.lpfnWndProc = ProbeProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KIVOlderWindowsProbe";
  RegisterClassW(&wc);
  CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                  nullptr);
  mainForm.ShowAtStart(win32::Application::LaunchShowCommand());
  application.Run();
  return 0;
}

int LoadLibraryAndTell(bool commonControls, const wchar_t* file) {
  HMODULE library = commonControls ? kiv::win32::LoadCommonControlsLibrary()
                                   : kiv::win32::LoadSystemLibrary(L"shcore.dll");
  if (library == nullptr) return 1;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(library, path, MAX_PATH);
  HANDLE out = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(out, path, length * sizeof(wchar_t), &written, nullptr);
  CloseHandle(out);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
  wchar_t what[16] = {};
  wchar_t level[16] = {};
  wchar_t file[MAX_PATH] = {};
  if (std::swscanf(arguments, L"%15ls %15ls %259ls", what, level, file) < 2) return 2;
  using kiv::win32::ApiLevel;
  kiv::win32::LimitApiLevel(std::wcscmp(level, L"vista") == 0 ? ApiLevel::Vista
                            : std::wcscmp(level, L"8.1") == 0 ? ApiLevel::Windows81
                                                              : ApiLevel::Latest);
  if (std::wcscmp(what, L"window") != 0) {
    return LoadLibraryAndTell(std::wcscmp(what, L"comctl32") == 0, file);
  }
  return ShowWindowAtLevel();
}
