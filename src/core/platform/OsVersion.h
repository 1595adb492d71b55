#pragma once

#include <cstdint>

namespace kiv {

// The version query: the major version number the system reports to this program.
class OsVersion {
 public:
  virtual ~OsVersion() = default;
  virtual std::uint32_t MajorVersion() = 0;
};

}  // namespace kiv
