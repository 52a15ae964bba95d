#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace velmorra {

namespace {

constexpr int kNameAttempts = 100;

// The directory part of `path` with its separator ("" for a bare name) and the name after it.
void SplitPath(const std::string& path, std::string& directory, std::string& name) {
  const size_t slash = path.rfind('/');
  directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomSuffix() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  std::string suffix(6, ' ');
  for (char& letter : suffix)
    letter = kLetters[pick(generator)];
  return suffix;
}

// A crash right after the rename could otherwise lose the new directory entry; the file itself is
// complete either way, so a failure here is not reported.
void SyncDirectory(const std::string& directory) {
  const int descriptor =
      open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0)
    return;
  fsync(descriptor);
  close(descriptor);
}

}  // namespace

TOutputFile::~TOutputFile() {
  Discard();
}

bool TOutputFile::Fail(int error_number) {
  error_number_ = error_number;
  return false;
}

bool TOutputFile::Create(const std::string& path) {
  Discard();
  std::string directory, name;
  SplitPath(path, directory, name);
  if (name.empty())
    return Fail(path.empty() ? ENOENT : EISDIR);

  struct stat existing;
  if (stat(path.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode))
      return Fail(EISDIR);
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
      return Fail(errno);
  }

  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = directory + "." + name + "." + RandomSuffix();
    descriptor_ = open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor_ >= 0) {
      target_path_ = path;
      temporary_path_ = candidate;
      file_position_ = 0;
      buffer_.clear();
      buffer_.reserve(kBlockSize);
      write_failed_ = false;
      error_number_ = 0;
      return true;
    }
    if (errno != EEXIST)
      return Fail(errno);
  }
  return Fail(EEXIST);
}

bool TOutputFile::WriteAll(const char* data, size_t count) {
  while (count > 0) {
    const ssize_t written = write(descriptor_, data, count);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0) {
      write_failed_ = true;
      // A write that takes nothing without saying why can only mean the disk is full.
      return Fail(written < 0 ? errno : ENOSPC);
    }
    data += written;
    count -= static_cast<size_t>(written);
    file_position_ += written;
  }
  return true;
}

bool TOutputFile::FlushBuffer() {
  if (write_failed_)
    return false;
  if (descriptor_ < 0)
    return Fail(EBADF);
  const bool flushed = WriteAll(buffer_.data(), buffer_.size());
  buffer_.clear();
  return flushed;
}

bool TOutputFile::Write(const void* data, size_t count) {
  if (write_failed_)
    return false;
  if (descriptor_ < 0)
    return Fail(EBADF);
  const char* bytes = static_cast<const char*>(data);
  if (buffer_.size() + count <= kBlockSize) {
    buffer_.insert(buffer_.end(), bytes, bytes + count);
    return true;
  }
  if (!FlushBuffer())
    return false;
  if (count >= kBlockSize)
    return WriteAll(bytes, count);
  buffer_.insert(buffer_.end(), bytes, bytes + count);
  return true;
}

int64_t TOutputFile::Read(void* buffer, size_t count) {
  if (!FlushBuffer())
    return -1;
  ssize_t read_count;
  do {
    read_count = read(descriptor_, buffer, count);
  } while (read_count < 0 && errno == EINTR);
  if (read_count < 0) {
    Fail(errno);
    return -1;
  }
  file_position_ += read_count;
  return read_count;
}

int64_t TOutputFile::Size() {
  if (!FlushBuffer())
    return -1;
  struct stat status;
  if (fstat(descriptor_, &status) != 0) {
    Fail(errno);
    return -1;
  }
  return status.st_size;
}

bool TOutputFile::SeekTo(int64_t position) {
  if (position == Position())
    return !write_failed_;
  if (!FlushBuffer())
    return false;
  const off_t reached = lseek(descriptor_, position, SEEK_SET);
  if (reached < 0)
    return Fail(errno);
  file_position_ = reached;
  return true;
}

bool TOutputFile::Truncate(int64_t size) {
  if (!FlushBuffer())
    return false;
  if (ftruncate(descriptor_, size) != 0)
    return Fail(errno);
  return true;
}

bool TOutputFile::Commit() {
  const bool committed = [this] {
    if (!FlushBuffer())
      return false;
    if (fsync(descriptor_) != 0)
      return Fail(errno);
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (close(descriptor) != 0)
      return Fail(errno);
    if (rename(temporary_path_.c_str(), target_path_.c_str()) != 0)
      return Fail(errno);
    temporary_path_.clear();
    return true;
  }();
  if (!committed) {
    Discard();
    return false;
  }
  std::string directory, name;
  SplitPath(target_path_, directory, name);
  SyncDirectory(directory);
  return true;
}

void TOutputFile::Discard() {
  if (descriptor_ >= 0) {
    close(descriptor_);
    descriptor_ = -1;
  }
  if (!temporary_path_.empty()) {
    unlink(temporary_path_.c_str());
    temporary_path_.clear();
  }
  buffer_.clear();
}

}  // namespace velmorra
