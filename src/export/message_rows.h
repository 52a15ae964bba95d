#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmorra {

class TLite3ResultSet;

// A text of a message in the form a document's dictionary stores it (TDictionary::StoredForm),
// kept in the bytes of its batch, with its TDictionary::HashStored.
struct TStoredTextRef {
  size_t Offset = 0;
  uint32_t Length = 0;
  uint32_t Hash = 0;
};

// What a row of the message query becomes before its sms element is made: the texts of `address`
// (the Sender, decoded by DecodeStoredText), `date` (the decimal digits of TimestampToUnixMillis
// of SentReceivedTimestamp) and `body` (the Text, decoded by DecodeStoredText), and whether the
// Status marks a sent message.
struct TMessageRow {
  TStoredTextRef Address;
  TStoredTextRef Date;
  TStoredTextRef Body;
  bool Sent = false;
};

// Consecutive rows of the message query, in query order, with the bytes their texts are in.
// Clearing keeps the memory for the next rows.
struct TMessageBatch {
  std::vector<TMessageRow> Rows;
  std::string Bytes;

  std::string_view Text(const TStoredTextRef& text) const {
    return std::string_view(Bytes).substr(text.Offset, text.Length);
  }
  void Clear() {
    Rows.clear();
    Bytes.clear();
  }
};

// Reads the rows of the message query prepared on `messages` into batches, reading each value as
// the export reads it (see TMessageRow; a missing column or NULL reads as the empty text, a
// Status that is no 32-bit integer as 0). In a datastore that keeps its text in UTF-16 the texts
// are read as UTF-16, a surrogate that is not part of a pair becoming U+FFFD. Numbers are read as
// numbers, not printed by the library and read back, wherever that gives the same texts.
class TMessageRowReader {
 public:
  explicit TMessageRowReader(TLite3ResultSet& messages);

  // Replaces the rows of `batch` by the next rows of the query, at most `row_limit` of them and
  // no more once the batch holds `byte_limit` bytes. False when the query has no rows left: then
  // messages.ErrorCode is 101 at the end and the library's error after a failing step.
  bool ReadBatch(TMessageBatch& batch, size_t row_limit, size_t byte_limit);

 private:
  TStoredTextRef AppendText(int column, TMessageBatch& batch);
  // AppendText for a datastore that keeps its text in UTF-16.
  TStoredTextRef AppendUtf16Text(int column, TMessageBatch& batch);
  TStoredTextRef AppendDate(TMessageBatch& batch);
  bool ReadSent();
  TStoredTextRef Finish(size_t offset, TMessageBatch& batch) const;

  TLite3ResultSet& messages_;
  bool utf16_text_;
  int sender_;
  int timestamp_;
  int status_;
  int text_;
};

}  // namespace velmorra
