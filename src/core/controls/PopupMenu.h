#pragma once

#include <forward_list>
#include <functional>
#include <string>
#include <vector>

#include "controls/Control.h"

namespace kiv {

class PopupMenu;

// One item of a popup menu. A separator has the caption "-".
class MenuItem : public Control {
 public:
  struct Style {
    bool autoCheck = false;
    bool radioItem = false;
    int groupIndex = 1;
  };

  MenuItem(std::u16string caption, Style style) : Control(std::move(caption)), style_(style) {}

  bool IsSeparator() const { return Caption() == u"-"; }
  bool AutoCheck() const { return style_.autoCheck; }
  bool RadioItem() const { return style_.radioItem; }
  int GroupIndex() const { return style_.groupIndex; }

  bool Checked() const { return checked_; }
  // Setting the mark from code never runs OnClick; marking a radio item clears its group.
  void SetChecked(bool checked);

  std::function<void()> OnClick;

 private:
  friend class PopupMenu;
  void SetMark(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    Changed();
  }

  Style style_;
  bool checked_ = false;
  PopupMenu* menu_ = nullptr;
};

// The context menu: its items in order, and the rule for choosing one.
class PopupMenu {
 public:
  void Add(MenuItem& item) {
    item.menu_ = this;
    items_.push_back(&item);
  }
  // A line between items; the menu owns it, since nothing ever refers to it.
  void AddSeparator() { Add(separators_.emplace_front(u"-", MenuItem::Style{})); }
  const std::vector<MenuItem*>& Items() const { return items_; }

  // The user chose the item: a disabled one does nothing; an auto-check item flips its own mark
  // first (a radio item that gains it takes it from its group); then the item's handler runs.
  void Choose(MenuItem& item);

 private:
  friend class MenuItem;
  void ClearRadioGroup(const MenuItem& except);

  std::vector<MenuItem*> items_;
  std::forward_list<MenuItem> separators_;
};

}  // namespace kiv
