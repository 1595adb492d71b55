#include "controls/RadioButton.h"

namespace kiv {

void RadioButton::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Changed();
  if (!checked) return;
  if (partner_ != nullptr) partner_->SetChecked(false);
  if (OnClick) OnClick();
}

}  // namespace kiv
