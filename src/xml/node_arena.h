#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/large_block.h"

namespace velmorra {

// The memory of one document's nodes: handed out in order from large blocks (backed by large pages
// where the system can) and given back only all at once, when the arena goes. A node that is destroyed earlier leaves its bytes unused.
// Allocate throws std::bad_alloc when no memory is left.
class TNodeArena {
 public:
  TNodeArena() = default;
  TNodeArena(const TNodeArena&) = delete;
  TNodeArena& operator=(const TNodeArena&) = delete;

  // `size` bytes at a multiple of `alignment` (a power of two no larger than
  // alignof(std::max_align_t)).
  void* Allocate(size_t size, size_t alignment);

  // Bytes taken from the system so far.
  size_t ReservedBytes() const { return reserved_bytes_; }

 private:
  static constexpr size_t kBlockSize = 2 * kLargePageSize;

  std::vector<TLargeBlock> blocks_;
  std::byte* next_ = nullptr;
  size_t left_ = 0;
  size_t reserved_bytes_ = 0;
};

}  // namespace velmorra
