#pragma once

#include <functional>
#include <string>

namespace velmorra {

// The few things the window's logic asks of its controls, so that one logic drives any toolkit.
// Texts are 8-bit text of the ANSI code page. Changes made through these interfaces raise no
// change events.

// A control that can be shown and hidden.
class IControlVisibility {
 public:
  virtual ~IControlVisibility() = default;
  // The control's own visibility switch: true for a shown control of a window not yet on screen.
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
};

// A single-line edit box. Text gives back the bytes last set, also bytes that are not UTF-8 (a
// path on Linux), for as long as the user has not changed the text.
class IEditBox : public IControlVisibility {
 public:
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
};

// A drop-down list whose items each carry an integer beside their caption, and a tooltip.
class IItemComboBox : public IControlVisibility {
 public:
  virtual void AddItem(const std::string& caption, int data, const std::string& tooltip) = 0;
  virtual int ItemCount() const = 0;
  virtual std::string Item(int index) const = 0;
  // The integer carried by the item at `index`; `index` must be in range.
  virtual int ItemData(int index) const = 0;
  // The selected item, -1 when none.
  virtual int ItemIndex() const = 0;
  virtual void SetItemIndex(int index) = 0;
};

// The modal open-file dialog.
class IOpenDialog {
 public:
  virtual ~IOpenDialog() = default;
  // Runs the dialog; true when the user confirmed a file.
  virtual bool Execute() = 0;
  // The full name of the file last confirmed; empty before the first confirmation.
  virtual std::string FileName() const = 0;
};

// The work the window has under way, which decides what the user may start meanwhile.
enum class TWorkState {
  Idle,
  // Phones are read: the datastore row and the phone list are disabled; Convert stays enabled,
  // and converts once the phones are read.
  ReadingPhones,
  // A backup is written: Convert is disabled too.
  Converting,
};

// The window itself, as its handlers need it.
class IFormWindow {
 public:
  virtual ~IFormWindow() = default;
  // Closes the window, which ends the program; returns at once.
  virtual void Close() = 0;
  // Enables and disables the controls as `state` says; while work is under way the pointer shows
  // that the program works. The window still paints, moves and closes meanwhile.
  virtual void ShowWorkState(TWorkState state) = 0;
  // Puts `text` in the window's one-line notice (Label2), with `tooltip` over it.
  virtual void ShowNotice(const std::string& text, const std::string& tooltip) = 0;
  // Runs `task` on the window's thread soon, after what that thread is doing now. May be called
  // from any thread; tasks run in the order posted, and those still waiting when the window is
  // destroyed are dropped.
  virtual void Post(std::function<void()> task) = 0;
};

}  // namespace velmorra
