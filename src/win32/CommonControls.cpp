#include "CommonControls.h"

#include <commctrl.h>

#include "NewerFunctions.h"

namespace kiv::win32 {

namespace {

// Version 6 lives outside the system folder, where the manifest's activation context points.
// The loader resolves a bare name through that context before it looks in any folder, so the
// bare name is safe exactly when the context redirects it.
bool ManifestRedirectsCommonControls() {
  ACTCTX_SECTION_KEYED_DATA data{};
  data.cbSize = sizeof(data);
  return FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                  L"comctl32.dll", &data) != FALSE;
}

}  // namespace

HMODULE LoadCommonControlsLibrary() noexcept {
  if (!ManifestRedirectsCommonControls()) return LoadSystemLibrary(L"comctl32.dll");
  return LoadLibraryExW(L"comctl32.dll", nullptr,
                        SystemFolderSearchAvailable() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : 0);
}

void LoadCommonControls() noexcept {
  HMODULE library = LoadCommonControlsLibrary();
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
