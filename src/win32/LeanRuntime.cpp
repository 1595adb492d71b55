// Replacements for the C++ runtime's error hooks, linked into kiv.exe ahead of the runtime's own.
// The runtime keeps all of its hooks in one object that also drags in a second string library,
// a random-number device and a demangler, more than half of the program's code. These do the same
// job with the program's own error type, which every platform callback catches and reports.
#include <cstdlib>
#include <new>

#include "ErrorText.h"
#include "KivError.h"

namespace std {

[[noreturn]] void __throw_bad_alloc() { throw std::bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
[[noreturn]] void __throw_length_error(const char* what) { throw kiv::KivError(kiv::Widen(what)); }
[[noreturn]] void __throw_logic_error(const char* what) { throw kiv::KivError(kiv::Widen(what)); }
[[noreturn]] void __throw_out_of_range_fmt(const char* format, ...) {
  throw kiv::KivError(kiv::Widen(format));
}
[[noreturn]] void __throw_bad_function_call() { throw kiv::KivError(u"bad_function_call"); }

}  // namespace std

namespace __gnu_cxx {

// Reached only when an error escapes everything. The default writes the demangled type name to a
// console that a GUI program does not have.
void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
