#pragma once

#include "platform/OsVersion.h"
#include "platform/SystemSettings.h"
#include "platform/WaitCursor.h"

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

// GetVersionExW, which reports 10 only to programs whose manifest declares Windows 10.
class Win32OsVersion : public OsVersion {
 public:
  std::uint32_t MajorVersion() override;
};

// The system wait cursor for the whole application.
class Win32WaitCursor : public WaitCursor {
 public:
  void Show() override;
  void Restore() override;
};

}  // namespace kiv::win32
