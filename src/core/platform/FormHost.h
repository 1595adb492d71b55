#pragma once

#include <string>

namespace kiv {

// What the form logic asks of the real window, which implements this; the logic holds no other
// way back to it.
class FormHost {
 public:
  virtual ~FormHost() = default;
  virtual void ShowForm() = 0;   // make visible and bring to the top
  virtual void HideForm() = 0;   // make invisible, nothing else
  virtual void CloseForm() = 0;  // the one close path: close query, then the program ends
  virtual void UseMenuFontFace() = 0;
  virtual void ShowCommandLineError() = 0;                      // modal, no visible owner
  virtual void ReportError(const std::u16string& message) = 0;  // the general error report
};

}  // namespace kiv
