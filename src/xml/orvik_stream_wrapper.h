#pragma once

#include <cstdint>

#include "xml/byte_stream.h"

namespace velmorra {

// A byte stream that forwards every operation to a wrapped stream, which it does not own and which
// must outlive it. The size query (where am I, where is the end, back again) is answered without
// moving the wrapped stream: a position query is answered from the wrapped stream's position, a
// following seek to the end from its size, and the seek back cancels both. Such a deferred seek
// still pending when the next read, write or resize comes is carried out first. Every other seek
// is forwarded at once.
class TOrvikStreamWrapper : public TByteStream {
 public:
  explicit TOrvikStreamWrapper(TByteStream& stream) : stream_(stream) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;

 protected:
  // The wrapped stream with any deferred seek carried out, ready for reading or writing.
  TByteStream& Stream();

 private:
  enum class TPendingSeek { None, ToQueriedPosition, ToEnd };

  TByteStream& stream_;
  TPendingSeek pending_ = TPendingSeek::None;
  int64_t queried_position_ = 0;
  int64_t queried_size_ = 0;
};

}  // namespace velmorra
