#include "xml/node_arena.h"

#include <cstdint>

namespace velmorra {

void* TNodeArena::Allocate(size_t size, size_t alignment) {
  const size_t padding = (alignment - reinterpret_cast<uintptr_t>(next_) % alignment) % alignment;
  if (padding + size > left_) {
    // A node larger than a block (never in practice) gets a block of its own. Blocks start at the
    // strictest alignment.
    const size_t block_size = size > kBlockSize ? size : kBlockSize;
    blocks_.push_back(AllocateLargeBlock(block_size));
    next_ = blocks_.back().get();
    left_ = block_size;
    reserved_bytes_ += block_size;
  } else {
    next_ += padding;
    left_ -= padding;
  }
  void* memory = next_;
  next_ += size;
  left_ -= size;
  return memory;
}

}  // namespace velmorra
