#include "platform/temporary_folder.h"

#include <windows.h>

#include <filesystem>
#include <random>
#include <vector>

#include "platform/win32/wide_text.h"

namespace velmorra {

TTemporaryFolder::~TTemporaryFolder() {
  if (path_.empty())
    return;
  std::error_code ignored;
  const std::wstring wide = Widen(path_);
  std::filesystem::remove_all(std::filesystem::path(wide), ignored);
}

bool TTemporaryFolder::Create() {
  // The user's temporary folder lies in the user's profile; a folder made in it takes its
  // permissions, which let no other user in.
  std::vector<wchar_t> base(MAX_PATH + 1);
  const DWORD length = GetTempPathW(static_cast<DWORD>(base.size()), base.data());
  if (length == 0 || length >= base.size()) {
    error_number_ = static_cast<int>(GetLastError());
    return false;
  }
  static std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> digit(0, 35);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = L"velmorra-";
    for (int i = 0; i < 8; ++i)
      name += L"abcdefghijklmnopqrstuvwxyz0123456789"[digit(generator)];
    const std::wstring folder = std::wstring(base.data(), length) + name;
    if (CreateDirectoryW(folder.c_str(), nullptr)) {
      path_ = Narrow(folder) + "\\";
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      error_number_ = static_cast<int>(GetLastError());
      return false;
    }
  }
  error_number_ = ERROR_ALREADY_EXISTS;
  return false;
}

}  // namespace velmorra
