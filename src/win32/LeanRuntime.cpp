// Replacements for the C++ runtime's error hooks, linked into kiv.exe ahead of the runtime's own.
//
// They are here for size. The runtime keeps its throwing hooks in one object (functexcept.o; the
// empty std::function's in functional.o) that brings in every standard exception class, and with
// them a second, copy-on-write string library that in turn brings a random-number device; its
// terminate handler (vterminate.o) brings the demangler. Built without this file, kiv.exe is
// 264,704 bytes instead of 138,240, far past its budget of 160 KiB.
//
// What each one does now:
//   __throw_bad_alloc, __throw_bad_array_new_length
//       throw std::bad_alloc and std::bad_array_new_length, as the runtime's do;
//   __throw_length_error, __throw_logic_error
//       throw KivError with the runtime's message (e.g. "vector::reserve");
//   __throw_out_of_range_fmt
//       throws KivError with the message's format as it stands, its numbers not filled in;
//   __throw_bad_function_call
//       throws KivError("bad_function_call");
//   __verbose_terminate_handler
//       aborts without a word (below).
// The errors thrown reach the guard of the platform callback they happened in (Guarded in
// ErrorReports.h), which shows the general error report; tests/win32/lean_runtime_tests.cpp sets
// off each of them in a program linked as kiv.exe is and reads the report.
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
