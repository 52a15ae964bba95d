#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmorra {

class TSystemOutputFile;

// A new file that takes the place of the file at a path only once all its bytes are on disk.
// Until Commit the bytes go to a temporary file in the same directory; going without Commit
// removes it, so a failure never leaves a half-written file at the path nor touches what was
// there. The temporary file has no name where the system allows that, else a short one that does
// not grow with the path's; one left behind by a run that was killed is removed by a later Create
// in the same directory (only files of this kind that no running process still writes).
//
// The file put at the path keeps the permissions of the file it replaces, and its owner and group
// where the process may give them (where the group cannot be kept, the group gets no access); a
// file at a new path gets the permissions of any newly created file.
//
// When the directory takes no new file but the file at the path exists and may be written, that
// file is written in place instead, as a plain write does: Create empties it, and a failure
// leaves in it what was written until then (WritesInPlace tells which way was taken).
//
// Writes are buffered and reach the system in large blocks. Every operation that fails returns
// false (or -1) and keeps the system's error number in ErrorNumber(); after a failed write every
// later write fails too.
class TOutputFile {
 public:
  static constexpr size_t kBlockSize = 64 * 1024;

  TOutputFile();
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

  // Writes what is buffered, syncs the file to disk, gives it the permissions it keeps and puts it
  // at the path. On failure the temporary file is removed.
  bool Commit();
  // Closes and removes the temporary file, if there is one.
  void Discard();

  int ErrorNumber() const { return error_number_; }
  // True when Create chose to write the file at the path itself.
  bool WritesInPlace() const { return in_place_; }
  // The temporary file's path while it exists under a name, else empty.
  const std::string& TemporaryPath() const;

  // Makes every later Create use a named temporary file, as on a file system that allows no
  // file without a name; for tests of that way. Windows always names the file.
  static void UseNamedTemporaryFiles(bool named);

 private:
  bool FlushBuffer();
  bool WriteAll(const char* data, size_t count);
  bool Fail(int error_number);
  // True for 0, else Fail(error_number).
  bool Succeeds(int error_number);

  // The system's open file, and what it takes to put it at the path; none before Create.
  std::unique_ptr<TSystemOutputFile> file_;
  bool in_place_ = false;
  int64_t file_position_ = 0;  // the system's file offset; buffer_ goes there
  std::vector<char> buffer_;
  bool write_failed_ = false;
  int error_number_ = 0;
};

}  // namespace velmorra
