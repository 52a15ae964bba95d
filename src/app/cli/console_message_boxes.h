#pragma once

#include <ostream>
#include <string>

#include "platform/message_box.h"

namespace velmorra {

// Message boxes of the command-line tool: each message is written to `out` as one plain line
// (a "\r\n" inside it becomes a line break), with no caption. Remembers whether anything was shown,
// which is how a command knows that it failed.
class TConsoleMessageBoxes : public IMessageBoxes {
 public:
  explicit TConsoleMessageBoxes(std::ostream& out) : out_(out) {}

  void ShowMessage(TMessageBoxKind kind, const std::string& text) override;
  bool AnyShown() const { return any_shown_; }

 private:
  std::ostream& out_;
  bool any_shown_ = false;
};

}  // namespace velmorra
