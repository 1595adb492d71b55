#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controls/Control.h"

namespace kiv {

// A choose-only drop-down list. Positions are 0-based; -1 is no selection. Selecting from code
// never runs OnChange; a choice made by the user always does.
class ComboBox : public Control {
 public:
  using Control::Control;

  // Replaces the entries with the plain decimal numbers 1..count.
  void FillWithNumbers(int count);
  const std::vector<std::u16string>& Items() const { return items_; }

  int ItemIndex() const { return itemIndex_; }
  // A position outside the list leaves it without a selection.
  void SetItemIndex(int position);
  void UserSelect(int position) {
    SetItemIndex(position);
    if (OnChange) OnChange();
  }

  std::function<void()> OnChange;

 private:
  std::vector<std::u16string> items_;
  int itemIndex_ = -1;
};

}  // namespace kiv
