#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "app/controls.h"
#include "export/phone_list.h"

namespace velmorra {

// The control interfaces of the window's logic over Qt widgets. Texts cross as UTF-8, the ANSI
// code page on Linux; bytes that are not UTF-8 are shown as U+FFFD. Each adapter borrows its
// widget, which must outlive it.

// Visibility is the widget's own switch (not hidden), so it holds before the window is shown.
class TQtVisibility : public IControlVisibility {
 public:
  explicit TQtVisibility(QWidget* widget) : widget_(widget) {}
  bool Visible() const override { return !widget_->isHidden(); }
  void SetVisible(bool visible) override { widget_->setVisible(visible); }

 private:
  QWidget* widget_;
};

// The edit box. A text set from the program (a dropped or opened file name) may hold bytes that
// are not UTF-8, which Qt shows as U+FFFD: Text gives back the bytes set for as long as the
// user has not changed what the box shows.
class TQtEditBox : public IEditBox {
 public:
  explicit TQtEditBox(QLineEdit* edit) : edit_(edit), visibility_(edit) {}
  bool Visible() const override { return visibility_.Visible(); }
  void SetVisible(bool visible) override { visibility_.SetVisible(visible); }
  std::string Text() const override;
  void SetText(const std::string& text) override;

 private:
  QLineEdit* edit_;
  TQtVisibility visibility_;
  std::string set_text_;  // the bytes last set
  QString shown_text_;    // what the box showed for them
};

// A selection-only combo box whose items carry an integer as their data and a tooltip, which the
// closed box shows for its selected item too.
class TQtItemComboBox : public IItemComboBox {
 public:
  explicit TQtItemComboBox(QComboBox* combo);
  bool Visible() const override { return visibility_.Visible(); }
  void SetVisible(bool visible) override { visibility_.SetVisible(visible); }
  void AddItem(const std::string& caption, int data, const std::string& tooltip) override;
  int ItemCount() const override { return combo_->count(); }
  std::string Item(int index) const override;
  int ItemData(int index) const override;
  int ItemIndex() const override { return combo_->currentIndex(); }
  void SetItemIndex(int index) override { combo_->setCurrentIndex(index); }

 private:
  QComboBox* combo_;
  TQtVisibility visibility_;
};

// The phone list. Each item keeps the caption's bytes as its data beside the text shown, so that
// an IMEI that is not UTF-8 reaches the export unchanged. Selecting from the program emits no
// `activated` signal, the only one the window listens to.
class TQtPhoneList : public IPhoneList {
 public:
  explicit TQtPhoneList(QComboBox* combo) : combo_(combo) {}
  void Clear() override { combo_->clear(); }
  void AddItem(const std::string& caption) override;
  void SetItemIndex(int index) override { combo_->setCurrentIndex(index); }
  int ItemIndex() const override { return combo_->currentIndex(); }
  int ItemCount() const override { return combo_->count(); }
  std::string Item(int index) const override;
  std::string Text() const override;

 private:
  QComboBox* combo_;
};

}  // namespace velmorra
