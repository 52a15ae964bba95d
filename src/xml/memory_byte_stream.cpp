#include "xml/memory_byte_stream.h"

#include <algorithm>
#include <cstring>

namespace velmorra {

int64_t TMemoryByteStream::Read(void* buffer, int64_t count) {
  const int64_t size = static_cast<int64_t>(bytes_.size());
  const int64_t available = std::clamp<int64_t>(size - position_, 0, std::max<int64_t>(count, 0));
  if (available > 0)
    std::memcpy(buffer, bytes_.data() + position_, available);
  position_ += available;
  return available;
}

int64_t TMemoryByteStream::Write(const void* buffer, int64_t count) {
  const int64_t taken = std::clamp<int64_t>(capacity_ - position_, 0, std::max<int64_t>(count, 0));
  if (taken == 0)
    return 0;
  const size_t end = static_cast<size_t>(position_ + taken);
  if (bytes_.size() < end)
    bytes_.resize(end, '\0');
  std::memcpy(bytes_.data() + position_, buffer, taken);
  position_ += taken;
  return taken;
}

int64_t TMemoryByteStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::Current)
    base = position_;
  if (origin == TSeekOrigin::End)
    base = static_cast<int64_t>(bytes_.size());
  position_ = std::max<int64_t>(base + offset, 0);
  return position_;
}

void TMemoryByteStream::SetSize(int64_t size) {
  bytes_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
}

}  // namespace velmorra
