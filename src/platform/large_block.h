#pragma once

#include <cstddef>
#include <memory>

namespace velmorra {

// Frees a block of AllocateLargeBlock.
struct TLargeBlockDeleter {
  size_t Size = 0;
  void operator()(std::byte* block) const;
};
using TLargeBlock = std::unique_ptr<std::byte[], TLargeBlockDeleter>;

// The unit large blocks are sized and aligned in (the size of a large page): a large block's size
// should be a multiple of it.
inline constexpr size_t kLargePageSize = 2 * 1024 * 1024;

// `size` bytes for a block that is filled soon after it is taken (a document's nodes and texts),
// aligned to kLargePageSize, in the system's ordinary pages: memory that is never touched takes
// no room. Throws std::bad_alloc when no memory is left.
TLargeBlock AllocateLargeBlock(size_t size);

}  // namespace velmorra
