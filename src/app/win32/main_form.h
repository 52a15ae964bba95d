#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/main_form_layout.h"
#include "app/main_window.h"
#include "app/win32/win32_controls.h"
#include "app/win32/win32_dialogs.h"
#include "app/win32/win32_drop_target.h"

namespace velmorra {

// The main window as a plain Win32 window driven by TfrmMain: a dialog frame with caption and
// close button only around a 461 × 154 client area (at 96 DPI, scaled to the window's DPI), the
// datastore row, the phone row, "&Convert" and a one-line notice, in Tahoma 8 pt. Constructing it
// creates the window hidden, registers it for dropped files and runs the creation handler, so
// discovery's messages come before the window shows. Closing the window (close button, Alt+F4,
// Escape) runs FormClose, destroys it, runs FormDestroy and posts the quit message. The work of the
// logic runs on a thread of the window's own (unless the services give a runner) and comes back
// to the window's thread as a message posted to the window.
class TWin32MainForm : private IFormWindow {
 public:
  explicit TWin32MainForm(const TWindowServices& services);
  ~TWin32MainForm() override;
  TWin32MainForm(const TWin32MainForm&) = delete;
  TWin32MainForm& operator=(const TWin32MainForm&) = delete;

  // Centres the window on its monitor's work area, shows it and focuses cmdConvert.
  void ShowCentred();
  TfrmMain& Form() { return *form_; }

  // Handles one message of the thread's queue as the message loop does: the window previews
  // typed keys (Escape closes it from any control, also from an open drop-down list), takes the
  // labels' mnemonics, and IsDialogMessageW does Tab, Shift+Tab and the buttons' mnemonics.
  void ProcessMessage(MSG& message);
  // Runs the message loop until the quit message; returns its exit code.
  int RunMessageLoop();

  // The window and the controls of its form, in their tab (z) order (see FormControls); the
  // window owns them.
  HWND frmMain = nullptr;
  HWND cmdConvert = nullptr;
  HWND Label3 = nullptr;
  HWND txtStore = nullptr;
  HWND cmdOpen = nullptr;
  HWND cmboxStores = nullptr;
  HWND Label1 = nullptr;
  HWND cmboxMobile = nullptr;
  HWND Label2 = nullptr;

  // The window's DPI, 96 when nothing scales.
  UINT Dpi() const { return dpi_; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Close() override;
  void ShowWorkState(TWorkState state) override;
  void ShowNotice(const std::string& text, const std::string& tooltip) override;
  void Post(std::function<void()> task) override;
  void RunPosted();
  void CreateControls();
  void ApplyDpi(UINT dpi);
  void ShowNoticeText();
  int Scale(int pixels) const;
  HWND& Control(TFormControl control);
  void Place(const TFormControlLayout& layout);
  bool OnSetCursor();
  void OnCommand(WORD id, WORD code);
  LRESULT OnDropFiles(HDROP drop);
  void OnActivate(bool active);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnDestroy();
  bool PreviewMessage(MSG& message);
  bool LabelMnemonic(wchar_t letter);
  bool IsOwnWindow(HWND window) const;

  TErrorReport& errors_;
  bool quit_on_destroy_ = true;  // false when the destructor destroys the window
  HFONT font_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND focus_ = nullptr;  // the control to focus when the window is activated again
  UINT dpi_ = 96;
  bool working_ = false;
  HWND focus_before_work_ = nullptr;  // where the focus was when the work began
  HWND focus_moved_to_ = nullptr;     // where the work moved it from a control it disabled
  std::wstring notice_;               // the whole text of the notice
  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;  // tasks for the window's thread
  std::unique_ptr<TWorkThread> own_runner_;
  std::unique_ptr<TWin32MessageBoxes> own_messages_;
  std::unique_ptr<TWin32OpenDialog> own_open_dialog_;
  std::unique_ptr<TWin32ItemComboBox> stores_;
  std::unique_ptr<TWin32EditBox> store_edit_;
  std::unique_ptr<TWin32Visibility> open_button_;
  std::unique_ptr<TWin32PhoneList> phones_;
  std::unique_ptr<TWin32DropTarget> drop_target_;
  std::unique_ptr<TfrmMain> form_;
};

}  // namespace velmorra
