#include "Win32WaitCursor.h"

#include <windows.h>

namespace kiv::win32 {

void Win32WaitCursor::Show() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }

void Win32WaitCursor::Restore() {
  // Back to the arrow; the next WM_SETCURSOR gives every window its own cursor again.
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

}  // namespace kiv::win32
