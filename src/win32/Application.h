#pragma once

#include <windows.h>

#include <string>

#include "Handles.h"

namespace kiv::win32 {

// The process-wide application object: the message loop, and the hidden application window that
// owns the program's windows and carries its one taskbar button and the title. It knows the
// window it carries by handle only; that window's owner tells it which one it is.
class Application {
 public:
  static constexpr wchar_t kWindowClass[] = L"KIVApplication";

  Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The window is made on demand, after a one-shot run's change rather than before it. Throws
  // when it cannot be made; later calls do nothing.
  void CreateWindowOnce();
  HWND Handle() const { return hwnd_; }
  void SetTitle(const std::wstring& title);

  // The window that the taskbar button stands for, or none: a close from the button's menu goes
  // to it, the button's activation passes to it, and Tab moves between its controls.
  void Carry(HWND window) { carried_ = window; }

  // The taskbar button is there exactly while a window of the program is visible.
  void ShowTaskbarButton(bool show);

  // How the launcher asked the program's first window to show (a shortcut's "minimised", say).
  static int LaunchShowCommand();

  // Dispatches messages until the program terminates.
  void Run();
  // Ends the message loop, also where a nested loop takes the quit message and does not post it
  // again.
  void Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
  }

 private:
  template <typename Owner>
  friend LRESULT CALLBACK ForwardToOwner(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  OwnedWindow hwnd_;
  std::wstring title_;
  HWND carried_ = nullptr;
  bool terminated_ = false;
  bool minimised_ = false;
};

}  // namespace kiv::win32
