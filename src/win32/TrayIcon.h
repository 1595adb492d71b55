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

  // A double-click goes to the model's OnDblClick, a chosen menu item to the menu model.
  TrayIcon(NotifyIcon& model, PopupMenu& menu);
  ~TrayIcon() override;
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  void StateChanged() override;
  HWND Handle() const { return hwnd_; }

 private:
  template <typename Owner>
  friend LRESULT CALLBACK ForwardToOwner(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnNotification(UINT event, bool version4, POINT anchor);
  void ShowMenu(POINT at);
  void SyncMenu();
  bool Add();
  void Remove();
  void Modify();
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
  OwnedIcon icons_[2];
};

}  // namespace kiv::win32
