#include "platform/file_system.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "platform/win32/file_identity.h"
#include "platform/win32/wide_text.h"

namespace velmorra {

const char kPathSeparator = '\\';

bool IsPathSeparator(char c) {
  return c == '\\' || c == '/';
}

const int kDiskFullError = ERROR_DISK_FULL;

bool RegularFileExists(const std::string& path) {
  if (path.empty())
    return false;
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

TFileStamp FileStampOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() || !GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
    return TFileStamp{};
  TFileStamp stamp;
  stamp.Exists = true;
  stamp.Size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  // FILETIME counts 100-nanosecond steps.
  stamp.ModifiedNanoseconds = ((static_cast<int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                               data.ftLastWriteTime.dwLowDateTime) *
                              100;
  return stamp;
}

std::optional<std::string> ReadFileStart(const std::string& path, size_t count) {
  // Shared for reading, writing and deletion: another program's work on the file goes on.
  const HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::nullopt;
  std::string bytes(count, '\0');
  size_t done = 0;
  while (done < count) {
    DWORD read = 0;
    if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(count - done), &read, nullptr)) {
      CloseHandle(file);
      return std::nullopt;
    }
    if (read == 0)
      break;
    done += read;
  }
  CloseHandle(file);
  bytes.resize(done);
  return bytes;
}

bool CopyFileBytes(const std::string& from, const std::string& to, int& error_number) {
  // The new file inherits the permissions of its folder, which the caller makes private.
  if (CopyFileW(Widen(from).c_str(), Widen(to).c_str(), TRUE))
    return true;
  error_number = static_cast<int>(GetLastError());
  return false;
}

std::string FullPathName(const std::string& path) {
  if (path.empty())
    return std::string();
  const std::wstring wide = Widen(path);
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0)
      return std::string();
    // Too small a buffer: the answer is the size needed, terminator included.
    if (length < buffer.size())
      return Narrow(std::wstring_view(buffer.data(), length));
    buffer.resize(length);
  }
}

namespace {

// A handle on whatever file or folder `path` leads to, for asking about it only; links followed.
HANDLE OpenToQuery(const std::string& path) {
  return CreateFileW(Widen(path).c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

std::optional<std::string> FinalPathOf(HANDLE handle) {
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length = 0;
  for (;;) {
    length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    // Too small a buffer: the answer is the size needed, terminator included.
    if (length < buffer.size())
      break;
    buffer.resize(length);
  }
  if (length == 0)
    return std::nullopt;
  // The answer is a "\\?\" path: "\\?\C:\..." or "\\?\UNC\server\share\...".
  std::wstring_view real(buffer.data(), length);
  if (real.starts_with(L"\\\\?\\UNC\\"))
    return "\\\\" + Narrow(real.substr(8));
  if (real.starts_with(L"\\\\?\\"))
    real.remove_prefix(4);
  return Narrow(real);
}

std::optional<std::string> RealPath(const std::string& path) {
  if (path.empty())
    return std::nullopt;
  const HANDLE file = OpenToQuery(path);
  if (file == INVALID_HANDLE_VALUE)
    return std::nullopt;
  std::optional<std::string> real = FinalPathOf(file);
  CloseHandle(file);
  return real;
}

bool DeletePlainFileNobodyHolds(const std::string& directory, const std::wstring& name,
                                bool empty_only) {
  const std::optional<std::string> real_directory = RealPath(directory);
  if (!real_directory)
    return false;
  const HANDLE file = CreateFileW((Widen(directory) + name).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                  0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool deleted = false;
  const std::optional<std::string> real = FinalPathOf(file);
  const std::wstring expected =
      Widen(*real_directory) + (real_directory->back() == '\\' ? L"" : L"\\") + name;
  if (real &&
      CompareStringOrdinal(Widen(*real).c_str(), -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL &&
      GetFileInformationByHandle(file, &info) &&
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
      info.nNumberOfLinks == 1 &&
      (!empty_only || (info.nFileSizeHigh == 0 && info.nFileSizeLow == 0))) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    deleted =
        SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
  }
  CloseHandle(file);
  return deleted;
}

bool SameFile(const std::string& first, const std::string& second) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::string* paths[2] = {&first, &second};
  for (int i = 0; i < 2; ++i) {
    const HANDLE file = paths[i]->empty() ? INVALID_HANDLE_VALUE : OpenToQuery(*paths[i]);
    if (file == INVALID_HANDLE_VALUE)
      return false;
    const bool known = GetFileInformationByHandle(file, &info[i]);
    CloseHandle(file);
    if (!known)
      return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

std::string SystemErrorText(int error_code) {
  LPWSTR text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error_code), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  if (length == 0 || text == nullptr)
    return "System error " + std::to_string(error_code) + ".";
  std::wstring_view message(text, length);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
    message.remove_suffix(1);
  std::string result = Narrow(message);
  LocalFree(text);
  return result;
}

}  // namespace velmorra
