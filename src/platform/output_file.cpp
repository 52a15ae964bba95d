#include "platform/output_file.h"

#include "platform/file_system.h"

// What the output file is on every system: a buffer in front of the system's writes. Opening,
// writing a block, syncing and replacing the target are each system's own (posix/, win32/).

namespace velmorra {

TOutputFile::~TOutputFile() {
  Discard();
}

void TOutputFile::SplitPath(const std::string& path, std::string& directory, std::string& name) {
  size_t end = path.size();
  while (end > 0 && !IsPathSeparator(path[end - 1]))
    --end;
  directory = path.substr(0, end);
  name = path.substr(end);
}

void TOutputFile::Reset() {
  in_place_ = false;
  replaces_file_ = false;
  file_position_ = 0;
  buffer_.clear();
  write_failed_ = false;
  error_number_ = 0;
}

bool TOutputFile::Fail(int error_number) {
  error_number_ = error_number;
  return false;
}

bool TOutputFile::FlushBuffer() {
  if (write_failed_)
    return false;
  if (descriptor_ < 0)
    return Fail(kNotOpenError);
  const bool flushed = WriteAll(buffer_.data(), buffer_.size());
  buffer_.clear();
  return flushed;
}

bool TOutputFile::Write(const void* data, size_t count) {
  if (write_failed_)
    return false;
  if (descriptor_ < 0)
    return Fail(kNotOpenError);
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

}  // namespace velmorra
