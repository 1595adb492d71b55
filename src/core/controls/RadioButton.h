#pragma once

#include <functional>

#include "controls/Control.h"

namespace kiv {

// A radio button of a two-button frame. Checking it unchecks its partner. A click that checks it
// then runs OnClick; setting the state from code never does, nor does clicking the checked one.
class RadioButton : public Control {
 public:
  using Control::Control;

  void PairWith(RadioButton& partner) {
    partner_ = &partner;
    partner.partner_ = this;
  }

  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  void Click();

  std::function<void()> OnClick;

 private:
  bool checked_ = false;
  RadioButton* partner_ = nullptr;
};

}  // namespace kiv
