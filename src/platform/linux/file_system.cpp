#include "platform/file_system.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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

TFileStamp FileStampOf(const std::string& path) {
  struct stat info;
  if (path.empty() || stat(path.c_str(), &info) != 0)
    return {};
  return TFileStamp{true, static_cast<int64_t>(info.st_size),
                    static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

namespace {

// A descriptor closed when the object goes.
struct TDescriptor {
  explicit TDescriptor(int value) : Value(value) {}
  ~TDescriptor() {
    if (Value >= 0)
      close(Value);
  }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  // Closes the descriptor now; false with errno when the system reports an error (a late write
  // error on some file systems).
  bool Close() {
    const int value = Value;
    Value = -1;
    return close(value) == 0;
  }
  int Value;
};

// Reads up to `count` bytes into `buffer`, retrying interrupted and short reads; -1 on failure.
ssize_t ReadFully(int descriptor, char* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t got = read(descriptor, buffer + done, count - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return -1;
    if (got == 0)
      break;
    done += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

bool WriteFully(int descriptor, const char* bytes, size_t count) {
  while (count > 0) {
    const ssize_t put = write(descriptor, bytes, count);
    if (put < 0 && errno == EINTR)
      continue;
    if (put < 0)
      return false;
    bytes += put;
    count -= static_cast<size_t>(put);
  }
  return true;
}

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

std::optional<std::string> ReadFileStart(const std::string& path, size_t count) {
  const TDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Value < 0)
    return std::nullopt;
  std::string bytes(count, '\0');
  const ssize_t got = ReadFully(file.Value, bytes.data(), count);
  if (got < 0)
    return std::nullopt;
  bytes.resize(static_cast<size_t>(got));
  return bytes;
}

bool CopyFileBytes(const std::string& from, const std::string& to, int& error_number) {
  const TDescriptor source(open(from.c_str(), O_RDONLY | O_CLOEXEC));
  TDescriptor target(
      source.Value < 0 ? -1 : open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (source.Value < 0 || target.Value < 0) {
    error_number = errno;
    return false;
  }
  std::vector<char> block(1 << 20);
  for (;;) {
    const ssize_t got = ReadFully(source.Value, block.data(), block.size());
    if (got < 0 || !WriteFully(target.Value, block.data(), static_cast<size_t>(got))) {
      error_number = errno;
      return false;
    }
    if (got == 0)
      break;
  }
  if (!target.Close()) {
    error_number = errno;
    return false;
  }
  return true;
}

namespace {

// The parent of the folder `parts` names, as the kernel goes there: from the real path of that
// folder. `parts` is left as it is, and false returned, when the folder does not exist; a ".."
// after a file that is no folder stays in the path, where the system will refuse it.
bool GoToParentAsTheKernelDoes(std::vector<std::string>& parts) {
  std::string folder;
  for (const std::string& part : parts)
    folder += "/" + part;
  struct stat info;
  if (stat(folder.empty() ? "/" : folder.c_str(), &info) != 0)
    return false;
  if (!S_ISDIR(info.st_mode)) {
    parts.push_back("..");
    return true;
  }
  const std::optional<std::string> real = RealPath(folder.empty() ? "/" : folder);
  if (!real)
    return false;
  parts.clear();
  size_t start = 1;
  while (start < real->size()) {
    const size_t end = std::min(real->find('/', start), real->size());
    parts.push_back(real->substr(start, end - start));
    start = end + 1;
  }
  if (!parts.empty())
    parts.pop_back();
  return true;
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
      if (!GoToParentAsTheKernelDoes(parts) && !parts.empty())
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

std::optional<std::string> RealPath(const std::string& path) {
  if (path.empty())
    return std::nullopt;
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr)
    return std::nullopt;
  std::string result(real);
  free(real);
  return result;
}

bool SameFile(const std::string& first, const std::string& second) {
  struct stat first_info, second_info;
  return !first.empty() && !second.empty() && stat(first.c_str(), &first_info) == 0 &&
         stat(second.c_str(), &second_info) == 0 && first_info.st_dev == second_info.st_dev &&
         first_info.st_ino == second_info.st_ino;
}

std::string SystemErrorText(int error_code) {
  char buffer[512];
  // The GNU variant may return a static text instead of filling the buffer.
  const char* text = strerror_r(error_code, buffer, sizeof buffer);
  return std::string(text);
}

}  // namespace velmorra
