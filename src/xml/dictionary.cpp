#include "xml/dictionary.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "xml/stored_form.h"

namespace velmorra {

namespace {

// The k-th entry, counted from k = 6, belongs to the power of two 2^k.
constexpr std::array<uint32_t, 25> kBucketPrimes = {
    97,       193,      389,       769,       1543,      3079,      6151,      12289,   24593,
    49157,    98317,    196613,    393241,    786433,    1572869,   3145739,   6291469, 12582917,
    25165843, 50331653, 100663319, 201326611, 402653189, 805306457, 1610612741};

// Texts are stored back to back in blocks of this size; a longer one gets a block of its own. A
// text's location is 32 bits: the block's index in the high ten, the offset in the low 22, so that
// a dictionary holds up to 4 GiB of text.
constexpr size_t kBlockBits = 22;
constexpr size_t kBlockSize = size_t{1} << kBlockBits;
static_assert(kBlockSize % kLargePageSize == 0);
constexpr size_t kMaxBlocks = size_t{1} << (32 - kBlockBits);
// The stored length is a base-128 number of at most this many bytes.
constexpr size_t kMaxLengthBytes = 5;

uint32_t ThresholdFor(uint32_t bucket_count) {
  return bucket_count / 3 * 2;
}

unsigned char* PutLength(unsigned char* out, size_t length) {
  while (length >= 0x80) {
    *out++ = static_cast<unsigned char>(length | 0x80);
    length >>= 7;
  }
  *out++ = static_cast<unsigned char>(length);
  return out;
}

// Eight bytes per step rather than one: hashing took as long as the lookup's memory accesses for
// the long, mostly distinct values of a backup. Each step multiplies and folds the high bits down,
// so every byte reaches the low bits that pick the bucket.
uint32_t HashBytes(std::string_view bytes) {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  uint64_t hash = bytes.size() * kMultiplier;
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> 29;
  }
  uint64_t tail = 0;
  std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
  hash = (hash ^ tail) * kMultiplier;
  hash ^= hash >> 32;
  return static_cast<uint32_t>(hash);
}

}  // namespace

TDictionary::TDictionary() : rebuild_threshold_(0) {
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

uint32_t TDictionary::Encode(std::u16string_view text) const {
  scratch_.resize(3 * text.size());
  char* const start = scratch_.data();
  char* out = start;
  for (const char16_t unit : text)
    out = PutStoredUnit(out, unit);
  scratch_.resize(static_cast<size_t>(out - start));
  return HashBytes(scratch_);
}

uint32_t TDictionary::HashStored(std::string_view stored) {
  return HashBytes(stored);
}

std::string_view TDictionary::Stored(int32_t id) const {
  const uint32_t location = Entry(id).location;
  const unsigned char* p =
      reinterpret_cast<const unsigned char*>(blocks_[location >> kBlockBits].get()) +
      (location & (kBlockSize - 1));
  size_t length = 0;
  for (int shift = 0;; shift += 7) {
    const unsigned char byte = *p++;
    length |= static_cast<size_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80))
      break;
  }
  return {reinterpret_cast<const char*>(p), length};
}

std::optional<int32_t> TDictionary::FindStored(std::string_view stored, uint32_t hash) const {
  for (int32_t id = heads_[hash % heads_.size()]; id >= 0; id = Entry(id).next) {
    if (Entry(id).hash == hash && Stored(id) == stored)
      return id;
  }
  return std::nullopt;
}

std::optional<int32_t> TDictionary::Find(std::u16string_view text) const {
  const uint32_t hash = Encode(text);
  return FindStored(scratch_, hash);
}

TDictionary::TRecent* TDictionary::RecentSlot(std::u16string_view text) {
  if (text.size() > TRecent::kMaxLength)
    return nullptr;
  uint32_t mix = 0;
  for (const char16_t unit : text)
    mix = mix * 31 + unit;
  return &recent_[(mix * 0x9E3779B1u) >> 25];
}

