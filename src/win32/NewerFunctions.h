#pragma once

#include <windows.h>

namespace kiv::win32 {

// The program runs on Windows Vista and later but compiles against Vista's API only. What it wants
// of later systems (per-monitor DPI, the per-window message filter, the safe library search) is
// looked up here at run time, from system DLLs, each with the older way as its fallback:
//   Windows 10 1607 and later: the per-monitor functions of user32;
//   Windows 8.1: the monitor's DPI from shcore, the rest at the system DPI;
//   Windows Vista to 8: the system DPI of the screen.

// Sent from Windows 8.1 on when the window moves to a monitor of another DPI (WM_DPICHANGED):
// wParam holds the new DPI, lParam the suggested window rectangle.
inline constexpr UINT kDpiChangedMessage = 0x02E0;

// How much of the newer API the lookups may find. A test narrows it, before the first call into
// this file, to see the program as an older system runs it.
enum class ApiLevel { Vista, Windows81, Latest };
void LimitApiLevel(ApiLevel level);

// Loads a DLL from the system folder only, by its full path, never from the program's folder or
// the current one.
HMODULE LoadSystemLibrary(const wchar_t* name);
// Whether LoadLibraryExW takes LOAD_LIBRARY_SEARCH_SYSTEM32 (Windows 8, or Vista and 7 with
// KB2533623).
bool SystemFolderSearchAvailable();

// The system DPI: what a system-aware program is scaled for.
UINT SystemDpi();
// The DPI of the monitor the window is on, as far as the system tells it.
UINT DpiForWindow(HWND hwnd);
int SystemMetricForDpi(int index, UINT dpi);
// The outer rectangle for a client rectangle.
void AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT dpi);
bool NonClientMetricsForDpi(NONCLIENTMETRICSW* metrics, UINT dpi);

// Lets the message reach the window from processes of a higher integrity level (an elevated
// shell); on Vista the whole process lets it through.
void AllowMessageFromElevated(HWND hwnd, UINT message);

}  // namespace kiv::win32
