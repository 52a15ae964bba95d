#pragma once

#include <QWidget>

#include "platform/message_box.h"

namespace velmorra {

// Modal message boxes with one OK button, over `parent` (which may still be hidden).
class TQtMessageBoxes : public IMessageBoxes {
 public:
  explicit TQtMessageBoxes(QWidget* parent) : parent_(parent) {}
  void ShowMessage(TMessageBoxKind kind, const std::string& text) override;

 private:
  QWidget* parent_;
};

}  // namespace velmorra
