#pragma once

#include "platform/OsVersion.h"

namespace kiv::win32 {

// GetVersionExW, which reports 10 only to programs whose manifest declares Windows 10.
class Win32OsVersion : public OsVersion {
 public:
  std::uint32_t MajorVersion() override;
};

}  // namespace kiv::win32
