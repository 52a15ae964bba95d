#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmorra {

class TLite3ResultSet;

// A text of a message in the form a document's dictionary stores it (TDictionary::StoredForm),
// kept in the bytes of its batch, with its TDictionary::HashStored once FinishRows has worked it
// out.
struct TStoredTextRef {
  size_t Offset = 0;
  uint32_t Length = 0;
  uint32_t Hash = 0;
};

// What a row of the message query becomes before its sms element is made: the texts of `address`
// (the Sender, decoded by DecodeStoredText), `date` (the decimal digits of TimestampToUnixMillis
// of SentReceivedTimestamp) and `body` (the Text, decoded by DecodeStoredText), and whether the
// Status marks a sent message. The reading thread leaves the moment as it read it: its
// milliseconds where the stored number tells them, else the bytes they are read from; FinishRows
// makes `Date` of it.
struct TMessageRow {
  TStoredTextRef Address;
  TStoredTextRef Date;
  TStoredTextRef Body;
  std::optional<int64_t> Millis;
  TStoredTextRef Moment;  // the SentReceivedTimestamp's bytes when Millis is empty
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

// The columns of MessageEx that the export reads, by name.
inline constexpr std::array<std::string_view, 4> kMessageColumns = {
    "Sender", "SentReceivedTimestamp", "Status", "Text"};

// The select list of the message query: of the columns `columns` (those of SELECT * FROM
// MessageEx), the first one of each name in kMessageColumns (letter case ignored, as
// TResultRow::ColumnIndex does), quoted; "*" when the table has none of them. The library then
// reads no value the export does not use.
std::string MessageColumnsSql(const std::vector<std::string>& columns);

// Reads the rows of the message query prepared on `messages` into batches, reading each value as
// the export reads it (see TMessageRow; a missing column or NULL reads as the empty text, a
// Status that is no 32-bit integer as 0). In a datastore that keeps its text in UTF-16 the texts
// are read as UTF-16, a surrogate that is not part of a pair becoming U+FFFD. Numbers are read as
// numbers, not printed by the library and read back, wherever that gives the same texts.
class TMessageRowReader {
 public:
  explicit TMessageRowReader(TLite3ResultSet& messages);

  // Replaces the rows of `batch` by the next rows of the query, at most `row_limit` of them and
  // no more once the batch holds `byte_limit` bytes, each as the reading thread leaves it (see
  // TMessageRow). False when the query has no rows left: then messages.ErrorCode is 101 at the
  // end and the library's error after a failing step.
  bool ReadBatch(TMessageBatch& batch, size_t row_limit, size_t byte_limit);

 private:
  TStoredTextRef AppendText(int column, TMessageBatch& batch);
  void ReadMoment(TMessageRow& row, TMessageBatch& batch);
  // AppendText for a datastore that keeps its text in UTF-16.
  TStoredTextRef AppendUtf16Text(int column, TMessageBatch& batch);
  bool ReadSent();

  TLite3ResultSet& messages_;
  bool utf16_text_;
  int sender_;
  int timestamp_;
  int status_;
  int text_;
};

// Completes the rows that ReadBatch left: the `date` digits of each row's moment, and the hash of
// each text. Independent of the statement, so that another thread than the reading one may do it.
void FinishRows(TMessageBatch& batch);

}  // namespace velmorra
