#pragma once

#include "platform/OsVersion.h"

namespace kiv {

// True exactly when the system reports major version 10 (Windows 10 and 11).
bool IsWindows10(OsVersion& os);

}  // namespace kiv
