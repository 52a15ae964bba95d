#include "platform/file_system.h"

#include <windows.h>

#include <optional>
#include <vector>

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
