#include "platform/temporary_folder.h"

#include <windows.h>

#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <vector>

#include "platform/win32/file_identity.h"
#include "platform/win32/wide_text.h"

namespace velmorra {

namespace {

constexpr wchar_t kNamePrefix[] = L"velmorra-copy-";
constexpr size_t kRandomLength = 6;

// ---- Removal on interruption ----

std::mutex registered_mutex;
std::set<std::string> registered_folders;

// Runs on a thread of its own when the console asks the program to end. Removes what it can of the
// registered folders (a file the program still holds open stays until a later run), then lets the
// next handler, in the end the system's, end the program.
BOOL WINAPI RemoveFoldersOnInterruption(DWORD) {
  const std::lock_guard<std::mutex> lock(registered_mutex);
  for (const std::string& folder : registered_folders) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(Widen(folder)), ignored);
  }
  return FALSE;
}

void HandleInterruptions() {
  static std::once_flag installed;
  std::call_once(installed, [] { SetConsoleCtrlHandler(RemoveFoldersOnInterruption, TRUE); });
}

// ---- Folders left over ----

// A handle that holds the folder at `path`: while it is open, no other may open the folder to
// delete it.
HANDLE HoldFolder(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                     nullptr);
}

// The names of the entries of the folder open on `folder` that are no folders.
std::vector<std::wstring> FilesIn(HANDLE folder) {
  std::vector<std::wstring> names;
  alignas(FILE_ID_BOTH_DIR_INFO) char entries[16384];
  for (FILE_INFO_BY_HANDLE_CLASS batch = FileIdBothDirectoryRestartInfo;
       GetFileInformationByHandleEx(folder, batch, entries, sizeof entries);
       batch = FileIdBothDirectoryInfo) {
    for (size_t at = 0;;) {
      const auto& entry = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(entries + at);
      if ((entry.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        names.emplace_back(entry.FileName, entry.FileNameLength / sizeof(wchar_t));
      if (entry.NextEntryOffset == 0)
        break;
      at += entry.NextEntryOffset;
    }
  }
  return names;
}

// Removes the folder `name` in `base` (ending in a separator) when nobody holds it: then its run
// ended without removing it. Only plain files in it are deleted, never what a link leads to.
void RemoveIfLeftOver(const std::wstring& base, const std::wstring& name) {
  const std::wstring folder = base + name;
  const HANDLE proof = CreateFileW(
      folder.c_str(), DELETE | FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (proof == INVALID_HANDLE_VALUE)
    return;
  // Listed through the same handle: another open of the folder would not share its deletion.
  const std::string folder_path = Narrow(folder) + "\\";
  for (const std::wstring& file : FilesIn(proof))
    DeletePlainFileNobodyHolds(folder_path, file, false);
  CloseHandle(proof);
  RemoveDirectoryW(folder.c_str());
}

void RemoveLeftOverFolders(const std::wstring& base) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW((base + kNamePrefix + L"*").c_str(), FindExInfoBasic,
                                         &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE)
    return;
  std::vector<std::wstring> candidates;
  do {
    const bool plain_folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                              (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    if (plain_folder && wcslen(found.cFileName) == wcslen(kNamePrefix) + kRandomLength)
      candidates.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  for (const std::wstring& name : candidates)
    RemoveIfLeftOver(base, name);
}

}  // namespace

// The handle that holds the folder.
class TTemporaryFolder::THold {
 public:
  HANDLE Handle = INVALID_HANDLE_VALUE;
};

TTemporaryFolder::TTemporaryFolder() = default;

TTemporaryFolder::~TTemporaryFolder() {
  Remove();
}

void TTemporaryFolder::Remove() {
  if (path_.empty())
    return;
  CloseHandle(hold_->Handle);
  hold_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(Widen(path_)), ignored);
  const std::lock_guard<std::mutex> lock(registered_mutex);
  registered_folders.erase(path_);
  path_.clear();
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
  const std::wstring base_path(base.data(), length);
  RemoveLeftOverFolders(base_path);
  HandleInterruptions();
  static std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> digit(0, 35);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = kNamePrefix;
    for (size_t i = 0; i < kRandomLength; ++i)
      name += L"abcdefghijklmnopqrstuvwxyz0123456789"[digit(generator)];
    const std::wstring folder = base_path + name;
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
      if (GetLastError() == ERROR_ALREADY_EXISTS)
        continue;
      error_number_ = static_cast<int>(GetLastError());
      return false;
    }
    // Another run may have taken the folder for left over before it was held, and removed it.
    const HANDLE handle = HoldFolder(folder);
    if (handle == INVALID_HANDLE_VALUE)
      continue;
    hold_ = std::make_unique<THold>();
    hold_->Handle = handle;
    path_ = Narrow(folder) + "\\";
    const std::lock_guard<std::mutex> lock(registered_mutex);
    registered_folders.insert(path_);
    return true;
  }
  error_number_ = ERROR_ALREADY_EXISTS;
  return false;
}

}  // namespace velmorra
