// Exits with the major version that the OS probe sees in a process of its own.
#include <windows.h>

#include "Win32OsVersion.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  kiv::win32::Win32OsVersion os;
  return static_cast<int>(os.MajorVersion());
}
