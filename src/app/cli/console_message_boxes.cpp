#include "app/cli/console_message_boxes.h"

namespace velmorra {

void TConsoleMessageBoxes::ShowMessage(TMessageBoxKind, const std::string& text) {
  any_shown_ = true;
  std::string line;
  line.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      continue;
    line += text[i];
  }
  out_ << line << '\n';
}

}  // namespace velmorra
