#include "db/min_db.h"

#include <algorithm>
#include <cstdint>

#include "platform/hex_digit.h"
#include "platform/lower_case.h"
#include "platform/text_encoding.h"

namespace velmorra {

namespace {

// One to eight significant hexadecimal digits and nothing else, as a 32-bit pattern.
bool ParseHexDigits(std::string_view digits, uint32_t& value) {
  if (digits.empty())
    return false;
  value = 0;
  int significant = 0;
  for (char c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0)
      return false;
    if (significant > 0 || digit != 0)
      ++significant;
    if (significant > 8)
      return false;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return true;
}

// Decimal digits and nothing else, with a magnitude no larger than `limit`.
bool ParseDecimalDigits(std::string_view digits, uint64_t limit, uint64_t& value) {
  if (digits.empty())
    return false;
  value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9')
      return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > limit)
      return false;
  }
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

int32_t TextAsInteger(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::size_t hex_prefix = 0;
  if (StartsWith(text, "0x") || StartsWith(text, "0X")) {
    hex_prefix = 2;
  } else if (StartsWith(text, "$") || StartsWith(text, "x") || StartsWith(text, "X")) {
    hex_prefix = 1;
  }
  if (hex_prefix > 0) {
    uint32_t pattern = 0;
    if (!ParseHexDigits(text.substr(hex_prefix), pattern))
      return 0;
    // A hexadecimal value is a bit pattern; negating it wraps around like the 32-bit type does.
    if (negative)
      pattern = 0u - pattern;
    return static_cast<int32_t>(pattern);
  }
  uint64_t magnitude = 0;
  const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  if (!ParseDecimalDigits(text, limit, magnitude))
    return 0;
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                       : static_cast<int64_t>(magnitude));
}

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return LowerAscii(x) == LowerAscii(y);
           });
  }
  if (a == b)
    return true;
  return LowerCaseUtf16(AnsiToUtf16(a)) == LowerCaseUtf16(AnsiToUtf16(b));
}

const std::vector<std::string>& NoFields() {
  static const std::vector<std::string> none;
  return none;
}

}  // namespace

std::u16string TResultCell::AsWideString() const {
  if (IsNull)
    return {};
  return Utf8ToUtf16(AsString);
}

int32_t TResultCell::AsInteger() const {
  return TextAsInteger(AsString);
}

const std::string& TResultRow::Strings(int index) const {
  static const std::string empty;
  return index >= 0 && index < Count() ? values_[index] : empty;
}

void TResultRow::Add(std::string value, bool is_null) {
  if (count_ < values_.size()) {
    values_[count_] = std::move(value);
  } else {
    values_.push_back(std::move(value));
  }
  ++count_;
  nulls_.push_back(is_null);
}

void TResultRow::AddBytes(const char* bytes, size_t size, bool is_null) {
  if (count_ == values_.size())
    values_.emplace_back();
  if (size == 0) {
    values_[count_].clear();
  } else {
    values_[count_].assign(bytes, size);
  }
  ++count_;
  nulls_.push_back(is_null);
}

void TResultRow::Clear() {
  count_ = 0;
  nulls_.clear();
}

TResultCell& TResultRow::Cells(int index) {
  if (index >= 0 && index < Count()) {
    cell_.AsString = values_[index];
    cell_.IsNull = nulls_[index];
  } else {
    cell_.AsString.clear();
    cell_.IsNull = true;
  }
  return cell_;
}

TResultCell& TResultRow::CellByName(std::string_view name) {
  return Cells(ColumnIndex(name));
}

int TResultRow::ColumnIndex(std::string_view name) const {
  const std::vector<std::string>& fields = Fields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (SameNameIgnoringCase(fields[i], name))
      return static_cast<int>(i);
  }
  return -1;
}

const std::vector<std::string>& TResultRow::Fields() const {
  return fields_ ? *fields_ : NoFields();
}

TResultSet::TResultSet(TMinDB& db, TRegistration registration)
    : Db(db), registered_(registration == TRegistration::Registered) {
  if (registered_)
    Db.Register(this);
}

TResultSet::~TResultSet() {
  if (registered_)
    Db.Unregister(this);
}

bool TResultSet::QueryFmt(const std::string& Format, const TSqlArgs& Args) {
  TFormattedSql sql = FormatSql(Format, Args, TSqlFormatMode::Ansi);
  if (!sql.Complete)
    return FailInvalidFormat();
  return Query(sql.Text);
}

bool TResultSet::QueryFmtW(const std::u16string& Format, const TSqlArgs& Args) {
  TFormattedSql sql = FormatSql(Utf16ToUtf8(Format), Args, TSqlFormatMode::Wide);
  if (!sql.Complete)
    return FailInvalidFormat();
  return QueryW(sql.TextW);
}

bool TResultSet::PrepareFmt(const std::string& Format, const TSqlArgs& Args) {
  TFormattedSql sql = FormatSql(Format, Args, TSqlFormatMode::Ansi);
  if (!sql.Complete)
    return FailInvalidFormat();
  return Prepare(sql.Text);
}

bool TResultSet::PrepareFmtW(const std::u16string& Format, const TSqlArgs& Args) {
  TFormattedSql sql = FormatSql(Utf16ToUtf8(Format), Args, TSqlFormatMode::Wide);
  if (!sql.Complete)
    return FailInvalidFormat();
  return PrepareW(sql.TextW);
}

bool TResultSet::FailInvalidFormat() {
  Clear();
  ErrorCode = -1;
  ErrorMessage = "Invalid format";
  return false;
}

void TResultSet::Clear() {
  rows_.clear();
  Columns.clear();
  EmptyRow.Clear();
  RowsAffected = 0;
  LastInsertRowId = 0;
  ErrorCode = 0;
  ErrorMessage.clear();
  Sql.clear();
  SqlW.clear();
  Active = false;
}

TResultRow& TResultSet::Rows(int index) {
  if (index < 0 || index >= RowCount())
    return EmptyRow;
  return rows_[index];
}

std::vector<std::string> TResultSet::ColumnValues(int column) {
  std::vector<std::string> values;
  values.reserve(rows_.size());
  for (TResultRow& row : rows_)
    values.push_back(row.Cells(column).AsString);
  return values;
}

TResultRow& TResultSet::AppendRow() {
  rows_.emplace_back(&Columns);
  return rows_.back();
}

TMinDB::~TMinDB() {
  FreeResultSets();
}

bool TMinDB::StartTransaction() {
  return InternalQuery().Query("BEGIN TRANSACTION");
}

bool TMinDB::Commit() {
  return InternalQuery().Query("COMMIT");
}

bool TMinDB::Rollback() {
  return InternalQuery().Query("ROLLBACK");
}

void TMinDB::RefreshSchema() {
  Tables.clear();
  Indexes.clear();
}

void TMinDB::FreeResultSets() {
  // Each result set removes itself from the list as it goes.
  while (!result_sets_.empty())
    delete result_sets_.back();
}

void TMinDB::Register(TResultSet* result_set) {
  result_sets_.push_back(result_set);
}

void TMinDB::Unregister(TResultSet* result_set) {
  auto found = std::find(result_sets_.begin(), result_sets_.end(), result_set);
  if (found != result_sets_.end())
    result_sets_.erase(found);
}

}  // namespace velmorra
