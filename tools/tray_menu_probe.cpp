// Opens KIV's tray menu as a right-click on its icon would, at the given screen point, so that a
// screenshot can show it: tray_menu_probe.exe X Y
// tools/screenshots.sh builds it (cmake --build --preset windows --target tray_menu_probe) and
// runs it under Wine while "kiv.exe /t" runs: wine build/windows/tools/tray_menu_probe.exe 40 60
#include <windows.h>

#include <cwchar>

#include "TrayIcon.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
  int x = 0;
  int y = 0;
  if (std::swscanf(arguments, L"%d %d", &x, &y) != 2) return 2;
  const HWND tray = FindWindowW(kiv::win32::TrayIcon::kWindowClass, nullptr);
  if (tray == nullptr) return 1;
  PostMessageW(tray, kiv::win32::TrayIcon::kCallbackMessage, MAKEWPARAM(x, y),
               MAKELPARAM(WM_CONTEXTMENU, kiv::win32::TrayIcon::kIconId));
  return 0;
}
