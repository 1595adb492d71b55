#include "Win32SystemSettings.h"

#include <windows.h>

namespace kiv::win32 {

namespace {

// Stored in the user profile and announced to every top-level window.
constexpr UINT kStoreAndBroadcast = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

// Windows 10's actions, past the Vista headers; older systems fail them, which reads as "not
// offered".
constexpr UINT kGetMouseWheelRouting = 0x201C;  // SPI_GETMOUSEWHEELROUTING
constexpr UINT kSetMouseWheelRouting = 0x201D;  // SPI_SETMOUSEWHEELROUTING

std::optional<std::int32_t> Read(UINT action) {
  INT value = 0;
  if (!SystemParametersInfoW(action, 0, &value, 0)) return std::nullopt;
  return value;
}

// Pointer speed and wheel routing travel in the pointer argument itself.
void WriteInPointer(UINT action, std::int32_t value) {
  SystemParametersInfoW(action, 0, reinterpret_cast<PVOID>(static_cast<INT_PTR>(value)),
                        kStoreAndBroadcast);
}

}  // namespace

std::optional<std::int32_t> Win32SystemSettings::ReadWheelScrollLines() {
  return Read(SPI_GETWHEELSCROLLLINES);
}

void Win32SystemSettings::WriteWheelScrollLines(std::int32_t lines) {
  // Page mode, -1, passes as WHEEL_PAGESCROLL (0xFFFFFFFF).
  SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, static_cast<UINT>(lines), nullptr,
                        kStoreAndBroadcast);
}

std::optional<std::int32_t> Win32SystemSettings::ReadPointerSpeed() {
  return Read(SPI_GETMOUSESPEED);
}

void Win32SystemSettings::WritePointerSpeed(std::int32_t speed) {
  WriteInPointer(SPI_SETMOUSESPEED, speed);
}

std::optional<std::int32_t> Win32SystemSettings::ReadWheelRouting() {
  return Read(kGetMouseWheelRouting);
}

void Win32SystemSettings::WriteWheelRouting(std::int32_t routing) {
  WriteInPointer(kSetMouseWheelRouting, routing);
}

}  // namespace kiv::win32
