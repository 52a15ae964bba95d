#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velmorra {

// Sixteen bytes looked at together, for the loops that pass over every byte of a text. GCC and
// Clang compile these vectors to the machine's vector instructions (SSE2 on x86-64); a comparison
// gives each lane all ones where it holds, all zeros where not.
using TByteLanes = unsigned char __attribute__((vector_size(16)));

inline constexpr size_t kLaneCount = sizeof(TByteLanes);

// The sixteen bytes at `p`, which need no alignment.
inline TByteLanes LoadLanes(const unsigned char* p) {
  TByteLanes lanes;
  std::memcpy(&lanes, p, sizeof lanes);
  return lanes;
}

// The index of the first lane of `mask` (each lane all ones or all zeros) that is set, in the
// order of the bytes in memory; kLaneCount when none is.
inline size_t FirstSetLane(TByteLanes mask) {
  static_assert(std::endian::native == std::endian::little, "lanes are read as little-endian");
  uint64_t halves[2];
  std::memcpy(halves, &mask, sizeof halves);
  if (halves[0] != 0)
    return static_cast<size_t>(std::countr_zero(halves[0])) / 8;
  if (halves[1] != 0)
    return 8 + static_cast<size_t>(std::countr_zero(halves[1])) / 8;
  return kLaneCount;
}

}  // namespace velmorra
