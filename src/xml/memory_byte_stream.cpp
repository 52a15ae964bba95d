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
  const auto start = static_cast<size_t>(position_);
  const auto length = static_cast<size_t>(taken);
  if (start == bytes_.size()) {
    bytes_.append(static_cast<const char*>(buffer), length);  // the common case: at the end
  } else {
    if (bytes_.size() < start + length)
      bytes_.resize(start + length, '\0');
    std::memcpy(bytes_.data() + start, buffer, length);
  }
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
