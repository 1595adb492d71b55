#include "General.h"

namespace kiv {

bool IsWindows10(OsVersion& os) { return os.MajorVersion() == 10; }

}  // namespace kiv
