#include "CommonControls.h"

#include <commctrl.h>

namespace kiv::win32 {

namespace {

HMODULE Library() noexcept {
  static HMODULE library = nullptr;
  static bool tried = false;
  if (!tried) {
    tried = true;
    library = LoadLibraryW(L"comctl32.dll");
  }
  return library;
}

template <typename Function>
Function Entry(const char* name) noexcept {
  HMODULE library = Library();
  if (library == nullptr) return nullptr;
  // The exported entry's real signature is the one named by Function.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

void LoadCommonControls() noexcept {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  if (const auto init = Entry<InitFunction>("InitCommonControlsEx")) {
    const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    init(&controls);
  }
}

HRESULT LoadSmallIconMetric(HINSTANCE instance, int resourceId, HICON* icon) noexcept {
  using LoadFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
  const auto load = Entry<LoadFunction>("LoadIconMetric");
  if (load == nullptr) return E_NOTIMPL;
  return load(instance, MAKEINTRESOURCEW(resourceId), LIM_SMALL, icon);
}

}  // namespace kiv::win32
