#include "platform/large_block.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace velmorra {

void TLargeBlockDeleter::operator()(std::byte* block) const {
  std::free(block);
}

// Transparent huge pages are given to memory that asks for them (the usual "madvise" setting);
// advice the kernel does not take changes nothing.
TLargeBlock AllocateLargeBlock(size_t size) {
  const size_t rounded = (size + kLargePageSize - 1) / kLargePageSize * kLargePageSize;
  void* block = std::aligned_alloc(kLargePageSize, rounded);
  if (block == nullptr)
    throw std::bad_alloc();
  madvise(block, rounded, MADV_HUGEPAGE);
  return TLargeBlock(static_cast<std::byte*>(block), TLargeBlockDeleter{rounded});
}

}  // namespace velmorra
