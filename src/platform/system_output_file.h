#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace velmorra {

// The file under a TOutputFile, as each system realises it (linux/ and win32/output_file.cpp):
// its handle, and what it needs to put the file at its path. TOutputFile buffers in front of it
// and keeps the offset. Every call returns 0, or the system's error number when it fails.
// Destroying it closes the file and removes the temporary file, unless Commit put it at the path.
class TSystemOutputFile {
 public:
  virtual ~TSystemOutputFile() = default;

  // Writes all `count` bytes at the file's offset, adding to `position` what was written, also
  // when the write then fails.
  virtual int Write(const char* data, size_t count, int64_t& position) = 0;
  // Reads up to `count` bytes at the file's offset; `read_count` gets how many were read.
  virtual int Read(void* buffer, size_t count, int64_t& read_count) = 0;
  virtual int Size(int64_t& size) = 0;
  // Moves the file's offset to `position`; `reached` gets the offset it is at then.
  virtual int Seek(int64_t position, int64_t& reached) = 0;
  // Cuts or extends the file to `size` bytes; the offset, at `position`, stays there.
  virtual int Truncate(int64_t size, int64_t position) = 0;
  // Syncs every byte to disk and puts the file at its path (see TOutputFile::Commit).
  virtual int Commit() = 0;

  // True when the file at the path itself is written (see TOutputFile::WritesInPlace).
  virtual bool WritesInPlace() const = 0;
  // The temporary file's path while it exists under a name, else empty.
  virtual const std::string& TemporaryPath() const = 0;
};

// Creates the temporary file for `path` into `file` (see TOutputFile::Create); this system's.
int CreateSystemOutputFile(const std::string& path, std::unique_ptr<TSystemOutputFile>& file);

// The error number of a call on a file that is not open; this system's.
extern const int kFileNotOpenError;

// The directory part of `path` with its separator ("" for a bare name) and the name after it.
void SplitOutputPath(const std::string& path, std::string& directory, std::string& name);

}  // namespace velmorra
