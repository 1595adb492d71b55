#include "TrayIcon.h"

#include <shellapi.h>

#include "CommandIds.h"
#include "ErrorReports.h"
#include "NewerFunctions.h"
#include "WideText.h"
#include "WindowProcedure.h"
#include "resource.h"

namespace kiv::win32 {

TrayIcon::TrayIcon(NotifyIcon& model, PopupMenu& menu) : model_(model), menu_(menu) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = ForwardToOwner<TrayIcon>;
  wc.hInstance = instance;
  wc.lpszClassName = kWindowClass;
  RegisterClassW(&wc);
  // A top-level window, not a message-only one: only those receive "TaskbarCreated".
  hwnd_.reset(CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, instance, this));
  dpi_ = DpiForWindow(hwnd_);
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  // The shell may run elevated; let its broadcast through.
  AllowMessageFromElevated(hwnd_, taskbarCreated_);
#ifdef KIV_COUNT_HANDLES
  handleCountQuery_ = RegisterWindowMessageW(kHandleCountQuery);
#endif

  hmenu_.reset(CreatePopupMenu());
  UINT command = kFirstMenuCommand;
  for (const MenuItem* item : menu_.Items()) {
    if (item->IsSeparator()) {
      AppendMenuW(hmenu_, MF_SEPARATOR, command++, nullptr);
    } else {
      AppendMenuW(hmenu_, MF_STRING, command++, Wide(item->Caption()));
    }
  }
  model_.AttachView(this);
}

TrayIcon::~TrayIcon() {
  model_.AttachView(nullptr);
  Remove();
  hmenu_.reset();
  hwnd_.reset();
  ReleaseIcons();
}

void TrayIcon::ReleaseIcons() {
  for (OwnedIcon& icon : icons_) icon.reset();
}

HICON TrayIcon::IconFor(int imageIndex) {
  const int slot = imageIndex == 0 ? 0 : 1;
  if (icons_[slot] == nullptr) {
    // The size the notification area wants at the DPI of its monitor; the icon files hold that
    // size for the common scale factors. LoadImage, not LoadIconMetric: a resident run then never
    // needs the common controls library.
    const int id = slot == 0 ? IDI_TRAY_PAGE : IDI_TRAY_LINE;
    HICON icon =
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                      SystemMetricForDpi(SM_CXSMICON, dpi_),
                                      SystemMetricForDpi(SM_CYSMICON, dpi_), LR_DEFAULTCOLOR));
    icons_[slot].reset(icon);
  }
  return icons_[slot];
}

NOTIFYICONDATAW TrayIcon::Data(UINT flags) const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = hwnd_;
  data.uID = kIconId;
  data.uFlags = flags;
  return data;
}

bool TrayIcon::Add() {
  NOTIFYICONDATAW data = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = IconFor(model_.ImageIndex());
  lstrcpynW(data.szTip, Wide(model_.Hint()), ARRAYSIZE(data.szTip));
  // A shell that timed out may have taken the icon all the same: it then answers a change.
  added_ = notify(NIM_ADD, &data) != FALSE || notify(NIM_MODIFY, &data) != FALSE;
  if (added_) {
    data.uVersion = NOTIFYICON_VERSION_4;
    notify(NIM_SETVERSION, &data);
  }
  return added_;
}

void TrayIcon::AddOrRetry() {
  if (Add()) {
    StopRetrying();
    return;
  }
  // Without the icon the run could be neither seen nor started again: offer it again on a timer,
  // a full schedule from now. "TaskbarCreated" tries at once besides.
  if (retrySchedule.tries > 0 &&
      SetTimer(hwnd_, kRetryTimer, retrySchedule.interval, nullptr) != 0) {
    retriesLeft_ = retrySchedule.tries;
  }
}

void TrayIcon::OnRetryTimer() {
  if (added_ || !model_.Visible() || Add() || retriesLeft_ <= 1) {
    StopRetrying();
  } else {
    --retriesLeft_;
  }
}

void TrayIcon::StopRetrying() {
  if (retriesLeft_ == 0) return;
  KillTimer(hwnd_, kRetryTimer);
  retriesLeft_ = 0;
}

