#pragma once

#include <functional>
#include <string>

#include "controls/Control.h"

namespace kiv {

// The notification-area icon: visibility, the image index into the tray images and the tooltip.
// Image and tooltip follow the mode even while the icon is hidden. A double-click with any button
// runs OnDblClick.
class NotifyIcon : public Control {
 public:
  // The shell shows at most this many characters of a tooltip.
  static constexpr std::size_t kMaxHint = 127;

  bool Visible() const { return visible_; }
  void SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    Changed();
  }

  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index) {
    if (imageIndex_ == index) return;
    imageIndex_ = index;
    Changed();
  }

  const std::u16string& Hint() const { return hint_; }
  void SetHint(std::u16string hint) {
    if (hint.size() > kMaxHint) hint.resize(kMaxHint);
    if (hint_ == hint) return;
    hint_ = std::move(hint);
    Changed();
  }

  void DblClick() {
    if (OnDblClick) OnDblClick();
  }
  std::function<void()> OnDblClick;

 private:
  bool visible_ = false;
  int imageIndex_ = 0;
  std::u16string hint_;
};

}  // namespace kiv
