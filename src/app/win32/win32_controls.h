#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/controls.h"
#include "export/phone_list.h"

namespace velmorra {

// The control interfaces of the window's logic over Win32 controls. Texts cross as UTF-8 and
// reach the controls as UTF-16. Each adapter borrows its control's handle, which must outlive it;
// changes made here send no notification to the parent, so they raise no change events.

// The window's text of `control` as UTF-8.
std::string WindowTextOf(HWND control);

// Makes `text` the tip that the tooltip control `tooltips` shows over the window `tool`.
void SetToolTip(HWND tooltips, HWND tool, const std::wstring& text);

// Visibility is the control's own WS_VISIBLE style, so it holds before the window is shown.
class TWin32Visibility : public IControlVisibility {
 public:
  explicit TWin32Visibility(HWND control) : control_(control) {}
  bool Visible() const override;
  void SetVisible(bool visible) override;

 private:
  HWND control_;
};

class TWin32EditBox : public IEditBox {
 public:
  explicit TWin32EditBox(HWND edit) : edit_(edit), visibility_(edit) {}
  bool Visible() const override { return visibility_.Visible(); }
  void SetVisible(bool visible) override { visibility_.SetVisible(visible); }
  std::string Text() const override { return WindowTextOf(edit_); }
  void SetText(const std::string& text) override;

 private:
  HWND edit_;
  TWin32Visibility visibility_;
};

// A CBS_DROPDOWNLIST combo box whose items carry an integer as their item data, and a tooltip of
// the tooltip control `tooltips`: the closed box shows that of its selected item, the open list
// that of the item under the pointer. Both handles must outlive it.
class TWin32ItemComboBox : public IItemComboBox {
 public:
  TWin32ItemComboBox(HWND combo, HWND tooltips);
  ~TWin32ItemComboBox() override;
  TWin32ItemComboBox(const TWin32ItemComboBox&) = delete;
  TWin32ItemComboBox& operator=(const TWin32ItemComboBox&) = delete;

  bool Visible() const override { return visibility_.Visible(); }
  void SetVisible(bool visible) override { visibility_.SetVisible(visible); }
  void AddItem(const std::string& caption, int data, const std::string& tooltip) override;
  int ItemCount() const override;
  std::string Item(int index) const override;
  int ItemData(int index) const override;
  int ItemIndex() const override;
  void SetItemIndex(int index) override;
  // The user changed the selection (CBN_SELCHANGE): the closed box's tooltip follows it.
  void SelectionChanged();

 private:
  static LRESULT CALLBACK ListProcedure(HWND list, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR self);
  std::wstring TooltipOf(int index) const;
  void PointerOverList(HWND list, LPARAM point);

  HWND combo_;
  HWND tooltips_;
  HWND list_ = nullptr;  // the open list's window
  int list_item_ = -1;   // the item under the pointer in it
  TWin32Visibility visibility_;
  std::vector<std::wstring> item_tooltips_;
};

// The phone list, a CBS_DROPDOWNLIST combo box. CB_SETCURSEL sends no CBN_SELCHANGE.
class TWin32PhoneList : public IPhoneList {
 public:
  explicit TWin32PhoneList(HWND combo) : combo_(combo) {}
  void Clear() override;
  void AddItem(const std::string& caption) override;
  void SetItemIndex(int index) override;
  int ItemIndex() const override;
  int ItemCount() const override;
  std::string Item(int index) const override;
  std::string Text() const override;

 private:
  HWND combo_;
};

}  // namespace velmorra
