// The single-instance mark, with another start slipped in between its two steps: the race that
// simultaneous starts under Wine are too slow to hit.
#include <windows.h>

#include <gtest/gtest.h>

#include "SingleInstance.h"

namespace kiv::test {
namespace {

using win32::SingleInstance;

constexpr wchar_t kName[] = L"KIV/Brackenhall/test";

// The other start: it creates the mutex after this start's open step has found none.
HANDLE otherStart = nullptr;

HANDLE WINAPI CreateAfterAnotherStart(LPSECURITY_ATTRIBUTES attributes, BOOL owned, LPCWSTR name) {
  otherStart = CreateMutexW(nullptr, FALSE, name);
  return CreateMutexW(attributes, owned, name);
}

bool NameExists() {
  const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kName);
  if (mutex == nullptr) return false;
  CloseHandle(mutex);
  return true;
}

TEST(SingleInstanceTest, AStartThatFindsTheNameCreatedBetweenItsTwoStepsEnds) {
  SingleInstance::createMutex = CreateAfterAnotherStart;
  {
    const SingleInstance late(kName);
    SingleInstance::createMutex = CreateMutexW;
    ASSERT_NE(otherStart, nullptr);
    EXPECT_TRUE(late.AnotherRuns()) << "both starts would run";
  }
  // The late start holds nothing: the name goes with the other start.
  EXPECT_TRUE(NameExists());
  CloseHandle(otherStart);
  EXPECT_FALSE(NameExists());
}

TEST(SingleInstanceTest, TheFirstStartHoldsTheNameForItsLifeAndASecondOneEnds) {
  {
    const SingleInstance first(kName);
    EXPECT_FALSE(first.AnotherRuns());
    EXPECT_TRUE(NameExists());
    const SingleInstance second(kName);
    EXPECT_TRUE(second.AnotherRuns());
    EXPECT_TRUE(NameExists());
  }
  EXPECT_FALSE(NameExists());
  const SingleInstance next(kName);
  EXPECT_FALSE(next.AnotherRuns());
}

}  // namespace
}  // namespace kiv::test
