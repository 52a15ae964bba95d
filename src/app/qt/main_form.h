#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <memory>
#include <string>

#include "app/main_form_layout.h"
#include "app/main_window.h"
#include "app/qt/qt_controls.h"
#include "app/qt/qt_drop_target.h"
#include "app/qt/qt_message_boxes.h"
#include "app/qt/qt_open_dialog.h"

namespace velmorra {

// The main window in Qt Widgets: a fixed 461 × 154 client area with the datastore row, the phone
// row, "&Convert" and a notice of where backups go, driven by TfrmMain. Constructing it runs the
// creation handler, so discovery's messages come while the window is still hidden (its warning in
// the notice: on Linux most users have no Wine prefix at all); closing it runs FormClose and
// destroying it FormDestroy. Escape closes it from any of its controls, also from an open
// drop-down list, unless a modal dialog is up. Enter in the edit box, and leaving the box for
// another control, reach the logic as txtStoreKeyPress and txtStoreExit. The work of the logic
// runs on a thread of the window's own (unless the services give a runner), and comes back to the
// window's thread as queued calls.
class TfrmMainWidget : public QWidget, private IFormWindow {
 public:
  explicit TfrmMainWidget(const TWindowServices& services);
  ~TfrmMainWidget() override;

  // Centres the window on its screen and shows it.
  void ShowCentred();
  TfrmMain& Form() { return *form_; }

  // The controls of the form (see FormControls); the window owns them.
  QPushButton* cmdConvert = nullptr;
  QLineEdit* txtStore = nullptr;
  QPushButton* cmdOpen = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* cmboxStores = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* cmboxMobile = nullptr;
  QLabel* Label1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Close() override { close(); }
  void ShowWorkState(TWorkState state) override;
  void ShowNotice(const std::string& text, const std::string& tooltip) override;
  void Post(std::function<void()> task) override;
  void CreateControls();
  QWidget* Control(TFormControl control) const;
  // Keeps `widget` as the form's `control` and gives it back.
  template <typename TWidget>
  TWidget* Remember(TFormControl control, TWidget* widget) {
    controls_[static_cast<size_t>(control)] = widget;
    return widget;
  }
  void ConnectHandlers();
  bool IsOwnWindowHandle(QObject* object) const;
  void PreviewKey(QEvent* event);
  void ExitEditBox(Qt::FocusReason reason);

  std::array<QWidget*, kFormControlCount> controls_{};  // by TFormControl
  bool working_ = false;                                // the busy pointer is up
  std::unique_ptr<TWorkThread> own_runner_;
  std::unique_ptr<TQtMessageBoxes> own_messages_;
  std::unique_ptr<TQtOpenDialog> own_open_dialog_;
  std::unique_ptr<TQtItemComboBox> stores_;
  std::unique_ptr<TQtEditBox> store_edit_;
  std::unique_ptr<TQtVisibility> open_button_;
  std::unique_ptr<TQtPhoneList> phones_;
  std::unique_ptr<TQtDropTarget> drop_target_;
  std::unique_ptr<TfrmMain> form_;  // last: goes first, while the rest is still there
};

}  // namespace velmorra
