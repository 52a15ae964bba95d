#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/large_block.h"

namespace velmorra {

// Interns the names and values of one document: each distinct text is stored once and known by
// an id, consecutive from 0 in order of first appearance, valid as long as the dictionary lives.
// Texts are compared exactly (case-sensitive) and come back exactly as they went in, lone
// surrogates and U+0000 included.
class TDictionary {
 public:
  TDictionary();
  TDictionary(const TDictionary&) = delete;
  TDictionary& operator=(const TDictionary&) = delete;

  // The id of `text`, adding it when it is new.
  int32_t Intern(std::u16string_view text);
  // Intern of the text whose stored form (see StoredForm) is `stored`, with `hash` =
  // HashStored(stored). For a caller that has the stored form already: it spares the UTF-16 text.
  int32_t InternStored(std::string_view stored, uint32_t hash);
  // The hash the index keeps for a stored form. Depends on nothing but the bytes, so that it may
  // be worked out on any thread ahead of InternStored.
  static uint32_t HashStored(std::string_view stored);
  // Starts fetching the part of the index where a text of `hash` is looked for, so that an
  // InternStored of it soon after does not wait for memory. Changes nothing.
  void Prefetch(uint32_t hash) const { __builtin_prefetch(heads_.data() + hash % heads_.size()); }
  // The id of `text` if it was interned, without adding it.
  std::optional<int32_t> Find(std::u16string_view text) const;
  // The text of `id`. Throws std::out_of_range for an id that was never handed out.
  std::u16string Lookup(int32_t id) const;
  // Lookup, appending the text to `out` instead of making a new string.
  void AppendText(int32_t id, std::u16string& out) const;

  // The stored form of the text of `id` (see PutStoredUnit: each UTF-16 code unit UTF-8 encoded
  // on its own, U+0000 as E0 80 80), valid as long as the dictionary lives. Throws
  // std::out_of_range like Lookup.
  std::string_view StoredForm(int32_t id) const {
    CheckId(id);
    return Stored(id);
  }

  int32_t Count() const { return count_; }
  // Throws std::out_of_range, as Lookup does, for an id that was never handed out.
  void CheckId(int32_t id) const {
    if (id < 0 || id >= Count())
      ThrowNoSuchId();
  }
  // Size of the hash index: 97 for a new dictionary, growing along a table of primes.
  uint32_t BucketCount() const { return static_cast<uint32_t>(heads_.size()); }

  // The bucket count the index takes for `text_count` texts: the prime that belongs to the
  // smallest power of two that is at least 64 and not below `text_count`.
  static uint32_t BucketCountFor(size_t text_count);

 private:
  // Twelve bytes a text, as a document may hold millions of them.
  struct TEntry {
    uint32_t location;  // of the stored form's length (base 128) and the form: see Store
    uint32_t hash;
    int32_t next;  // the next id in the same bucket, or -1
  };
  // A text met more than once, kept with its id so that the next meeting skips the index.
  struct TRecent {
    static constexpr size_t kMaxLength = 24;
    uint8_t length = 0;
    bool used = false;
    std::array<char16_t, kMaxLength> units;
    int32_t id = -1;
  };

  // Fills `scratch_` with the stored form of `text` and returns its hash.
  uint32_t Encode(std::u16string_view text) const;
  std::optional<int32_t> FindStored(std::string_view stored, uint32_t hash) const;
  std::string_view Stored(int32_t id) const;
  // Adds the new text of stored form `stored` and returns its id.
  int32_t Add(std::string_view stored, uint32_t hash);
  // Copies `stored`, after its length, into the text blocks and returns where that starts: the
  // index of the block, times kBlockSize, plus the offset in it. Throws std::length_error when
  // the blocks can be counted no further.
  uint32_t Store(std::string_view stored);
  void Rebuild(uint32_t bucket_count);
  TRecent* RecentSlot(std::u16string_view text);
  [[noreturn]] static void ThrowNoSuchId();

  std::vector<TLargeBlock> blocks_;  // stored forms, each with its length
  unsigned char* block_next_ = nullptr;
  size_t block_left_ = 0;
  // The entries per id, in chunks of a fixed size: they grow without moving, nor doubling.
  static constexpr int kEntryChunkBits = 14;
  TEntry& Entry(int32_t id) const {
    return entry_chunks_[static_cast<size_t>(id) >> kEntryChunkBits]
                        [static_cast<size_t>(id) & ((size_t{1} << kEntryChunkBits) - 1)];
  }
  std::vector<std::unique_ptr<TEntry[]>> entry_chunks_;
  int32_t count_ = 0;
  std::vector<int32_t> heads_;  // per bucket, the first id, or -1
  uint32_t rebuild_threshold_;
  std::array<TRecent, 128> recent_;
  mutable std::string scratch_;
};

}  // namespace velmorra
