#include "platform/output_file.h"

#include "platform/file_system.h"
#include "platform/system_output_file.h"

// What the output file is on every system: a buffer in front of the system's file, and the
// offset it keeps. Opening, the calls on the file, syncing and replacing the target are each
// system's own (linux/, win32/).

namespace velmorra {

TOutputFile::TOutputFile() = default;

TOutputFile::~TOutputFile() {
  Discard();
}

void SplitOutputPath(const std::string& path, std::string& directory, std::string& name) {
  size_t end = path.size();
  while (end > 0 && !IsPathSeparator(path[end - 1]))
    --end;
  directory = path.substr(0, end);
  name = path.substr(end);
}

bool TOutputFile::Create(const std::string& path) {
  Discard();
  in_place_ = false;
  file_position_ = 0;
  write_failed_ = false;
  error_number_ = 0;
  std::unique_ptr<TSystemOutputFile> file;
  if (!Succeeds(CreateSystemOutputFile(path, file)))
    return false;
  file_ = std::move(file);
  in_place_ = file_->WritesInPlace();
  buffer_.reserve(kBlockSize);
  return true;
}

const std::string& TOutputFile::TemporaryPath() const {
  static const std::string kNone;
  return file_ ? file_->TemporaryPath() : kNone;
}

bool TOutputFile::Fail(int error_number) {
  error_number_ = error_number;
  return false;
}

bool TOutputFile::Succeeds(int error_number) {
  return error_number == 0 || Fail(error_number);
}

bool TOutputFile::WriteAll(const char* data, size_t count) {
  if (Succeeds(file_->Write(data, count, file_position_)))
    return true;
  write_failed_ = true;
  return false;
}

bool TOutputFile::FlushBuffer() {
  if (write_failed_)
    return false;
  if (!file_)
    return Fail(kFileNotOpenError);
  const bool flushed = WriteAll(buffer_.data(), buffer_.size());
  buffer_.clear();
  return flushed;
}

bool TOutputFile::Write(const void* data, size_t count) {
  if (write_failed_)
    return false;
  if (!file_)
    return Fail(kFileNotOpenError);
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
  int64_t read_count = 0;
  if (!FlushBuffer() || !Succeeds(file_->Read(buffer, count, read_count)))
    return -1;
  file_position_ += read_count;
  return read_count;
}

int64_t TOutputFile::Size() {
  int64_t size = 0;
  if (!FlushBuffer() || !Succeeds(file_->Size(size)))
    return -1;
  return size;
}

bool TOutputFile::SeekTo(int64_t position) {
  if (position == Position())
    return !write_failed_;
  int64_t reached = 0;
  if (!FlushBuffer() || !Succeeds(file_->Seek(position, reached)))
    return false;
  file_position_ = reached;
  return true;
}

bool TOutputFile::Truncate(int64_t size) {
  return FlushBuffer() && Succeeds(file_->Truncate(size, file_position_));
}

bool TOutputFile::Commit() {
  const bool committed = FlushBuffer() && Succeeds(file_->Commit());
  Discard();
  return committed;
}

void TOutputFile::Discard() {
  file_.reset();
  buffer_.clear();
}

}  // namespace velmorra
