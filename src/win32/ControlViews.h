#pragma once

#include <windows.h>

#include "controls/CheckBox.h"
#include "controls/ComboBox.h"
#include "controls/Control.h"
#include "controls/RadioButton.h"

namespace kiv::win32 {

// Mirrors a control model on its real child window.
class WindowView : public ControlView {
 public:
  WindowView(HWND hwnd, Control& model) : hwnd_(hwnd), model_(model) { model_.AttachView(this); }
  ~WindowView() override { model_.AttachView(nullptr); }
  WindowView(const WindowView&) = delete;
  WindowView& operator=(const WindowView&) = delete;

  HWND Handle() const { return hwnd_; }
  void StateChanged() override { EnableWindow(hwnd_, model_.Enabled()); }

 protected:
  HWND hwnd_;
  Control& model_;
};

// A radio button is a tab stop only while it is checked, so Tab reaches only the chosen one.
class RadioButtonView : public WindowView {
 public:
  RadioButtonView(HWND hwnd, RadioButton& model) : WindowView(hwnd, model), radio_(model) {}
  void StateChanged() override;

 private:
  RadioButton& radio_;
};

class CheckBoxView : public WindowView {
 public:
  CheckBoxView(HWND hwnd, CheckBox& model) : WindowView(hwnd, model), check_(model) {}
  void StateChanged() override;

 private:
  CheckBox& check_;
};

class ComboBoxView : public WindowView {
 public:
  ComboBoxView(HWND hwnd, ComboBox& model) : WindowView(hwnd, model), combo_(model) {}
  void StateChanged() override;

 private:
  ComboBox& combo_;
};

}  // namespace kiv::win32
