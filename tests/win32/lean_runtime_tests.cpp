// The C++ runtime's error hooks that kiv.exe replaces (LeanRuntime.cpp): each one, set off from the
// library code that calls it in a program linked as kiv.exe is, still ends in the general error
// report, and the program goes on.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "WineHelpers.h"

namespace kiv::test {
namespace {

using namespace std::chrono_literals;

struct HookCase {
  const wchar_t* hook;  // the probe's name for it
  const wchar_t* text;  // what the report says
};

std::ostream& operator<<(std::ostream& out, const HookCase& c) { return out << WideToUtf8(c.hook); }

// Out of memory is reported in the program's words; the other errors by the runtime's message,
// which for the out-of-range error is its format, not filled in.
const HookCase kHookCases[] = {
    {L"bad_alloc", L"メモリが不足しています."},
    {L"bad_array_new_length", L"メモリが不足しています."},
    {L"length_error", L"vector::reserve."},
    {L"logic_error", L"basic_string: construction from null is not valid."},
    {L"out_of_range_fmt", L"basic_string::at: __n (which is %zu) >= this->size() (which is %zu)"},
    {L"bad_function_call", L"bad_function_call."},
};

class LeanRuntimeTest : public ::testing::TestWithParam<HookCase> {};

TEST_P(LeanRuntimeTest, HookEndsInTheGeneralErrorReport) {
  const HookCase& c = GetParam();
  ChildProcess probe(TestBinFolder() + L"\\lean_runtime_probe.exe", c.hook);
  ASSERT_TRUE(probe.Started());

  const RunOutcome outcome = WaitForExitDismissingBoxes(probe, 20s);
  ASSERT_EQ(outcome.boxes.size(), 1u) << "the error was not reported once";
  EXPECT_EQ(outcome.boxes[0].caption, L"KIV");
  EXPECT_EQ(outcome.boxes[0].text, c.text) << WideToUtf8(outcome.boxes[0].text);
  EXPECT_EQ(outcome.exitCode, 0u) << "the probe did not go on after the report";
}

INSTANTIATE_TEST_SUITE_P(Hooks, LeanRuntimeTest, ::testing::ValuesIn(kHookCases),
                         [](const auto& info) { return WideToUtf8(info.param.hook); });

TEST(LeanRuntimeProbeTest, UnknownHookNameIsRefused) {
  ChildProcess probe(TestBinFolder() + L"\\lean_runtime_probe.exe", L"no_such_hook");
  ASSERT_TRUE(probe.Started());
  const RunOutcome outcome = WaitForExitDismissingBoxes(probe, 20s);
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_EQ(outcome.exitCode, 2u);
}

}  // namespace
}  // namespace kiv::test
