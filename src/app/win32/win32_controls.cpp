#include "app/win32/win32_controls.h"

#include <commctrl.h>

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

void SetToolTip(HWND tooltips, HWND tool, const std::wstring& text) {
  if (tooltips == nullptr || tool == nullptr)
    return;
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = GetParent(tool);
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  const bool known = SendMessageW(tooltips, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info));
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(tooltips, known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
               reinterpret_cast<LPARAM>(&info));
}

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

TWin32ItemComboBox::TWin32ItemComboBox(HWND combo, HWND tooltips)
    : combo_(combo), tooltips_(tooltips), visibility_(combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(combo_, &info))
    list_ = info.hwndList;
  if (list_ != nullptr)
    SetWindowSubclass(list_, ListProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
  SetToolTip(tooltips_, combo_, L"");
  SetToolTip(tooltips_, list_, L"");
}

TWin32ItemComboBox::~TWin32ItemComboBox() {
  if (list_ != nullptr && IsWindow(list_))
    RemoveWindowSubclass(list_, ListProcedure, 0);
}

void TWin32ItemComboBox::AddItem(const std::string& caption, int data, const std::string& tooltip) {
  const int index = AddComboItem(combo_, caption);
  if (index < 0)
    return;
  SendMessageW(combo_, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
  item_tooltips_.insert(item_tooltips_.begin() + index, Widen(tooltip));
}

std::wstring TWin32ItemComboBox::TooltipOf(int index) const {
  return index >= 0 && static_cast<size_t>(index) < item_tooltips_.size()
             ? item_tooltips_[static_cast<size_t>(index)]
             : std::wstring();
}

void TWin32ItemComboBox::SelectionChanged() {
  SetToolTip(tooltips_, combo_, TooltipOf(ItemIndex()));
}

void TWin32ItemComboBox::PointerOverList(HWND list, LPARAM point) {
  const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, point);
  const int item = HIWORD(hit) == 0 ? static_cast<int>(LOWORD(hit)) : -1;
  if (item == list_item_)
    return;
  list_item_ = item;
  SendMessageW(tooltips_, TTM_POP, 0, 0);
  SetToolTip(tooltips_, list, TooltipOf(item));
}

LRESULT CALLBACK TWin32ItemComboBox::ListProcedure(HWND list, UINT message, WPARAM wparam,
                                                   LPARAM lparam, UINT_PTR, DWORD_PTR self) {
  if (message == WM_MOUSEMOVE)
    reinterpret_cast<TWin32ItemComboBox*>(self)->PointerOverList(list, lparam);
  return DefSubclassProc(list, message, wparam, lparam);
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
  SelectionChanged();
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
