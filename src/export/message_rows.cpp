#include "export/message_rows.h"

#include <charconv>
#include <optional>

#include "db/lite3_db.h"
#include "export/sms_backup_export.h"
#include "export/stored_text.h"
#include "export/timestamp.h"
#include "platform/text_encoding.h"
#include "xml/dictionary.h"

namespace velmorra {

TMessageRowReader::TMessageRowReader(TLite3ResultSet& messages)
    : messages_(messages),
      utf16_text_(messages.Connection().TextEncoding != TTextEncoding::Utf8),
      sender_(messages.EmptyRow.ColumnIndex("Sender")),
      timestamp_(messages.EmptyRow.ColumnIndex("SentReceivedTimestamp")),
      status_(messages.EmptyRow.ColumnIndex("Status")),
      text_(messages.EmptyRow.ColumnIndex("Text")) {}

bool TMessageRowReader::ReadBatch(TMessageBatch& batch, size_t row_limit, size_t byte_limit) {
  batch.Clear();
  while (batch.Rows.size() < row_limit && batch.Bytes.size() < byte_limit) {
    if (!messages_.Step())
      return false;
    TMessageRow& row = batch.Rows.emplace_back();
    row.Address = utf16_text_ ? AppendUtf16Text(sender_, batch) : AppendText(sender_, batch);
    row.Date = AppendDate(batch);
    row.Sent = ReadSent();
    row.Body = utf16_text_ ? AppendUtf16Text(text_, batch) : AppendText(text_, batch);
  }
  return true;
}

TStoredTextRef TMessageRowReader::Finish(size_t offset, TMessageBatch& batch) const {
  const std::string_view stored = std::string_view(batch.Bytes).substr(offset);
  return {offset, static_cast<uint32_t>(stored.size()), TDictionary::HashStored(stored)};
}

TStoredTextRef TMessageRowReader::AppendText(int column, TMessageBatch& batch) {
  const size_t offset = batch.Bytes.size();
  AppendStoredForm(messages_.ColumnBytes(column), batch.Bytes);
  return Finish(offset, batch);
}

// The library's own UTF-8 of UTF-16 text takes the unit after a lone surrogate for its pair and
// loses it; read as UTF-16, the next character survives. A BLOB stays bytes, as in UTF-8.
TStoredTextRef TMessageRowReader::AppendUtf16Text(int column, TMessageBatch& batch) {
  if (messages_.ColumnType(column) != TColumnType::Text)
    return AppendText(column, batch);
  const size_t offset = batch.Bytes.size();
  AppendStoredForm(Utf16ToUtf8(messages_.ColumnText16(column)), batch.Bytes);
  return Finish(offset, batch);
}

// A REAL or INTEGER is read as a number; the library prints it only where the number alone cannot
// tell the second (see RealTimestampToUnixMillis).
TStoredTextRef TMessageRowReader::AppendDate(TMessageBatch& batch) {
  std::optional<int64_t> millis;
  switch (messages_.ColumnType(timestamp_)) {
    case TColumnType::Integer:
      millis = IntegerTimestampToUnixMillis(messages_.ColumnInteger(timestamp_));
      break;
    case TColumnType::Real:
      millis = RealTimestampToUnixMillis(messages_.ColumnReal(timestamp_));
      break;
    default:
      break;
  }
  if (!millis)
    millis = TimestampToUnixMillis(messages_.ColumnBytes(timestamp_));
  char digits[24];
  const char* const end = std::to_chars(digits, digits + sizeof digits, *millis).ptr;
  const size_t offset = batch.Bytes.size();
  batch.Bytes.append(digits, static_cast<size_t>(end - digits));
  return Finish(offset, batch);
}

// An INTEGER prints as its digits, which AsInteger reads back within 32 bits and as 0 beyond; a
// REAL prints with a decimal point or an exponent, which AsInteger reads as 0.
bool TMessageRowReader::ReadSent() {
  int32_t status = 0;
  switch (messages_.ColumnType(status_)) {
    case TColumnType::Integer: {
      const int64_t value = messages_.ColumnInteger(status_);
      status = value >= INT32_MIN && value <= INT32_MAX ? static_cast<int32_t>(value) : 0;
      break;
    }
    case TColumnType::Real:
    case TColumnType::Null:
      break;
    default:
      status = TextAsInteger(messages_.ColumnBytes(status_));
      break;
  }
  return IsSentStatus(status);
}

}  // namespace velmorra
