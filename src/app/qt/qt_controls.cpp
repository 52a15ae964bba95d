#include "app/qt/qt_controls.h"

namespace velmorra {

namespace {

QString FromAnsi(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToAnsi(const QString& text) {
  return text.toUtf8().toStdString();
}

// Qt selects the first item added to an empty combo box; these lists keep their selection.
void AddKeepingSelection(QComboBox* combo, const QString& caption, const QVariant& data) {
  const int selected = combo->currentIndex();
  combo->addItem(caption, data);
  if (combo->currentIndex() != selected)
    combo->setCurrentIndex(selected);
}

}  // namespace

std::string TQtEditBox::Text() const {
  const QString shown = edit_->text();
  return shown == shown_text_ ? set_text_ : ToAnsi(shown);
}

void TQtEditBox::SetText(const std::string& text) {
  set_text_ = text;
  shown_text_ = FromAnsi(text);
  edit_->setText(shown_text_);
}

TQtItemComboBox::TQtItemComboBox(QComboBox* combo) : combo_(combo), visibility_(combo) {
  QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [combo](int index) {
    combo->setToolTip(combo->itemData(index, Qt::ToolTipRole).toString());
  });
}

void TQtItemComboBox::AddItem(const std::string& caption, int data, const std::string& tooltip) {
  AddKeepingSelection(combo_, FromAnsi(caption), data);
  combo_->setItemData(combo_->count() - 1, FromAnsi(tooltip), Qt::ToolTipRole);
}

std::string TQtItemComboBox::Item(int index) const {
  return ToAnsi(combo_->itemText(index));
}

int TQtItemComboBox::ItemData(int index) const {
  return combo_->itemData(index).toInt();
}

void TQtPhoneList::AddItem(const std::string& caption) {
  const QByteArray bytes(caption.data(), static_cast<qsizetype>(caption.size()));
  AddKeepingSelection(combo_, FromAnsi(caption), bytes);
}

std::string TQtPhoneList::Item(int index) const {
  return combo_->itemData(index).toByteArray().toStdString();
}

std::string TQtPhoneList::Text() const {
  return combo_->currentIndex() < 0 ? std::string() : Item(combo_->currentIndex());
}

}  // namespace velmorra
