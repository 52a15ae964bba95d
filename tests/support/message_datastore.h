#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velmorra::testing {

// A value to store in one column: NULL, an integer, a real, or text given as raw bytes. Text is
// bound as TEXT exactly as given, so bytes that are not UTF-8 reach the datastore unchanged;
// Blob(bytes) binds the bytes as a BLOB.
struct TStoredValue {
  enum class TKind { Null, Integer, Real, Text, Blob };

  TStoredValue() = default;
  TStoredValue(std::nullptr_t) {}
  TStoredValue(int value) : Kind(TKind::Integer), Integer(value) {}
  TStoredValue(int64_t value) : Kind(TKind::Integer), Integer(value) {}
  TStoredValue(double value) : Kind(TKind::Real), Real(value) {}
  TStoredValue(const char* bytes) : Kind(TKind::Text), Text(bytes) {}
  TStoredValue(std::string bytes) : Kind(TKind::Text), Text(std::move(bytes)) {}
  static TStoredValue Blob(std::string bytes) {
    TStoredValue value(std::move(bytes));
    value.Kind = TKind::Blob;
    return value;
  }

  TKind Kind = TKind::Null;
  int64_t Integer = 0;
  double Real = 0;
  std::string Text;
};

// One row of MessageEx: the named columns get the given values, every other column is NULL.
using TMessageRow = std::vector<std::pair<std::string, TStoredValue>>;

// The column definitions of the sample datastore's MessageEx table, in table order: the six that
// the export reads and the ones around them that it must ignore.
const std::vector<std::string>& SampleMessageColumns();

// How generated messages look.
struct TGeneratedMessages {
  int64_t Count = 100;       // rows of MessageEx
  int PhoneCount = 3;        // distinct IMEIs
  int NonSmsPercent = 10;    // share of MMS and EMAIL rows, in percent
  uint32_t Seed = 20100101;  // same seed, same datastore
};

// A datastore file being written. The constructor replaces any file at `path` and creates
// MessageEx from `columns`: column definitions, each a name optionally followed by a type (a bare
// name has no declared type, so every value keeps the storage class it was inserted with), in a
// database that keeps its text in `encoding` ("UTF-8", "UTF-16le" or "UTF-16be"). Throws
// std::runtime_error when SQLite fails. The file is complete once the object is gone.
class TMessageDatastore {
 public:
  explicit TMessageDatastore(const std::string& path,
                             const std::vector<std::string>& columns = SampleMessageColumns(),
                             const std::string& encoding = "UTF-8");
  ~TMessageDatastore();
  TMessageDatastore(const TMessageDatastore&) = delete;
  TMessageDatastore& operator=(const TMessageDatastore&) = delete;

  // Inserts one row; naming a column the table lacks throws.
  void Insert(const TMessageRow& row);
  // Runs any SQL on the datastore (extra tables, pragmas).
  void Execute(const std::string& sql);

 private:
  friend int64_t WriteGeneratedDatastore(const std::string& path, const TGeneratedMessages& shape);

  struct TConnection;
  TConnection* connection_;
};

// The bytes of the first column of each row that `sql` gives on the database at `path` (text as
// stored, BLOBs raw, numbers as the library prints them, NULL empty), with `arguments` bound to
// ?1, ?2, ... Throws std::runtime_error when SQLite fails.
std::vector<std::string> QueryColumn(const std::string& path, const std::string& sql,
                                     const std::vector<TStoredValue>& arguments = {});

// The IMEI of generated phone `index` (0-based): 15 digits.
std::string GeneratedPhoneImei(int index);

// Writes a datastore of deterministic pseudo-random messages in the sample's shape: bodies of 3 to
// 30 words (some with accents, Cyrillic, CJK, emoji and line breaks), timestamps as REAL and as
// text with either separator, Status 0 to 3. Returns the number of SMS rows written.
int64_t WriteGeneratedDatastore(const std::string& path, const TGeneratedMessages& shape = {});

}  // namespace velmorra::testing
