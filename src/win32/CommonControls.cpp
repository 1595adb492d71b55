#include "CommonControls.h"

#include <commctrl.h>

namespace kiv::win32 {

void LoadCommonControls() noexcept {
  HMODULE library = LoadLibraryW(L"comctl32.dll");
  if (library == nullptr) return;
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  // The exported entry has exactly this signature.
  const auto init = reinterpret_cast<InitFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
  if (init == nullptr) return;
  const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  init(&controls);
}

}  // namespace kiv::win32
