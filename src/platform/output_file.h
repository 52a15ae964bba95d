#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmorra {

// A new file that takes the place of the file at a path only once all its bytes are on disk. It
// is written as a temporary file in the same directory (0666 less the umask, like any newly
// created file) and renamed over the path by Commit; going without Commit removes it, so a failure
// never leaves a half-written file at the path nor touches what was there. Writes are buffered and
// reach the system in large blocks. Every operation that fails returns false (or -1) and keeps the
// system's error number in ErrorNumber(); after a failed write every later write fails too.
class TOutputFile {
 public:
  static constexpr size_t kBlockSize = 64 * 1024;

  TOutputFile() = default;
  ~TOutputFile();
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;

  // Creates the temporary file for `path`. Fails, before anything is created, when `path` names a
  // directory or an existing file this process may not write.
  bool Create(const std::string& path);

  bool Write(const void* data, size_t count);
  // Reads at the current position; -1 on failure.
  int64_t Read(void* buffer, size_t count);
  int64_t Position() const { return file_position_ + static_cast<int64_t>(buffer_.size()); }
  // The file's size, bytes still in the buffer included; -1 on failure.
  int64_t Size();
  bool SeekTo(int64_t position);
  // Cuts or extends the file to `size` bytes; the position stays where it is.
  bool Truncate(int64_t size);

  // Writes what is buffered, syncs the file to disk, closes it and renames it over the path. On
  // failure the temporary file is removed.
  bool Commit();
  // Closes and removes the temporary file, if there is one.
  void Discard();

  int ErrorNumber() const { return error_number_; }
  // The temporary file's path while it exists, else empty.
  const std::string& TemporaryPath() const { return temporary_path_; }

 private:
  bool FlushBuffer();
  bool WriteAll(const char* data, size_t count);
  bool Fail(int error_number);

  std::string target_path_;
  std::string temporary_path_;
  int descriptor_ = -1;
  int64_t file_position_ = 0;  // the system's file offset; buffer_ goes there
  std::vector<char> buffer_;
  bool write_failed_ = false;
  int error_number_ = 0;
};

}  // namespace velmorra
