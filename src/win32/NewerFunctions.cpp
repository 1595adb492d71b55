#include "NewerFunctions.h"

#include "Handles.h"

namespace kiv::win32 {

namespace {

ApiLevel limit = ApiLevel::Latest;

// The exported entries have exactly the signatures they are cast to.
template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// user32 is imported, so it is loaded already: a look-up never loads anything.
template <typename Function>
Function FromUser32(const char* name) {
  if (limit != ApiLevel::Latest) return nullptr;
  return Lookup<Function>(GetModuleHandleW(L"user32.dll"), name);
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
using ChangeWindowMessageFilterExFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);

constexpr int kEffectiveDpi = 0;   // MDT_EFFECTIVE_DPI
constexpr DWORD kFilterAllow = 1;  // MSGFLT_ALLOW, Windows 7

}  // namespace

void LimitApiLevel(ApiLevel level) { limit = level; }

bool SystemFolderSearchAvailable() {
  // AddDllDirectory comes with the search flags, in Windows 8 and in KB2533623.
  return limit != ApiLevel::Vista &&
         GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  // Always the full path: a bare name would also match a module of that name loaded already,
  // wherever it came from.
  wchar_t path[MAX_PATH];
  const UINT folder = GetSystemDirectoryW(path, MAX_PATH);
  const int nameLength = lstrlenW(name);
  if (folder == 0 || folder + 1 + nameLength >= MAX_PATH) return nullptr;
  path[folder] = L'\\';
  lstrcpynW(path + folder + 1, name, nameLength + 1);
  // Its own imports are looked for in the system folder too.
  return LoadLibraryExW(
      path, nullptr,
      SystemFolderSearchAvailable() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

UINT SystemDpi() {
  UINT dpi = 96;
  if (const ScopedDC screen(nullptr); screen) {
    dpi = static_cast<UINT>(GetDeviceCaps(screen.get(), LOGPIXELSY));
  }
  return dpi == 0 ? 96 : dpi;
}

UINT DpiForWindow(HWND hwnd) {
  static const auto forWindow = FromUser32<GetDpiForWindowFunction>("GetDpiForWindow");
  if (forWindow != nullptr) {
    if (const UINT dpi = forWindow(hwnd)) return dpi;
  }
  if (limit != ApiLevel::Vista) {
    // Windows 8.1: per-monitor, but only shcore says so.
    static const auto forMonitor =
        Lookup<GetDpiForMonitorFunction>(LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor");
    UINT x = 0;
    UINT y = 0;
    if (forMonitor != nullptr &&
        SUCCEEDED(
            forMonitor(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) &&
        y != 0) {
      return y;
    }
  }
  return SystemDpi();
}

int SystemMetricForDpi(int index, UINT dpi) {
  static const auto forDpi = FromUser32<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  if (forDpi != nullptr) return forDpi(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

void AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT dpi) {
  static const auto forDpi =
      FromUser32<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  if (forDpi != nullptr) {
    forDpi(rect, style, FALSE, exStyle, dpi);
  } else {
    // Before Windows 10 the frame and caption keep the system DPI on every monitor.
    AdjustWindowRectEx(rect, style, FALSE, exStyle);
  }
}

bool NonClientMetricsForDpi(NONCLIENTMETRICSW* metrics, UINT dpi) {
  static const auto forDpi =
      FromUser32<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
  if (forDpi != nullptr) {
    return forDpi(SPI_GETNONCLIENTMETRICS, metrics->cbSize, metrics, 0, dpi) != FALSE;
  }
  return SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics->cbSize, metrics, 0) != FALSE;
}

void AllowMessageFromElevated(HWND hwnd, UINT message) {
  // Windows 7 filters per window; Vista only per process.
  static const auto perWindow =
      limit == ApiLevel::Vista
          ? nullptr
          : Lookup<ChangeWindowMessageFilterExFunction>(GetModuleHandleW(L"user32.dll"),
                                                        "ChangeWindowMessageFilterEx");
  if (perWindow != nullptr) {
    perWindow(hwnd, message, kFilterAllow, nullptr);
  } else {
    ChangeWindowMessageFilter(message, MSGFLT_ADD);
  }
}

}  // namespace kiv::win32
