#include "controls/ComboBox.h"

#include <string>

namespace kiv {

void ComboBox::FillWithNumbers(int count) {
  items_.clear();
  items_.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int n = 1; n <= count; ++n) {
    const std::string digits = std::to_string(n);
    items_.emplace_back(digits.begin(), digits.end());
  }
  itemIndex_ = -1;
  Changed();
}

void ComboBox::SetItemIndex(int position) {
  const bool inside = position >= 0 && position < static_cast<int>(items_.size());
  const int index = inside ? position : -1;
  if (itemIndex_ == index) return;
  itemIndex_ = index;
  Changed();
}

}  // namespace kiv
