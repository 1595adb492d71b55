#pragma once

#include "platform/WaitCursor.h"

namespace kiv::win32 {

// The system wait cursor for the whole application.
class Win32WaitCursor : public WaitCursor {
 public:
  void Show() override;
  void Restore() override;
};

}  // namespace kiv::win32
