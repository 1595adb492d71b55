#include "Win32OsVersion.h"

#include <windows.h>

namespace kiv::win32 {

std::uint32_t Win32OsVersion::MajorVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  static_assert(sizeof(OSVERSIONINFOW) == 276);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&info);
#pragma GCC diagnostic pop
  return info.dwMajorVersion;
}

}  // namespace kiv::win32
