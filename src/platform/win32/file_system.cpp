#include "platform/file_system.h"

#include <windows.h>

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
