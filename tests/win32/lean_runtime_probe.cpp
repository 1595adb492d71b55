// A program linked as kiv.exe is, with the C++ runtime's error hooks of LeanRuntime.cpp. The
// command line names a hook; the probe sets it off from the library code that calls it, inside the
// guard that every platform callback of KIV runs in, and exits with 0 once the error has been
// reported (2 for a name it does not know).
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ErrorReports.h"

namespace {

// Read at run time, so that the compiler sees neither the sizes nor the null pointer.
volatile std::size_t one = 1;
const char* volatile noText = nullptr;

using Element = std::uint64_t;

// Element counts beyond what std::allocator hands out: past its max_size() but with a byte count
// that still fits a size_t (std::__throw_bad_alloc), and with one that does not
// (std::__throw_bad_array_new_length).
void AllocateTooMuch() {
  std::allocator<Element> allocator;
  using Traits = std::allocator_traits<std::allocator<Element>>;
  Element* block = allocator.allocate(Traits::max_size(allocator) + one);
  allocator.deallocate(block, 1);
}
void AllocateBeyondAddressSpace() {
  std::allocator<Element> allocator;
  Element* block = allocator.allocate(SIZE_MAX / sizeof(Element) + one);
  allocator.deallocate(block, 1);
}

// std::__throw_length_error("vector::reserve").
void ReserveTooMuch() {
  std::vector<char> bytes;
  bytes.reserve(bytes.max_size() + one);
}

// std::__throw_logic_error("basic_string: construction from null is not valid").
void StringFromNull() {
  const std::string text(noText);
  OutputDebugStringA(text.c_str());
}

// std::__throw_out_of_range_fmt("basic_string::at: __n (which is %zu) >= ...", 4, 3).
void CharacterPastTheEnd() {
  const std::string text = "abc";
  OutputDebugStringA(&text.at(3 + one));
}

// std::__throw_bad_function_call().
void CallEmptyFunction() {
  std::function<void()> nothing;
  if (one != 0) nothing();
}

struct Hook {
  std::wstring_view name;
  void (*trigger)();
};

constexpr Hook kHooks[] = {
    {L"bad_alloc", AllocateTooMuch},
    {L"bad_array_new_length", AllocateBeyondAddressSpace},
    {L"length_error", ReserveTooMuch},
    {L"logic_error", StringFromNull},
    {L"out_of_range_fmt", CharacterPastTheEnd},
    {L"bad_function_call", CallEmptyFunction},
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  const std::wstring_view name(commandLine);
  for (const Hook& hook : kHooks) {
    if (hook.name == name) {
      kiv::win32::Guarded(hook.trigger);
      return 0;
    }
  }
  return 2;
}
