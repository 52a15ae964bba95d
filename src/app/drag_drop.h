#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace velmorra {

// A point in client coordinates of the target window.
struct TPoint {
  int X = 0;
  int Y = 0;
};

// One drop as the platform hands it over, shaped after the shell's DragQueryFile, DragQueryPoint
// and DragFinish. Names are 8-bit text of the ANSI code page, full paths of files or folders.
class IDroppedFiles {
 public:
  virtual ~IDroppedFiles() = default;
  virtual unsigned Count() = 0;
  // The length in bytes of the name at `index`, its terminator not counted.
  virtual size_t NameLength(unsigned index) = 0;
  // Copies as much of the name at `index` as fits `buffer_size` bytes with a terminating NUL;
  // returns the number of bytes copied, the NUL not counted.
  virtual size_t ReadName(unsigned index, char* buffer, size_t buffer_size) = 0;
  virtual TPoint Point() = 0;
  // Releases the drop; called once, last.
  virtual void Finish() = 0;
};

// The window that takes drops, as the drop component needs it.
class IDropTargetWindow {
 public:
  virtual ~IDropTargetWindow() = default;
  // Registers (or unregisters) the window for dropped files.
  virtual void AcceptFiles(bool accept) = 0;
  // Puts the component's filter in front of the window's own event handling, or takes it away.
  virtual void InstallDropFilter() = 0;
  virtual void RemoveDropFilter() = 0;
};

// The window's file drop target: collects the names of each drop and hands them to OnDrop.
class TJvDragDrop {
 public:
  // Called once per drop. `Value` is the component's own list: valid only during the call.
  using TJvDropEvent =
      std::function<void(TJvDragDrop& Sender, TPoint Pos, const std::vector<std::string>& Value)>;

  TJvDragDrop() = default;
  // Takes the filter away from a target that is still there; the registration for dropped files
  // stays.
  ~TJvDragDrop();
  TJvDragDrop(const TJvDragDrop&) = delete;
  TJvDragDrop& operator=(const TJvDragDrop&) = delete;

  bool AcceptDrag() const { return accept_drag_; }
  void SetAcceptDrag(bool accept);
  IDropTargetWindow* DropTarget() const { return drop_target_; }
  // `target` must outlive the component or call TargetDestroyed when it goes.
  void SetDropTarget(IDropTargetWindow* target) { drop_target_ = target; }
  TJvDropEvent OnDrop;

  // Ends the set-up: with AcceptDrag and a target, registers the target for dropped files and
  // installs the filter, once.
  void Loaded();
  bool Hooked() const { return hooked_; }
  // The target window is going away: forget it.
  void TargetDestroyed();

  // Reads the names of `drop` in the platform's order, calls OnDrop when set, and releases the
  // drop, also when OnDrop throws.
  void HandleDrop(IDroppedFiles& drop);
  // The names of the latest drop.
  const std::vector<std::string>& Files() const { return files_; }

 private:
  bool accept_drag_ = true;
  IDropTargetWindow* drop_target_ = nullptr;
  bool loaded_ = false;
  bool hooked_ = false;
  std::vector<std::string> files_;
};

}  // namespace velmorra
