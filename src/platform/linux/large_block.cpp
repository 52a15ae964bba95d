#include "platform/large_block.h"

#include <cstdlib>
#include <new>

namespace velmorra {

void TLargeBlockDeleter::operator()(std::byte* block) const {
  std::free(block);
}

// No transparent huge pages are asked for: on the machines measured, zeroing them as they were
// faulted in took more system time (and more wall time) than their fewer faults and misses in the
// address translation saved.
TLargeBlock AllocateLargeBlock(size_t size) {
  const size_t rounded = (size + kLargePageSize - 1) / kLargePageSize * kLargePageSize;
  void* block = std::aligned_alloc(kLargePageSize, rounded);
  if (block == nullptr)
    throw std::bad_alloc();
  return TLargeBlock(static_cast<std::byte*>(block), TLargeBlockDeleter{rounded});
}

}  // namespace velmorra
