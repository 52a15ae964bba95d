#pragma once

#include <windows.h>
// after windows.h, which it builds on
#include <shellapi.h>

#include <string>

#include "app/drag_drop.h"

namespace velmorra {

// One shell drop (WM_DROPFILES) as the drop component reads it. Names come from DragQueryFileW
// as UTF-8, whatever their length.
class TWin32DroppedFiles : public IDroppedFiles {
 public:
  explicit TWin32DroppedFiles(HDROP drop) : drop_(drop) {}
  unsigned Count() override;
  size_t NameLength(unsigned index) override { return Name(index).size(); }
  size_t ReadName(unsigned index, char* buffer, size_t buffer_size) override;
  TPoint Point() override;
  void Finish() override { DragFinish(drop_); }

 private:
  std::string Name(unsigned index);

  HDROP drop_;
};

// The Win32 side of a TJvDragDrop: DragAcceptFiles for the window, and a filter flag that the
// window procedure asks before it hands WM_DROPFILES to the component. `window` must outlive it.
class TWin32DropTarget : public IDropTargetWindow {
 public:
  explicit TWin32DropTarget(HWND window) : window_(window) {}
  void AcceptFiles(bool accept) override { DragAcceptFiles(window_, accept ? TRUE : FALSE); }
  void InstallDropFilter() override { filtering_ = true; }
  void RemoveDropFilter() override { filtering_ = false; }
  bool Filtering() const { return filtering_; }

 private:
  HWND window_;
  bool filtering_ = false;
};

}  // namespace velmorra
