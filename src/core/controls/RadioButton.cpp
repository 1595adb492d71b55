#include "controls/RadioButton.h"

namespace kiv {

void RadioButton::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Changed();
  if (checked && partner_ != nullptr) partner_->SetChecked(false);
}

void RadioButton::Click() {
  if (checked_) return;
  SetChecked(true);
  if (OnClick) OnClick();
}

}  // namespace kiv
