#pragma once

#include <windows.h>

#include "ErrorReports.h"
#include "Nesting.h"

namespace kiv::win32 {

// The window procedure of a class whose objects each own one window, created with the object as
// its creation parameter. Messages go to the object's HandleMessage() once the object holds its
// window (before that, and after it let go, to the default procedure); no C++ exception unwinds
// into the system's frames. Each call into an owner counts as a level of nesting.
template <typename Owner>
LRESULT CALLBACK ForwardToOwner(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (owner == nullptr || owner->hwnd_ == nullptr) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  const Nesting::Level level;
  LRESULT result = 0;
  Guarded([&] { result = owner->HandleMessage(message, wParam, lParam); });
  return result;
}

}  // namespace kiv::win32
