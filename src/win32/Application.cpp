#include "Application.h"

#include "KivError.h"
#include "WindowProcedure.h"
#include "resource.h"

namespace kiv::win32 {

void Application::CreateWindowOnce() {
  if (hwnd_ != nullptr) return;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = ForwardToOwner<Application>;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_KIV));
  wc.lpszClassName = kWindowClass;
  RegisterClassW(&wc);
  // Zero-sized in the middle of the screen: it is never seen, only its taskbar button is.
  hwnd_.reset(CreateWindowExW(0, kWindowClass, title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                              0, 0, nullptr, nullptr, instance, this));
  if (hwnd_ == nullptr) throw KivError(u"ウィンドウを作成できません");
  // The process's first ShowWindow, here: the system may substitute the launcher's show request
  // for it, and the main window applies that request itself at its first showing.
  ShowWindow(hwnd_, SW_HIDE);
}

void Application::SetTitle(const std::wstring& title) {
  title_ = title;
  if (hwnd_ != nullptr) SetWindowTextW(hwnd_, title_.c_str());
}

void Application::ShowTaskbarButton(bool show) {
  if (show) {
    if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  } else if (IsWindowVisible(hwnd_)) {
    ShowWindow(hwnd_, SW_HIDE);
  }
}

int Application::LaunchShowCommand() {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWNORMAL;
}

void Application::Run() {
  MSG msg;
  while (!terminated_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the carried window's controls.
    if (carried_ != nullptr && IsDialogMessageW(carried_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

LRESULT Application::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // Closing from the taskbar button's menu closes the carried window, by its one close path.
      if (carried_ != nullptr) PostMessageW(carried_, WM_CLOSE, 0, 0);
      return 0;
    case WM_SIZE:
      // Restored from its button: the carried window comes back with it. A start minimised to
      // the button has not shown it yet.
      if (wParam == SIZE_MINIMIZED) {
        minimised_ = true;
      } else if (minimised_) {
        minimised_ = false;
        if (carried_ != nullptr && !IsWindowVisible(carried_)) {
          ShowWindow(carried_, SW_SHOW);
          SetForegroundWindow(carried_);
        }
      }
      break;
    case WM_ACTIVATE:
      // A click on the taskbar button activates this window; pass it on to the visible window.
      if (LOWORD(wParam) != WA_INACTIVE && carried_ != nullptr && IsWindowVisible(carried_) &&
          !IsIconic(hwnd_)) {
        SetActiveWindow(carried_);
        return 0;
      }
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace kiv::win32
