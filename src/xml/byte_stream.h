#pragma once

#include <cstdint>

namespace velmorra {

enum class TSeekOrigin { Beginning, Current, End };

// A seekable stream of bytes. The size is found the classic way, through three seeks (where am
// I, where is the end, back again), which wrappers may answer without touching the stream below.
class TByteStream {
 public:
  virtual ~TByteStream() = default;

  // Reads up to `count` bytes; returns how many were read.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to `count` bytes; returns how many were taken. Fewer than `count` is a short
  // write (a full disk, say); the stream reports it only through this count.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position and returns the new one.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  // Cuts or extends the stream to `size` bytes.
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  int64_t Size() {
    const int64_t position = Seek(0, TSeekOrigin::Current);
    const int64_t size = Seek(0, TSeekOrigin::End);
    Seek(position, TSeekOrigin::Beginning);
    return size;
  }
};

}  // namespace velmorra
