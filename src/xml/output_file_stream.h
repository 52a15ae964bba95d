#pragma once

#include <cstdint>
#include <string>

#include "platform/output_file.h"
#include "xml/byte_stream.h"

namespace velmorra {

// The byte stream a document is saved through: a new file that takes the place of the file at
// `path` only on Commit. Going without Commit removes it and leaves `path` untouched (unless the
// file is written in place, as TOutputFile explains). Failures
// are raised with the full path and the system's reason: EFileCreateError when the file cannot be
// created, EFileWriteError when it cannot be resized, sought, flushed or put in place. A failed
// Write is no exception: it takes fewer bytes, and RaiseWriteError tells why.
class TOutputFileStream : public TByteStream {
 public:
  explicit TOutputFileStream(const std::string& path);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;

  // Makes every byte durable and puts the file in the place of `path`.
  void Commit();
  // Raises EFileWriteError with the reason of the failed write (that of a full disk when the system
  // gave none).
  [[noreturn]] void RaiseWriteError() const;

 private:
  std::string path_;
  TOutputFile file_;
};

}  // namespace velmorra
