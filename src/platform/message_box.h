#pragma once

#include <string>

namespace velmorra {

enum class TMessageBoxKind {
  Error,    // caption "Error", error icon
  Warning,  // caption "Warning", warning icon
};

// Modal message boxes with one "OK" button. The window realises them with its toolkit (Qt on
// Linux, MessageBoxA on Windows); the command-line tool writes them to standard error; tests
// record them.
class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  // Shows `text` (8-bit text of the ANSI code page; "\r\n" breaks a line) and returns when the
  // user has dismissed it.
  virtual void ShowMessage(TMessageBoxKind kind, const std::string& text) = 0;
};

}  // namespace velmorra
