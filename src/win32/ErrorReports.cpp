#include "ErrorReports.h"

#include <windows.h>

#include <exception>
#include <new>
#include <string_view>
#include <typeinfo>

#include "ErrorText.h"
#include "KivError.h"
#include "Nesting.h"
#include "WideText.h"

namespace kiv::win32 {

namespace {

// The message and type name of the exception being handled.
struct CurrentError {
  std::u16string message;
  std::u16string typeName;
};

// The unqualified class name from the compiler's mangled type name ("N3kiv8KivErrorE" → KivError),
// without pulling the whole demangler into the program.
std::u16string TypeName(const std::type_info& type) {
  const char* name = type.name();
  std::string_view last;
  for (const char* p = name; *p != '\0';) {
    if (*p < '0' || *p > '9') {
      ++p;
      continue;
    }
    std::size_t length = 0;
    while (*p >= '0' && *p <= '9') length = length * 10 + static_cast<std::size_t>(*p++ - '0');
    std::size_t available = 0;
    while (available < length && p[available] != '\0') ++available;
    last = std::string_view(p, available);
    p += available;
  }
  return Widen(last.empty() ? std::string_view(name) : last);
}

CurrentError DescribeCurrentException() {
  try {
    throw;
  } catch (const KivError& error) {
    return {error.Message(), TypeName(typeid(error))};
  } catch (const std::bad_alloc& error) {
    return {u"メモリが不足しています", TypeName(typeid(error))};
  } catch (const std::exception& error) {
    return {Widen(error.what()), TypeName(typeid(error))};
  } catch (...) {
    return {u"不明なエラー", u"Exception"};
  }
}

}  // namespace

void ShowGeneralErrorReport(const std::u16string& message) noexcept {
  const Nesting::Level box;
  try {
    const std::u16string text = GeneralErrorText(message);
    MessageBoxW(GetActiveWindow(), Wide(text), L"KIV", MB_OK | MB_ICONERROR);
  } catch (...) {
    // Out of memory while building the text: show what needs no allocation.
    MessageBoxW(GetActiveWindow(), L"メモリが不足しています.", L"KIV", MB_OK | MB_ICONERROR);
  }
}

void ReportCurrentException() noexcept {
  try {
    ShowGeneralErrorReport(DescribeCurrentException().message);
  } catch (...) {
    ShowGeneralErrorReport(u"");
  }
}

void ShowFatalErrorReportForCurrentException() noexcept {
  try {
    const CurrentError error = DescribeCurrentException();
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p != L'\0'; ++p) {
      if (*p == L'\\' || *p == L'/') name = p + 1;
    }
    // A C++ exception carries no address of its origin; the report names the module only.
    const std::u16string text = FatalErrorText(error.typeName, Utf16(name), 0, error.message);
    MessageBoxW(nullptr, Wide(text), L"アプリケーションエラー", MB_TASKMODAL | MB_ICONERROR);
  } catch (...) {
    MessageBoxW(nullptr, L"", L"アプリケーションエラー", MB_TASKMODAL | MB_ICONERROR);
  }
}

}  // namespace kiv::win32
