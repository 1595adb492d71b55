#pragma once

#include <string>

namespace kiv {

// What a real widget implements to follow the state of its control model.
class ControlView {
 public:
  virtual ~ControlView() = default;
  virtual void StateChanged() = 0;
};

// State shared by every control of the window: caption and enabled state. The models hold the
// user's choices and run the notifications; a view, when attached, mirrors them on screen.
class Control {
 public:
  explicit Control(std::u16string caption = {}) : caption_(std::move(caption)) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::u16string& Caption() const { return caption_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Changed();
  }

  void AttachView(ControlView* view) { view_ = view; }

 protected:
  void Changed() {
    if (view_ != nullptr) view_->StateChanged();
  }

 private:
  std::u16string caption_;
  bool enabled_ = true;
  ControlView* view_ = nullptr;
};

// A frame around a group of controls; only its enabled state matters to the logic.
class GroupBox : public Control {
 public:
  using Control::Control;
};

}  // namespace kiv
