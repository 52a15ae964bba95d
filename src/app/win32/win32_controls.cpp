#include "app/win32/win32_controls.h"

#include <vector>

#include "platform/win32/wide_text.h"

namespace velmorra {

namespace {

int AddComboItem(HWND combo, const std::string& caption) {
  const std::wstring text = Widen(caption);
  return static_cast<int>(
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

std::string ComboItem(HWND combo, int index) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR)
    return std::string();
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  return Narrow(text.data());
}

int ComboCount(HWND combo) {
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  return count == CB_ERR ? 0 : static_cast<int>(count);
}

int ComboSelection(HWND combo) {
  return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));  // CB_ERR is -1: none
}

}  // namespace

std::string WindowTextOf(HWND control) {
  const int length = GetWindowTextLengthW(control);
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(control, text.data(), length + 1);
  return Narrow(text.data());
}

bool TWin32Visibility::Visible() const {
  return (GetWindowLongPtrW(control_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void TWin32Visibility::SetVisible(bool visible) {
  ShowWindow(control_, visible ? SW_SHOWNA : SW_HIDE);
}

void TWin32EditBox::SetText(const std::string& text) {
  SetWindowTextW(edit_, Widen(text).c_str());
}

void TWin32ItemComboBox::AddItem(const std::string& caption, int data) {
  const int index = AddComboItem(combo_, caption);
  if (index >= 0)
    SendMessageW(combo_, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
}

int TWin32ItemComboBox::ItemCount() const {
  return ComboCount(combo_);
}

std::string TWin32ItemComboBox::Item(int index) const {
  return ComboItem(combo_, index);
}

int TWin32ItemComboBox::ItemData(int index) const {
  return static_cast<int>(SendMessageW(combo_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

int TWin32ItemComboBox::ItemIndex() const {
  return ComboSelection(combo_);
}

void TWin32ItemComboBox::SetItemIndex(int index) {
  SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TWin32PhoneList::Clear() {
  SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
}

void TWin32PhoneList::AddItem(const std::string& caption) {
  AddComboItem(combo_, caption);
}

void TWin32PhoneList::SetItemIndex(int index) {
  SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int TWin32PhoneList::ItemIndex() const {
  return ComboSelection(combo_);
}

int TWin32PhoneList::ItemCount() const {
  return ComboCount(combo_);
}

std::string TWin32PhoneList::Item(int index) const {
  return ComboItem(combo_, index);
}

std::string TWin32PhoneList::Text() const {
  const int index = ComboSelection(combo_);
  return index < 0 ? std::string() : ComboItem(combo_, index);
}

}  // namespace velmorra
