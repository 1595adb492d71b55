#pragma once

#include <windows.h>

#include <shellapi.h>

#include "Handles.h"
#include "controls/NotifyIcon.h"
#include "controls/PopupMenu.h"

namespace kiv::win32 {

// The notification-area icon and its context menu. A hidden top-level window of its own receives
// the icon's notifications, the menu's commands and the shell's "TaskbarCreated" broadcast.
class TrayIcon : public ControlView {
 public:
  // The private message through which the shell reports mouse and keyboard events on the icon.
  static constexpr UINT kCallbackMessage = WM_USER + 1;
  static constexpr UINT kIconId = 1;
  static constexpr wchar_t kWindowClass[] = L"KIVTrayIcon";
  static constexpr UINT_PTR kRetryTimer = 1;

  // How the icon reaches the shell; a test puts a shell in between that fails when told to.
  static inline BOOL(WINAPI* notify)(DWORD, PNOTIFYICONDATAW) = Shell_NotifyIconW;
  // A shell that is busy (just after logon, say) can refuse the icon; it is offered again every
  // interval, this many times, until it is taken.
  struct RetrySchedule {
    UINT interval;
    int tries;
  };
  static inline RetrySchedule retrySchedule{2000, 60};

  // A double-click goes to the model's OnDblClick, a chosen menu item to the menu model.
  TrayIcon(NotifyIcon& model, PopupMenu& menu);
  ~TrayIcon() override;
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  void StateChanged() override;
  HWND Handle() const { return hwnd_; }
  // Takes the icon out of the notification area; the object stays as it is.
  void Remove();

 private:
  template <typename Owner>
  friend LRESULT CALLBACK ForwardToOwner(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnNotification(UINT event, bool version4, POINT anchor);
  void ShowMenu(POINT at);
  void SyncMenu();
  bool Add();
  void AddOrRetry();
  void StopRetrying();
  void OnRetryTimer();
  void OnDpiChanged(UINT dpi);
  bool Modify();
  NOTIFYICONDATAW Data(UINT flags) const;
  HICON IconFor(int imageIndex);
  void ReleaseIcons();

  NotifyIcon& model_;
  PopupMenu& menu_;
  OwnedWindow hwnd_;
  OwnedMenu hmenu_;
  UINT taskbarCreated_ = 0;
#ifdef KIV_COUNT_HANDLES
  UINT handleCountQuery_ = 0;
#endif
  bool added_ = false;
  int retriesLeft_ = 0;  // while the retry timer runs
  UINT dpi_ = 96;
  OwnedIcon icons_[2];
};

}  // namespace kiv::win32
