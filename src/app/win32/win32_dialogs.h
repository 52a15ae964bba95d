#pragma once

#include <windows.h>

#include <string>

#include "app/controls.h"
#include "platform/message_box.h"

namespace velmorra {

// MessageBoxW with one OK button, "Error" or "Warning" with its icon, owned by `owner` (the main
// window, also while it is still hidden). `owner` must outlive it.
class TWin32MessageBoxes : public IMessageBoxes {
 public:
  explicit TWin32MessageBoxes(HWND owner) : owner_(owner) {}
  void ShowMessage(TMessageBoxKind kind, const std::string& text) override;

 private:
  HWND owner_;
};

// The open dialog for a datastore file (GetOpenFileNameW): "Nokia Ovi Database", filter
// "Nokia Ovi Db" (*.db3), default extension db3, one file, no read-only box, resizable. It starts
// from the last file chosen in it and is never filled from elsewhere.
class TWin32OpenDialog : public IOpenDialog {
 public:
  explicit TWin32OpenDialog(HWND owner) : owner_(owner) {}
  bool Execute() override;
  std::string FileName() const override { return file_name_; }

 private:
  HWND owner_;
  std::wstring last_name_;
  std::string file_name_;
};

}  // namespace velmorra
