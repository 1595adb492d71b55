#pragma once

#include <string>

namespace kiv::win32 {

// The general error report: the message under the caption "KIV" with the stop icon, owned by
// the thread's active window. The program goes on afterwards.
void ShowGeneralErrorReport(const std::u16string& message) noexcept;

// Reports the exception being handled through the general error report. Call only inside a
// catch block.
void ReportCurrentException() noexcept;

// The fatal error report for an error that reached the program entry; task-modal, no owner.
// Call only inside a catch block.
void ShowFatalErrorReportForCurrentException() noexcept;

// Runs code that the platform called (a window procedure, a timer, a callback): no C++ exception
// may unwind through the platform's frames, so whatever escapes is reported here.
template <typename F>
void Guarded(F&& code) noexcept {
  try {
    code();
  } catch (...) {
    ReportCurrentException();
  }
}

}  // namespace kiv::win32
