// The bare minimum of a mode toggle: read the wheel-scroll lines, write the other mode, stored in
// the profile and broadcast. The benchmark compares kiv.exe's start-to-write latency with this.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  UINT lines = 0;
  if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) return 1;
  // Page mode goes to three lines a notch (KIV's default count); any line count goes to page mode.
  const UINT target = lines == WHEEL_PAGESCROLL ? 3 : WHEEL_PAGESCROLL;
  return SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, target, NULL,
                               SPIF_UPDATEINIFILE | SPIF_SENDCHANGE)
             ? 0
             : 1;
}
