#pragma once

#include <functional>

#include "controls/Control.h"

namespace kiv {

// A radio button of a two-button frame. Checking it, by a click or by code, unchecks its partner
// and then runs OnClick; unchecking it, or checking it again, runs nothing.
class RadioButton : public Control {
 public:
  using Control::Control;

  void PairWith(RadioButton& partner) {
    partner_ = &partner;
    partner.partner_ = this;
  }

  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  void Click() { SetChecked(true); }

  std::function<void()> OnClick;

 private:
  bool checked_ = false;
  RadioButton* partner_ = nullptr;
};

}  // namespace kiv
