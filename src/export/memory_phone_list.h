#pragma once

#include <string>
#include <vector>

#include "export/phone_list.h"

namespace velmorra {

// A phone list that only holds its items and selection, for callers without a window (the
// command line) or away from it (the window's work thread).
class TMemoryPhoneList : public IPhoneList {
 public:
  void Clear() override;
  void AddItem(const std::string& caption) override { items_.push_back(caption); }
  void SetItemIndex(int index) override { item_index_ = index; }
  int ItemIndex() const override { return item_index_; }
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  // The caption of item `index`; empty when there is no such item.
  std::string Item(int index) const override;
  std::string Text() const override { return Item(item_index_); }

 private:
  std::vector<std::string> items_;
  int item_index_ = -1;
};

}  // namespace velmorra
