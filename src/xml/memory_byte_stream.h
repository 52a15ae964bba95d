#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "xml/byte_stream.h"

namespace velmorra {

// A byte stream held in memory, growing as it is written. Behaves like a file: writing past the
// end fills the gap with zero bytes, and resizing leaves the position where it is. A capacity can
// be set to stand in for a full disk: writes beyond it are cut short.
class TMemoryByteStream : public TByteStream {
 public:
  TMemoryByteStream() = default;
  explicit TMemoryByteStream(std::string bytes) : bytes_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Positions before the start are taken as the start.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;

  // The whole content; valid until the next write or resize.
  const std::string& Bytes() const { return bytes_; }
  // The stream grows no further than `capacity` bytes: writes beyond that offset are cut short.
  void SetCapacity(int64_t capacity) { capacity_ = capacity; }
  // Empties the stream and goes back to its start, keeping the memory for what is written next.
  void Clear() {
    bytes_.clear();
    position_ = 0;
  }

 private:
  std::string bytes_;
  int64_t position_ = 0;
  int64_t capacity_ = std::numeric_limits<int64_t>::max();
};

}  // namespace velmorra
