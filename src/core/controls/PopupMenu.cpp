#include "controls/PopupMenu.h"

namespace kiv {

void MenuItem::SetChecked(bool checked) {
  SetMark(checked);
  if (checked && RadioItem() && menu_ != nullptr) menu_->ClearRadioGroup(*this);
}

void PopupMenu::ClearRadioGroup(const MenuItem& except) {
  for (MenuItem* other : items_) {
    if (other != &except && other->RadioItem() && other->GroupIndex() == except.GroupIndex()) {
      other->SetMark(false);
    }
  }
}

void PopupMenu::Choose(MenuItem& item) {
  if (!item.Enabled() || item.IsSeparator()) return;
  if (item.AutoCheck()) item.SetChecked(!item.Checked());
  if (item.OnClick) item.OnClick();
}

}  // namespace kiv
