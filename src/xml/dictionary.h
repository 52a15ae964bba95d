#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmorra {

// Interns the names and values of one document: each distinct text is stored once and known by
// an id, consecutive from 0 in order of first appearance, valid as long as the dictionary lives.
// Texts are compared exactly (case-sensitive) and come back exactly as they went in, lone
// surrogates and U+0000 included.
class TDictionary {
 public:
  TDictionary();

  // The id of `text`, adding it when it is new.
  int32_t Intern(std::u16string_view text);
  // The id of `text` if it was interned, without adding it.
  std::optional<int32_t> Find(std::u16string_view text) const;
  // The text of `id`. Throws std::out_of_range for an id that was never handed out.
  std::u16string Lookup(int32_t id) const;

  int32_t Count() const { return static_cast<int32_t>(hashes_.size()); }
  // Size of the hash index: 97 for a new dictionary, growing along a table of primes.
  uint32_t BucketCount() const { return static_cast<uint32_t>(heads_.size()); }

  // The bucket count the index takes for `text_count` texts: the prime that belongs to the
  // smallest power of two that is at least 64 and not below `text_count`.
  static uint32_t BucketCountFor(size_t text_count);

 private:
  // Fills `scratch_` with the stored form of `text` and returns its hash.
  uint32_t Encode(std::u16string_view text) const;
  std::optional<int32_t> FindEncoded(uint32_t hash) const;
  std::string_view Stored(int32_t id) const;
  void Rebuild(uint32_t bucket_count);

  std::string bytes_;             // every text's stored form, back to back
  std::vector<size_t> starts_;    // where each id's bytes start; one more entry marks the end
  std::vector<uint32_t> hashes_;  // per id, so that a rebuild need not hash again
  std::vector<int32_t> next_;     // per id, the next id in the same bucket, or -1
  std::vector<int32_t> heads_;    // per bucket, the first id, or -1
  uint32_t rebuild_threshold_;
  mutable std::string scratch_;
};

}  // namespace velmorra
