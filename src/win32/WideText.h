#pragma once

#include <string>
#include <string_view>

namespace kiv::win32 {

// The program's strings are UTF-16 and so are the system's wide strings: the two character types
// only differ in name on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string_view Utf16(const wchar_t* text) {
  return reinterpret_cast<const char16_t*>(text);
}

inline std::u16string_view Utf16(const wchar_t* text, std::size_t length) {
  return {reinterpret_cast<const char16_t*>(text), length};
}

}  // namespace kiv::win32
