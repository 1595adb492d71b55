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

// The operating-system services behind the window's logic.
struct PlatformServices {
  SystemSettings& settings;
  OsVersion& os;
  WaitCursor& cursor;
  LinePositionStore& linePosition;
};

// The settings window: the real window around TmainForm's logic. It lays out the controls at the
// window's DPI, forwards the user's actions to the control models and carries out what the logic
// asks of the window (show, hide, close, the close timer, the command-line error box).
class MainWindow : public FormHost {
 public:
  static constexpr wchar_t kWindowClass[] = L"KIVMainWindow";
  static constexpr UINT_PTR kCloseTimer = 1;
  static constexpr UINT kCloseTimerInterval = 1000;

  // Control identifiers, for the tests that drive the window from outside.
  enum ControlId : int {
    kBtnPage = 101,
    kBtnLine,
    kComboBoxLine,
    kComboBoxSpeed,
    kCHKNoActive,
    kGroupBoxWheel = 201,
    kGroupBoxPointer,
    kGroupBoxNoActive,
  };

  // How the close timer is started; a test replaces it to see a run end without a timer.
  static inline UINT_PTR(WINAPI* startTimer)(HWND, UINT_PTR, UINT, TIMERPROC) = SetTimer;

  MainWindow(Application& application, PlatformServices services);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Runs the start-up with the program's arguments; errors are reported and the run goes on.
  void Create(const std::vector<std::u16string>& arguments);

  HWND Handle() const { return hwnd_; }
  TmainForm& Form() { return *form_; }
  bool Closed() const { return closed_; }
  bool ClosedWithFailure() const { return failed_; }

  // The message loop's first showing, honouring the launcher's show request.
  void ShowAtStart(int showCommand);

  // FormHost
  void ShowForm() override;
  void HideForm() override;
  void CloseForm() override;
  void SetShowMainForm(bool show) override;
  void StartCloseTimer() override;
  void UseMenuFontFace() override;
  void ShowCommandLineError() override;
  void ReportError(const std::u16string& message) override;

  // The session is ending for real: clean up now, the process ends right after.
  void EndSession();

 private:
  template <typename Owner>
  friend LRESULT CALLBACK ForwardToOwner(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id, int code);
  void OnClose();
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
  std::unique_ptr<TmainForm> form_;
  OwnedWindow hwnd_;
  OwnedFont font_;
  std::wstring fontFace_ = L"Tahoma";
  UINT dpi_ = 96;
  bool placed_ = false;
  bool closed_ = false;
  bool failed_ = false;
  bool closeTimerWanted_ = false;

  std::unique_ptr<WindowView> groupWheel_, groupPointer_, groupNoActive_;
  std::unique_ptr<RadioButtonView> btnPage_, btnLine_;
  std::unique_ptr<ComboBoxView> comboLine_, comboSpeed_;
  std::unique_ptr<CheckBoxView> chkNoActive_;
  std::unique_ptr<TrayIcon> trayIcon_;
};

}  // namespace kiv::win32
