#pragma once

#include <cstdint>
#include <optional>

namespace kiv {

// The three system-wide mouse settings, as the operating system's settings service holds them.
// A read yields no value when the system call fails. Writes store the value in the user profile
// and broadcast the change; they report nothing.
class SystemSettings {
 public:
  virtual ~SystemSettings() = default;

  // Lines per wheel notch; kPageScroll means one screen per notch.
  virtual std::optional<std::int32_t> ReadWheelScrollLines() = 0;
  virtual void WriteWheelScrollLines(std::int32_t lines) = 0;

  // Pointer speed step, 1..20.
  virtual std::optional<std::int32_t> ReadPointerSpeed() = 0;
  virtual void WritePointerSpeed(std::int32_t speed) = 0;

  // Wheel routing: 0 focus, 1 hybrid, 2 window under the pointer.
  virtual std::optional<std::int32_t> ReadWheelRouting() = 0;
  virtual void WriteWheelRouting(std::int32_t routing) = 0;
};

// WHEEL_PAGESCROLL (0xFFFFFFFF) as a signed value.
inline constexpr std::int32_t kPageScroll = -1;

// Wheel routing values that KIV produces.
inline constexpr std::int32_t kRoutingFocus = 0;
inline constexpr std::int32_t kRoutingMousePos = 2;

}  // namespace kiv
