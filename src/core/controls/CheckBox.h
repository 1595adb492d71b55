#pragma once

#include <functional>

#include "controls/Control.h"

namespace kiv {

// A check box. Every change of its state, by the user or by code, runs OnClick; setting the state
// it already has runs nothing.
class CheckBox : public Control {
 public:
  using Control::Control;

  bool Checked() const { return checked_; }
  void SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    Changed();
    if (OnClick) OnClick();
  }
  void Click() { SetChecked(!checked_); }

  std::function<void()> OnClick;

 private:
  bool checked_ = false;
};

}  // namespace kiv
