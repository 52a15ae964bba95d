#include "app/win32/win32_dialogs.h"

#include <commdlg.h>

#include <vector>

#include "platform/win32/wide_text.h"

namespace velmorra {

namespace {

// Room for a long path (\\?\ form) and its terminator.
constexpr DWORD kFileNameBuffer = 32768;

}  // namespace

void TWin32MessageBoxes::ShowMessage(TMessageBoxKind kind, const std::string& text) {
  const bool error = kind == TMessageBoxKind::Error;
  MessageBoxW(owner_, Widen(text).c_str(), error ? L"Error" : L"Warning",
              MB_OK | (error ? MB_ICONERROR : MB_ICONWARNING));
}

bool TWin32OpenDialog::Execute() {
  std::vector<wchar_t> name(kFileNameBuffer, L'\0');
  last_name_.copy(name.data(), kFileNameBuffer - 1);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = L"Nokia Ovi Db\0*.db3\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = kFileNameBuffer;
  dialog.lpstrTitle = L"Nokia Ovi Database";
  dialog.lpstrDefExt = L"db3";
  // OFN_NOCHANGEDIR: relative datastore paths keep meaning what they meant at start.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&dialog))
    return false;
  last_name_ = name.data();
  file_name_ = Narrow(last_name_);
  return true;
}

}  // namespace velmorra
