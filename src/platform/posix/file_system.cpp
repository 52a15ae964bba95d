#include "platform/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace velmorra {

const char kPathSeparator = '/';

bool IsPathSeparator(char c) {
  return c == '/';
}

const int kDiskFullError = ENOSPC;

bool RegularFileExists(const std::string& path) {
  struct stat info;
  if (path.empty() || stat(path.c_str(), &info) != 0)
    return false;
  return S_ISREG(info.st_mode);
}

namespace {

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE)
      return std::string();
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

}  // namespace

std::string FullPathName(const std::string& path) {
  if (path.empty())
    return std::string();
  std::string absolute = path;
  if (path[0] != '/') {
    std::string current = CurrentDirectory();
    if (current.empty())
      return std::string();
    absolute = current + "/" + path;
  }
  const bool trailing_separator = absolute.back() == '/';

  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= absolute.size()) {
    size_t end = absolute.find('/', start);
    if (end == std::string::npos)
      end = absolute.size();
    std::string part = absolute.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty())
        parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }

  std::string result;
  for (const std::string& part : parts)
    result += "/" + part;
  if (result.empty() || trailing_separator)
    result += "/";
  return result;
}

std::string SystemErrorText(int error_code) {
  char buffer[512];
  // The GNU variant may return a static text instead of filling the buffer.
  const char* text = strerror_r(error_code, buffer, sizeof buffer);
  return std::string(text);
}

}  // namespace velmorra