bool TrayIcon::Modify() {
  NOTIFYICONDATAW data = Data(NIF_ICON | NIF_TIP | NIF_SHOWTIP);
  data.hIcon = IconFor(model_.ImageIndex());
  lstrcpynW(data.szTip, Wide(model_.Hint()), ARRAYSIZE(data.szTip));
  return notify(NIM_MODIFY, &data) != FALSE;
}

void TrayIcon::Remove() {
  StopRetrying();
  if (!added_) return;
  NOTIFYICONDATAW data = Data(0);
  notify(NIM_DELETE, &data);
  added_ = false;
}

void TrayIcon::StateChanged() {
  if (!model_.Visible()) {
    Remove();
  } else if (added_) {
    Modify();
  } else if (retriesLeft_ == 0) {
    // While retries run, the next one takes the image and tooltip of the moment.
    AddOrRetry();
  }
}

void TrayIcon::OnDpiChanged(UINT dpi) {
  // The notification area's icon size follows its monitor's DPI: load the images anew.
  dpi_ = dpi != 0 ? dpi : 96;
  ReleaseIcons();
  if (added_) Modify();
}

void TrayIcon::SyncMenu() {
  UINT command = kFirstMenuCommand;
  for (const MenuItem* item : menu_.Items()) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE | MIIM_FTYPE;
    info.fType = item->IsSeparator() ? MFT_SEPARATOR : (item->RadioItem() ? MFT_RADIOCHECK : 0);
    info.fState = (item->Checked() ? MFS_CHECKED : 0) | (item->Enabled() ? 0 : MFS_DISABLED);
    SetMenuItemInfoW(hmenu_, command++, FALSE, &info);
  }
}

void TrayIcon::ShowMenu(POINT at) {
  SyncMenu();
  // The menu only closes on a click elsewhere when its owner is the foreground window.
  SetForegroundWindow(hwnd_);
  // The menu's loop dispatches what is pending and whatever comes while it is open; a close among
  // it ends the menu and waits until this call has returned.
  TrackPopupMenu(hmenu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_,
                 nullptr);
  // The system's advice: lets the menu close properly when the next click goes elsewhere.
  PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void TrayIcon::OnNotification(UINT event, bool version4, POINT anchor) {
  switch (event) {
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      model_.DblClick();
      break;
    case WM_CONTEXTMENU:
      // Version 4: the right-button release, or the menu key or Shift+F10 on the icon, with the
      // point at which to open.
      if (version4) ShowMenu(anchor);
      break;
    case WM_RBUTTONUP:
      // The old format has only the release; version 4 follows it with WM_CONTEXTMENU.
      if (!version4) {
        POINT cursor;
        GetCursorPos(&cursor);
        ShowMenu(cursor);
      }
      break;
    default:
      break;
  }
}

LRESULT TrayIcon::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCallbackMessage) {
    // Each notification says its own format: version 4 puts the icon's id in the high word. A
    // shell that refused version 4 sends the bare mouse message, whose right-button release
    // stands for the context menu.
    const bool version4 = HIWORD(lParam) == kIconId;
    const UINT event = version4 ? LOWORD(lParam) : static_cast<UINT>(lParam);
    POINT anchor{static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))};
    OnNotification(event, version4, anchor);
    return 0;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == 0) {
    const UINT index = LOWORD(wParam) - kFirstMenuCommand;
    if (index < menu_.Items().size()) menu_.Choose(*menu_.Items()[index]);
    return 0;
  }
  if (message == taskbarCreated_ && taskbarCreated_ != 0) {
    // A new shell has none of the old one's icons.
    added_ = false;
    if (model_.Visible()) AddOrRetry();
    return 0;
  }
  if (message == WM_TIMER && wParam == kRetryTimer) {
    OnRetryTimer();
    return 0;
  }
#ifdef KIV_COUNT_HANDLES
  if (message == handleCountQuery_ && handleCountQuery_ != 0) {
    return wParam < static_cast<WPARAM>(HandleKind::Count) ? LiveHandles[wParam] : -1;
  }
#endif
  if (message == kDpiChangedMessage) OnDpiChanged(HIWORD(wParam));
  if (message == WM_DISPLAYCHANGE) OnDpiChanged(DpiForWindow(hwnd_));
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace kiv::win32
