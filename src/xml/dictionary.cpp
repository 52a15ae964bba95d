#include "xml/dictionary.h"

#include <array>
#include <stdexcept>

namespace velmorra {

namespace {

// The k-th entry, counted from k = 6, belongs to the power of two 2^k.
constexpr std::array<uint32_t, 25> kBucketPrimes = {
    97,       193,      389,       769,       1543,      3079,      6151,      12289,   24593,
    49157,    98317,    196613,    393241,    786433,    1572869,   3145739,   6291469, 12582917,
    25165843, 50331653, 100663319, 201326611, 402653189, 805306457, 1610612741};

uint32_t ThresholdFor(uint32_t bucket_count) {
  return bucket_count / 3 * 2;
}

}  // namespace

TDictionary::TDictionary() : starts_{0}, rebuild_threshold_(0) {
  Rebuild(kBucketPrimes[0]);
}

uint32_t TDictionary::BucketCountFor(size_t text_count) {
  size_t power = 64;
  size_t index = 0;
  while (power < text_count && index + 1 < kBucketPrimes.size()) {
    power *= 2;
    ++index;
  }
  return kBucketPrimes[index];
}

// Each code unit is encoded on its own, never as part of a surrogate pair, so that every sequence
// of 16-bit units (lone surrogates and U+0000 too) has a stored form and decodes back unchanged.
uint32_t TDictionary::Encode(std::u16string_view text) const {
  scratch_.clear();
  for (const char16_t unit : text) {
    if (unit < 0x80 && unit != 0) {
      scratch_.push_back(static_cast<char>(unit));
    } else if (unit < 0x800 && unit != 0) {
      scratch_.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      scratch_.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      scratch_.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      scratch_.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      scratch_.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  uint32_t hash = 2166136261u;  // FNV-1a
  for (const char byte : scratch_) {
    hash = (hash ^ static_cast<unsigned char>(byte)) * 16777619u;
  }
  return hash;
}

std::string_view TDictionary::Stored(int32_t id) const {
  return std::string_view(bytes_).substr(starts_[id], starts_[id + 1] - starts_[id]);
}

std::optional<int32_t> TDictionary::FindEncoded(uint32_t hash) const {
  for (int32_t id = heads_[hash % heads_.size()]; id >= 0; id = next_[id]) {
    if (hashes_[id] == hash && Stored(id) == scratch_)
      return id;
  }
  return std::nullopt;
}

std::optional<int32_t> TDictionary::Find(std::u16string_view text) const {
  return FindEncoded(Encode(text));
}

int32_t TDictionary::Intern(std::u16string_view text) {
  const uint32_t hash = Encode(text);
  if (const std::optional<int32_t> known = FindEncoded(hash))
    return *known;
  if (Count() == INT32_MAX)
    throw std::length_error("The document's dictionary is full.");

  const int32_t id = Count();
  bytes_ += scratch_;
  starts_.push_back(bytes_.size());
  hashes_.push_back(hash);
  const size_t bucket = hash % heads_.size();
  next_.push_back(heads_[bucket]);
  heads_[bucket] = id;

  if (static_cast<uint32_t>(Count()) >= rebuild_threshold_)
    Rebuild(BucketCountFor(Count()));
  return id;
}

std::u16string TDictionary::Lookup(int32_t id) const {
  if (id < 0 || id >= Count())
    throw std::out_of_range("No text of this id in the dictionary.");
  const std::string_view stored = Stored(id);
  std::u16string text;
  text.reserve(stored.size());
  for (size_t i = 0; i < stored.size();) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(stored[i + k]); };
    if (byte(0) < 0x80) {
      text.push_back(byte(0));
      i += 1;
    } else if (byte(0) < 0xE0) {
      text.push_back(static_cast<char16_t>(((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F)));
      i += 2;
    } else {
      text.push_back(static_cast<char16_t>(((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) |
                                           (byte(2) & 0x3F)));
      i += 3;
    }
  }
  return text;
}

void TDictionary::Rebuild(uint32_t bucket_count) {
  heads_.assign(bucket_count, -1);
  for (int32_t id = 0; id < Count(); ++id) {
    const size_t bucket = hashes_[id] % bucket_count;
    next_[id] = heads_[bucket];
    heads_[bucket] = id;
  }
  rebuild_threshold_ = ThresholdFor(bucket_count);
}

}  // namespace velmorra
