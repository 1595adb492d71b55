#pragma once

#include "platform/SystemSettings.h"

namespace kiv::win32 {

// The mouse settings through SystemParametersInfoW.
class Win32SystemSettings : public SystemSettings {
 public:
  std::optional<std::int32_t> ReadWheelScrollLines() override;
  void WriteWheelScrollLines(std::int32_t lines) override;
  std::optional<std::int32_t> ReadPointerSpeed() override;
  void WritePointerSpeed(std::int32_t speed) override;
  std::optional<std::int32_t> ReadWheelRouting() override;
  void WriteWheelRouting(std::int32_t routing) override;
};

}  // namespace kiv::win32
