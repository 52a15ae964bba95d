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

namespace {

// A column name as an SQL identifier: in double quotes, each one inside doubled.
std::string QuotedName(std::string_view name) {
  std::string quoted = "\"";
  for (const char c : name) {
    quoted += c;
    if (c == '"')
      quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string MessageColumnsSql(const std::vector<std::string>& columns) {
  const TResultRow names(&columns);
  std::string list;
  for (const std::string_view name : kMessageColumns) {
    const int index = names.ColumnIndex(name);
    if (index < 0)
      continue;
    list += list.empty() ? "" : ", ";
    list += QuotedName(columns[static_cast<size_t>(index)]);
  }
  return list.empty() ? "*" : list;
}

TMessageRowReader::TMessageRowReader(TLite3ResultSet& messages)
    : messages_(messages),
      utf16_text_(messages.Connection().TextEncoding != TTextEncoding::Utf8),
      sender_(messages.EmptyRow.ColumnIndex(kMessageColumns[0])),
      timestamp_(messages.EmptyRow.ColumnIndex(kMessageColumns[1])),
      status_(messages.EmptyRow.ColumnIndex(kMessageColumns[2])),
      text_(messages.EmptyRow.ColumnIndex(kMessageColumns[3])) {}

bool TMessageRowReader::ReadBatch(TMessageBatch& batch, size_t row_limit, size_t byte_limit) {
  batch.Clear();
  while (batch.Rows.size() < row_limit && batch.Bytes.size() < byte_limit) {
    if (!messages_.Step())
      return false;
    TMessageRow& row = batch.Rows.emplace_back();
    row.Address = utf16_text_ ? AppendUtf16Text(sender_, batch) : AppendText(sender_, batch);
    ReadMoment(row, batch);
    row.Sent = ReadSent();
    row.Body = utf16_text_ ? AppendUtf16Text(text_, batch) : AppendText(text_, batch);
  }
  return true;
}

TStoredTextRef TMessageRowReader::AppendText(int column, TMessageBatch& batch) {
  const size_t offset = batch.Bytes.size();
  AppendStoredForm(messages_.ColumnBytes(column), batch.Bytes);
  return {offset, static_cast<uint32_t>(batch.Bytes.size() - offset)};
}

// The library's own UTF-8 of UTF-16 text takes the unit after a lone surrogate for its pair and
// loses it; read as UTF-16, the next character survives. A BLOB stays bytes, as in UTF-8.
TStoredTextRef TMessageRowReader::AppendUtf16Text(int column, TMessageBatch& batch) {
  if (messages_.ColumnType(column) != TColumnType::Text)
    return AppendText(column, batch);
  const size_t offset = batch.Bytes.size();
  AppendStoredForm(Utf16ToUtf8(messages_.ColumnText16(column)), batch.Bytes);
  return {offset, static_cast<uint32_t>(batch.Bytes.size() - offset)};
}

// A REAL or INTEGER is read as a number; the library prints it only where the number alone cannot
// tell the second (see RealTimestampToUnixMillis).
void TMessageRowReader::ReadMoment(TMessageRow& row, TMessageBatch& batch) {
  switch (messages_.ColumnType(timestamp_)) {
    case TColumnType::Integer:
      row.Millis = IntegerTimestampToUnixMillis(messages_.ColumnInteger(timestamp_));
      break;
    case TColumnType::Real:
      row.Millis = RealTimestampToUnixMillis(messages_.ColumnReal(timestamp_));
      break;
    default:
      break;
  }
  if (row.Millis)
    return;
  const size_t offset = batch.Bytes.size();
  batch.Bytes.append(messages_.ColumnBytes(timestamp_));
  row.Moment = {offset, static_cast<uint32_t>(batch.Bytes.size() - offset)};
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

namespace {

void Hash(const TMessageBatch& batch, TStoredTextRef& text) {
  text.Hash = TDictionary::HashStored(batch.Text(text));
}

}  // namespace

void FinishRows(TMessageBatch& batch) {
  for (TMessageRow& row : batch.Rows) {
    const int64_t millis = row.Millis ? *row.Millis : TimestampToUnixMillis(batch.Text(row.Moment));
    char digits[24];
    const char* const end = std::to_chars(digits, digits + sizeof digits, millis).ptr;
    row.Date = {batch.Bytes.size(), static_cast<uint32_t>(end - digits)};
    batch.Bytes.append(digits, row.Date.Length);
    Hash(batch, row.Address);
    Hash(batch, row.Date);
    Hash(batch, row.Body);
  }
}

}  // namespace velmorra
