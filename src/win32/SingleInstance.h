#pragma once

#include <windows.h>

namespace kiv::win32 {

// KIV's mark. The installer looks for it too, to close a running KIV first.
inline constexpr wchar_t kKivInstanceName[] = L"KIV/Brackenhall";

// The mark of a running instance in this logon session: a named mutex that this run holds open
// for its whole life. It is never waited on; only its existence counts.
class SingleInstance {
 public:
  // The create step; a test puts another start in between the two steps.
  static inline HANDLE(WINAPI* createMutex)(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) = CreateMutexW;

  explicit SingleInstance(const wchar_t* name);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when another run already holds the mark; this one then holds nothing.
  bool AnotherRuns() const { return anotherRuns_; }

 private:
  HANDLE mutex_ = nullptr;
  bool anotherRuns_ = false;
};

}  // namespace kiv::win32
