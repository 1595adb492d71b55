#include "Nesting.h"

namespace kiv::win32 {

namespace {

// One user-interface thread: plain globals.
int depth = 0;
HWND pendingWindow = nullptr;
UINT pendingMessage = 0;

void PostPending() noexcept {
  if (pendingWindow == nullptr) return;
  const HWND window = pendingWindow;
  pendingWindow = nullptr;
  PostMessageW(window, pendingMessage, 0, 0);
}

BOOL CALLBACK CloseMessageBox(HWND window, LPARAM) {
  // A message box is a dialog of the system's class; closing it is its OK (or Cancel).
  wchar_t windowClass[8] = {};
  if (GetClassNameW(window, windowClass, 8) == 6 && lstrcmpW(windowClass, L"#32770") == 0) {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

}  // namespace

Nesting::Level::Level() noexcept { ++depth; }

Nesting::Level::~Level() {
  if (--depth == 0) PostPending();
}

int Nesting::Depth() noexcept { return depth; }

void Nesting::EndModalLoops() noexcept {
  EndMenu();
  EnumThreadWindows(GetCurrentThreadId(), CloseMessageBox, 0);
}

void Nesting::PostWhenUnwound(HWND window, UINT message) noexcept {
  pendingWindow = window;
  pendingMessage = message;
  if (depth == 0) PostPending();
}

}  // namespace kiv::win32
