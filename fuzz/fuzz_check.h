#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmorra::fuzzing {

// The input being replayed, named in the report of a failed check; empty under libFuzzer, which
// keeps the input itself.
extern std::string CurrentInputName;

// Reports that `condition` does not hold, with `detail`, and aborts: under libFuzzer the input is
// kept as a crash, under the replay the test fails.
[[noreturn]] void FailCheck(const char* condition, const char* file, int line,
                            const std::string& detail);

// The bytes of `text` as C-style escapes, for reports of texts that are not printable.
std::string Printable(std::string_view text);
std::string Printable(std::u16string_view text);

// The UTF-16 code units of `bytes` taken two at a time in little-endian order (an odd last byte
// is dropped).
std::u16string LittleEndianUnits(std::string_view bytes);

// Whether `units` hold a surrogate that is not part of a pair.
bool HoldsLoneSurrogate(std::u16string_view units);

// Takes typed pieces from the front of a fuzzer's input. Once the input is used up every piece
// reads as zero or empty, so a short input still makes a whole (small) case.
class TFuzzInput {
 public:
  TFuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }
  // A number from 0 to `limit` inclusive.
  uint32_t Number(uint32_t limit) {
    uint32_t value = 0;
    for (uint32_t range = limit; range != 0; range >>= 8)
      value = (value << 8) | Byte();
    return limit == UINT32_MAX ? value : value % (limit + 1);
  }
  uint64_t Word64() {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
      value = (value << 8) | Byte();
    return value;
  }
  // At most `limit` bytes: a length byte, then that many bytes.
  std::string Bytes(size_t limit) {
    const size_t wanted = Number(limit > 255 ? 255 : static_cast<uint32_t>(limit));
    return Take(wanted);
  }
  // Up to `count` bytes, fewer when the input ends first.
  std::string Take(size_t count) {
    const size_t taken = count < size_ - pos_ ? count : size_ - pos_;
    std::string bytes(reinterpret_cast<const char*>(data_ + pos_), taken);
    pos_ += taken;
    return bytes;
  }
  // Everything not taken yet.
  std::string Rest() { return Take(size_ - pos_); }
  bool Empty() const { return pos_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace velmorra::fuzzing

// Checks what must hold for every input; a failure names the condition and `detail`.
#define FUZZ_CHECK(condition, detail)                                                      \
  do {                                                                                     \
    if (!(condition))                                                                      \
      ::velmorra::fuzzing::FailCheck(#condition, __FILE__, __LINE__, std::string(detail)); \
  } while (false)
