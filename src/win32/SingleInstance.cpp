#include "SingleInstance.h"

namespace kiv::win32 {

SingleInstance::SingleInstance(const wchar_t* name) {
  // Opening comes first, so that a running instance is found without creating anything. Creating
  // the mutex and finding that it already existed also counts, so that two starts at the same
  // moment cannot both run.
  if (HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name)) {
    CloseHandle(existing);
    anotherRuns_ = true;
    return;
  }
  mutex_ = createMutex(nullptr, FALSE, name);
  if (mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex_);
    mutex_ = nullptr;
    anotherRuns_ = true;
  }
}

SingleInstance::~SingleInstance() {
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

}  // namespace kiv::win32