int32_t TDictionary::Intern(std::u16string_view text) {
  TRecent* recent = RecentSlot(text);
  if (recent && recent->used && recent->length == text.size() &&
      std::equal(text.begin(), text.end(), recent->units.begin())) {
    return recent->id;
  }
  const uint32_t hash = Encode(text);
  if (const std::optional<int32_t> known = FindStored(scratch_, hash)) {
    if (recent) {
      recent->used = true;
      recent->length = static_cast<uint8_t>(text.size());
      std::copy(text.begin(), text.end(), recent->units.begin());
      recent->id = *known;
    }
    return *known;
  }
  return Add(scratch_, hash);
}

int32_t TDictionary::InternStored(std::string_view stored, uint32_t hash) {
  if (const std::optional<int32_t> known = FindStored(stored, hash))
    return *known;
  return Add(stored, hash);
}

int32_t TDictionary::Add(std::string_view stored, uint32_t hash) {
  if (Count() == INT32_MAX)
    throw std::length_error("The document's dictionary is full.");

  const int32_t id = Count();
  if ((static_cast<size_t>(id) >> kEntryChunkBits) == entry_chunks_.size())
    entry_chunks_.push_back(std::make_unique_for_overwrite<TEntry[]>(size_t{1} << kEntryChunkBits));
  const size_t bucket = hash % heads_.size();
  Entry(id) = {Store(stored), hash, heads_[bucket]};
  ++count_;
  heads_[bucket] = id;

  if (static_cast<uint32_t>(Count()) >= rebuild_threshold_)
    Rebuild(BucketCountFor(Count()));
  return id;
}

uint32_t TDictionary::Store(std::string_view stored) {
  const size_t needed = kMaxLengthBytes + stored.size();
  if (needed > block_left_) {
    if (blocks_.size() == kMaxBlocks)
      throw std::length_error("The document's dictionary is full.");
    // A text longer than a block gets one of its own, with no room after it.
    const size_t size = std::max(needed, kBlockSize);
    blocks_.push_back(AllocateLargeBlock(size));
    block_next_ = reinterpret_cast<unsigned char*>(blocks_.back().get());
    block_left_ = size;
  }
  unsigned char* const start = block_next_;
  unsigned char* const text = PutLength(start, stored.size());
  std::memcpy(text, stored.data(), stored.size());
  const size_t used = static_cast<size_t>(text - start) + stored.size();
  const auto block = reinterpret_cast<unsigned char*>(blocks_.back().get());
  const auto location = static_cast<uint32_t>(((blocks_.size() - 1) << kBlockBits) |
                                              static_cast<size_t>(start - block));
  block_next_ += used;
  block_left_ -= used;
  return location;
}

void TDictionary::ThrowNoSuchId() {
  throw std::out_of_range("No text of this id in the dictionary.");
}

std::u16string TDictionary::Lookup(int32_t id) const {
  std::u16string text;
  AppendText(id, text);
  return text;
}

void TDictionary::AppendText(int32_t id, std::u16string& out) const {
  CheckId(id);
  const std::string_view stored = Stored(id);
  const size_t start = out.size();
  out.resize(start + stored.size());
  char16_t* text = out.data() + start;
  for (size_t i = 0; i < stored.size();) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(stored[i + k]); };
    if (byte(0) < 0x80) {
      *text++ = byte(0);
      i += 1;
    } else if (byte(0) < 0xE0) {
      *text++ = static_cast<char16_t>(((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F));
      i += 2;
    } else {
      *text++ = static_cast<char16_t>(((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) |
                                      (byte(2) & 0x3F));
      i += 3;
    }
  }
  out.resize(static_cast<size_t>(text - out.data()));
}

void TDictionary::Rebuild(uint32_t bucket_count) {
  heads_.assign(bucket_count, -1);
  for (int32_t id = 0; id < Count(); ++id) {
    const size_t bucket = Entry(id).hash % bucket_count;
    Entry(id).next = heads_[bucket];
    heads_[bucket] = id;
  }
  rebuild_threshold_ = ThresholdFor(bucket_count);
}

}  // namespace velmorra
