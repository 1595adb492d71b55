#pragma once

#include <windows.h>

#include <string>

namespace kiv::win32 {

class MainWindow;

// The process-wide application object: the hidden application window that owns the main window
// and carries the program's one taskbar button, the title, ShowMainForm and the message loop.
class Application {
 public:
  static constexpr wchar_t kWindowClass[] = L"KIVApplication";

  Application() = default;
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The window is made on demand, after a one-shot run's change rather than before it. Throws
  // when it cannot be made; later calls do nothing.
  void CreateWindowOnce();
  HWND Handle() const { return hwnd_; }
  void SetTitle(const std::wstring& title);
  const std::wstring& Title() const { return title_; }

  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool show) { showMainForm_ = show; }

  void SetMainWindow(MainWindow* window) { mainWindow_ = window; }

  // The taskbar button is there exactly while a window of the program is visible.
  void ShowTaskbarButton(bool show);

  // Shows the main window if ShowMainForm says so, honouring the launcher's show request, then
  // dispatches messages until the quit message.
  void Run();
  void Terminate() { PostQuitMessage(0); }

 private:
  template <typename Owner>
  friend LRESULT CALLBACK ForwardToOwner(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  std::wstring title_;
  bool showMainForm_ = true;
  MainWindow* mainWindow_ = nullptr;
};

}  // namespace kiv::win32
