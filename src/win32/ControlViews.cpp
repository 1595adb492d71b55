#include "ControlViews.h"

namespace kiv::win32 {

void RadioButtonView::StateChanged() {
  WindowView::StateChanged();
  SendMessageW(hwnd_, BM_SETCHECK, radio_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  style = radio_.Checked() ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
  SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
}

void CheckBoxView::StateChanged() {
  WindowView::StateChanged();
  SendMessageW(hwnd_, BM_SETCHECK, check_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
}

void ComboBoxView::StateChanged() {
  WindowView::StateChanged();
  const auto& items = combo_.Items();
  if (SendMessageW(hwnd_, CB_GETCOUNT, 0, 0) != static_cast<LRESULT>(items.size())) {
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    for (const std::u16string& item : items) {
      SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
  }
  SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(combo_.ItemIndex()), 0);
}

}  // namespace kiv::win32
