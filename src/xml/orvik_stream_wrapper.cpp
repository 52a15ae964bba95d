#include "xml/orvik_stream_wrapper.h"

namespace velmorra {

TByteStream& TOrvikStreamWrapper::Stream() {
  // A pending position query needs nothing: the wrapped stream never moved.
  if (pending_ == TPendingSeek::ToEnd)
    stream_.Seek(0, TSeekOrigin::End);
  pending_ = TPendingSeek::None;
  return stream_;
}

int64_t TOrvikStreamWrapper::Read(void* buffer, int64_t count) {
  return Stream().Read(buffer, count);
}

int64_t TOrvikStreamWrapper::Write(const void* buffer, int64_t count) {
  return Stream().Write(buffer, count);
}

void TOrvikStreamWrapper::SetSize(int64_t size) {
  Stream().SetSize(size);
}

int64_t TOrvikStreamWrapper::Seek(int64_t offset, TSeekOrigin origin) {
  if (origin == TSeekOrigin::Current && offset == 0) {
    switch (pending_) {
      case TPendingSeek::None:
        queried_position_ = stream_.Seek(0, TSeekOrigin::Current);
        pending_ = TPendingSeek::ToQueriedPosition;
        return queried_position_;
      case TPendingSeek::ToQueriedPosition:
        return queried_position_;
      case TPendingSeek::ToEnd:
        return queried_size_;
    }
  }
  if (origin == TSeekOrigin::End && offset == 0 && pending_ != TPendingSeek::None) {
    if (pending_ == TPendingSeek::ToQueriedPosition) {
      queried_size_ = stream_.Size();
      pending_ = TPendingSeek::ToEnd;
    }
    return queried_size_;
  }
  if (origin == TSeekOrigin::Beginning && pending_ != TPendingSeek::None &&
      offset == queried_position_) {
    pending_ = TPendingSeek::None;
    return queried_position_;
  }
  // A seek relative to the current position must start from where the deferred seek leads; the
  // other seeks do not depend on it.
  if (origin == TSeekOrigin::Current)
    return Stream().Seek(offset, origin);
  pending_ = TPendingSeek::None;
  return stream_.Seek(offset, origin);
}

}  // namespace velmorra
