#pragma once

#include <QWidget>

#include "platform/message_box.h"

namespace velmorra {

// `text` with a zero-width space into every run of more than 40 characters without a space: a
// message box wraps only where there is room to, and a long path or phone text would stretch it
// to the screen's width.
QString WrappableText(const QString& text);

// Modal message boxes with one OK button, over `parent` (which may still be hidden); a long word
// is wrapped.
class TQtMessageBoxes : public IMessageBoxes {
 public:
  explicit TQtMessageBoxes(QWidget* parent) : parent_(parent) {}
  void ShowMessage(TMessageBoxKind kind, const std::string& text) override;

 private:
  QWidget* parent_;
};

}  // namespace velmorra
