#pragma once

#include <string>
#include <utility>
#include <vector>

#include "export/phone_list.h"
#include "platform/message_box.h"

namespace velmorra::testing {

// Records every message box instead of showing it.
class TRecordingMessageBoxes : public IMessageBoxes {
 public:
  void ShowMessage(TMessageBoxKind kind, const std::string& text) override {
    Shown.emplace_back(kind, text);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& [kind, text] : Shown)
      texts.push_back(text);
    return texts;
  }

  std::vector<std::pair<TMessageBoxKind, std::string>> Shown;
};

// A phone list that only holds items and a selection, as a combo box restricted to selection does.
class TFakePhoneList : public IPhoneList {
 public:
  TFakePhoneList() = default;
  TFakePhoneList(std::vector<std::string> items, int index)
      : Items(std::move(items)), Index(index) {}

  void Clear() override {
    Items.clear();
    Index = -1;
  }
  void AddItem(const std::string& caption) override { Items.push_back(caption); }
  void SetItemIndex(int index) override { Index = index; }
  int ItemIndex() const override { return Index; }
  int ItemCount() const override { return static_cast<int>(Items.size()); }
  std::string Item(int index) const override {
    return index >= 0 && index < ItemCount() ? Items[static_cast<size_t>(index)] : std::string();
  }
  std::string Text() const override { return Item(Index); }

  std::vector<std::string> Items;
  int Index = -1;
};

}  // namespace velmorra::testing
