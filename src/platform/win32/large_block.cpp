#include "platform/large_block.h"

#include <malloc.h>

#include <new>

namespace velmorra {

void TLargeBlockDeleter::operator()(std::byte* block) const {
  _aligned_free(block);
}

// Large pages on Windows need a privilege that programs do not have; the block is plain memory.
TLargeBlock AllocateLargeBlock(size_t size) {
  const size_t rounded = (size + kLargePageSize - 1) / kLargePageSize * kLargePageSize;
  void* block = _aligned_malloc(rounded, kLargePageSize);
  if (block == nullptr)
    throw std::bad_alloc();
  return TLargeBlock(static_cast<std::byte*>(block), TLargeBlockDeleter{rounded});
}

}  // namespace velmorra
