#include "xml/output_file_stream.h"

#include "platform/file_system.h"
#include "xml/file_errors.h"

namespace velmorra {

namespace {

std::string FileMessage(const char* action, const std::string& path, int error_number) {
  std::string full_path = FullPathName(path);
  if (full_path.empty())
    full_path = path;
  return std::string(action) + " \"" + full_path + "\". " + SystemErrorText(error_number);
}

}  // namespace

TOutputFileStream::TOutputFileStream(const std::string& path) : path_(path) {
  if (!file_.Create(path)) {
    throw EFileCreateError(FileMessage("Cannot create file", path, file_.ErrorNumber()));
  }
}

int64_t TOutputFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0)
    return 0;
  const int64_t read_count = file_.Read(buffer, static_cast<size_t>(count));
  if (read_count < 0)
    RaiseWriteError();
  return read_count;
}

int64_t TOutputFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0)
    return 0;
  return file_.Write(buffer, static_cast<size_t>(count)) ? count : 0;
}

int64_t TOutputFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t position = offset;
  if (origin == TSeekOrigin::Current) {
    position += file_.Position();
  } else if (origin == TSeekOrigin::End) {
    const int64_t size = file_.Size();
    if (size < 0)
      RaiseWriteError();
    position += size;
  }
  if (!file_.SeekTo(position))
    RaiseWriteError();
  return position;
}

void TOutputFileStream::SetSize(int64_t size) {
  if (!file_.Truncate(size))
    RaiseWriteError();
}

void TOutputFileStream::Commit() {
  if (!file_.Commit())
    RaiseWriteError();
}

void TOutputFileStream::RaiseWriteError() const {
  const int error_number = file_.ErrorNumber() != 0 ? file_.ErrorNumber() : kDiskFullError;
  throw EFileWriteError(FileMessage("Cannot write file", path_, error_number));
}

}  // namespace velmorra
