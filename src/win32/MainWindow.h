#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlViews.h"
#include "Handles.h"
#include "MainForm.h"
#include "TrayIcon.h"
#include "platform/FormHost.h"

namespace kiv::win32 {

class Application;

// The settings window: the real window around TmainForm's logic. It lays out the controls at the
// window's DPI, turns the user's actions into calls on the control models and carries out what
// the logic asks of the window (show, hide, close, the command-line error box). What the start-up
// decided (show the window, quit by itself) it reads from the logic once that has run.
class MainWindow : public FormHost {
 public:
  static constexpr wchar_t kWindowClass[] = L"KIVMainWindow";
  static constexpr UINT_PTR kCloseTimer = 1;
  static constexpr UINT kCloseTimerInterval = 1000;

  // How the close timer is started; a test replaces it to see a run end without a timer.
  static inline UINT_PTR(WINAPI* startTimer)(HWND, UINT_PTR, UINT, TIMERPROC) = SetTimer;

  MainWindow(Application& application, FormServices services);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Runs the start-up with the program's arguments; errors are reported and the run goes on.
  void Create(const std::vector<std::u16string>& arguments);
  // The message loop's first showing, honouring the launcher's show request; nothing when the
  // start-up decided against the window.
  void ShowAtStart(int showCommand);

  HWND Handle() const { return hwnd_; }
  bool Closed() const { return closed_; }
  bool ClosedWithFailure() const { return failed_; }

  // FormHost
  void ShowForm() override;
  void HideForm() override;
  void CloseForm() override;
  void UseMenuFontFace() override;
  void ShowCommandLineError() override;
  void ReportError(const std::u16string& message) override;

 private:
  template <typename Owner>
  friend LRESULT CALLBACK ForwardToOwner(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id, int code);
  void OnClose();
  [[noreturn]] void EndSession();
  void StartCloseTimer();
  void Show(int showCommand);
  void CreateWindows();
  void CreateControlsOnce();
  void CreateControls();
  void ApplyDpi(UINT dpi);
  int TextHeight() const;
  void Layout();
  int WidthForCaptions() const;
  void PlaceFirstTime();
  int Scale(int designPixels) const { return MulDiv(designPixels, static_cast<int>(dpi_), 96); }

  Application& application_;
  TmainForm form_;
  OwnedWindow hwnd_;
  OwnedFont font_;
  std::wstring fontFace_ = L"Tahoma";
  UINT dpi_ = 96;
  bool placed_ = false;
  bool closed_ = false;
  bool failed_ = false;

  std::unique_ptr<WindowView> wheelFrame_, speedFrame_, noActiveFrame_;
  std::unique_ptr<RadioButtonView> pageModeButton_, lineModeButton_;
  std::unique_ptr<ComboBoxView> lineCountList_, speedList_;
  std::unique_ptr<CheckBoxView> noActiveCheckBox_;
  std::unique_ptr<TrayIcon> trayIcon_;
};

}  // namespace kiv::win32
