#pragma once

#include <cstdint>

namespace kiv {

// The remembered position of the line list, kept in the settings file.
class LinePositionStore {
 public:
  virtual ~LinePositionStore() = default;
  // The stored position, or the default when the file, the entry or a valid value is missing.
  virtual std::int32_t Read() = 0;
  virtual void Save(std::int32_t position) = 0;
};

// 3 lines per notch.
inline constexpr std::int32_t kDefaultLinePosition = 2;

}  // namespace kiv
