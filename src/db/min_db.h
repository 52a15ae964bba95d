#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/sql_support.h"

namespace velmorra {

class TMinDB;

// Whether a new result set is handed to its connection (the normal case) or stays with its
// creator (a connection's own InternalQuery).
enum class TRegistration { Registered, Internal };

// One value of a row, refilled by every TResultRow::Cells or CellByName call on its row.
class TResultCell {
 public:
  // The value's bytes exactly as the library gave them, all of them (UTF-8 text, zero bytes
  // inside it included; a number's text form; or a BLOB's raw bytes); empty for NULL.
  std::string AsString;
  bool IsNull = true;

  // The value decoded from UTF-8; empty for NULL and for a value that is not well-formed UTF-8.
  std::u16string AsWideString() const;
  // The value read as a 32-bit integer (decimal, or hexadecimal after "$", "x" or "0x"); 0 when
  // the whole text is not such a number.
  int32_t AsInteger() const;
};

// One row of a result set: a list of 8-bit values in column order with a NULL flag each. The
// column names (Fields) belong to the result set; the row only refers to them.
class TResultRow {
 public:
  TResultRow() = default;
  explicit TResultRow(const std::vector<std::string>* fields) : fields_(fields) {}

  // Number of values held (0 for EmptyRow).
  int Count() const { return static_cast<int>(count_); }
  // Value `index`; the empty string when out of range.
  const std::string& Strings(int index) const;
  void Add(std::string value, bool is_null);
  // Add of the `size` bytes at `bytes`; reuses the room of a value that Clear dropped.
  void AddBytes(const char* bytes, size_t size, bool is_null);
  void Clear();

  // The row's single cell, refilled with value `index` and returned; out of range it holds NULL.
  // The reference stays valid as long as the row, but the next Cells/CellByName refills it.
  TResultCell& Cells(int index);
  // Cells of the first column whose name equals `name`, ignoring letter case (Unicode simple
  // lower-case mapping); a NULL cell when no column has that name.
  TResultCell& CellByName(std::string_view name);
  // The index of the column CellByName(name) reads, -1 when there is none. It stays right for
  // every row of the result set until the next statement, so a caller may look it up once.
  int ColumnIndex(std::string_view name) const;

  // The number of column names.
  int ColCount() const { return fields_ ? static_cast<int>(fields_->size()) : 0; }
  const std::vector<std::string>& Fields() const;
  void SetFields(const std::vector<std::string>* fields) { fields_ = fields; }
  const std::vector<bool>& Nulls() const { return nulls_; }

 private:
  // Only the first count_ values are held; the others keep their room for the next row.
  std::vector<std::string> values_;
  size_t count_ = 0;
  std::vector<bool> nulls_;
  TResultCell cell_;
  const std::vector<std::string>* fields_ = nullptr;
};

// A statement's outcome held in memory. A result set is created on a connection, which owns it
// from then on: deleting or closing the connection deletes it, and deleting it earlier removes it
// from the connection. It never throws: every operation reports through ErrorCode/ErrorMessage.
// Not copyable or movable (rows refer to its Columns).
class TResultSet {
 public:
  explicit TResultSet(TMinDB& db, TRegistration registration = TRegistration::Registered);
  virtual ~TResultSet();
  TResultSet(const TResultSet&) = delete;
  TResultSet& operator=(const TResultSet&) = delete;

  // Run the first statement of the text to its end and keep every row. True on success; on
  // failure ErrorCode/ErrorMessage hold the library's code and text and the rows read before a
  // failing step stay.
  virtual bool Query(const std::string& Sql) = 0;
  virtual bool QueryW(const std::u16string& Sql) = 0;
  // Build the text with FormatSql, then Query/QueryW it. When formatting stops early nothing runs:
  // ErrorCode -1, ErrorMessage "Invalid format", false.
  virtual bool QueryFmt(const std::string& Format, const TSqlArgs& Args);
  virtual bool QueryFmtW(const std::u16string& Format, const TSqlArgs& Args);
  // Compile the first statement and hold it for Next/NextW.
  virtual bool Prepare(const std::string& Sql) = 0;
  virtual bool PrepareW(const std::u16string& Sql) = 0;
  virtual bool PrepareFmt(const std::string& Format, const TSqlArgs& Args);
  virtual bool PrepareFmtW(const std::u16string& Format, const TSqlArgs& Args);
  // Step the held statement: true with the row in Rows(0) (and in *Row when given); false at the
  // end (ErrorCode 101) or on failure, with *Row set to &EmptyRow.
  virtual bool Next(TResultRow** Row = nullptr) = 0;
  virtual bool NextW(TResultRow** Row = nullptr) = 0;

  // Drops rows, columns, texts and error state (finalizing any held statement first).
  virtual void Clear();

  int RowCount() const { return static_cast<int>(rows_.size()); }
  // Row `index`, or EmptyRow when out of range. Valid until the next statement on this set.
  TResultRow& Rows(int index);
  // Value `column` of every row, in row order.
  std::vector<std::string> ColumnValues(int column);

  TMinDB& Db;
  int64_t LastInsertRowId = 0;
  int64_t RowsAffected = 0;
  std::vector<std::string> Columns;
  TResultRow EmptyRow{&Columns};
  std::string Sql;
  std::u16string SqlW;
  int32_t ErrorCode = 0;
  bool Active = false;
  std::string ErrorMessage;

 protected:
  // Clear, then ErrorCode -1 and "Invalid format"; returns false.
  bool FailInvalidFormat();
  // Adds a row sharing Columns as its fields and returns it.
  TResultRow& AppendRow();
  std::vector<TResultRow> rows_;

 private:
  bool registered_;
};

// The abstract connection. It owns every result set created on it (see TResultSet). It never
// throws: failures are in ErrorCode/ErrorMessage, which nothing clears automatically.
class TMinDB {
 public:
  TMinDB() = default;
  // Deletes every result set still registered.
  virtual ~TMinDB();
  TMinDB(const TMinDB&) = delete;
  TMinDB& operator=(const TMinDB&) = delete;

  virtual void Close() = 0;
  virtual bool Open(const std::string& Path) = 0;
  virtual bool OpenW(const std::u16string& Path) = 0;
  // "BEGIN TRANSACTION", "COMMIT", "ROLLBACK" on InternalQuery(); errors stay there.
  virtual bool StartTransaction();
  virtual bool Commit();
  virtual bool Rollback();
  // Empties Tables and Indexes; a connection refills them from its database.
  virtual void RefreshSchema();

  // The connection's own result set for pragma, schema and transaction statements. It is not
  // among ResultSets() and lives as long as the connection.
  virtual TResultSet& InternalQuery() = 0;
  // Result sets created on this connection and not yet deleted, in creation order.
  const std::vector<TResultSet*>& ResultSets() const { return result_sets_; }

  // Path of the SQLite library for the process's first successful binding (ANSI code page);
  // empty means kSqliteLibraryFileName.
  std::string LibraryPath;
  bool UnicodeMode = false;
  std::vector<std::string> Tables;
  std::vector<std::string> Indexes;
  bool LibraryLoaded = false;
  int32_t ErrorCode = 0;
  std::string ErrorMessage;
  // The opened path, UTF-8 decoded; set only by a successful open.
  std::u16string FileName;

 protected:
  // Deletes the registered result sets, the last created first.
  void FreeResultSets();

 private:
  friend class TResultSet;
  void Register(TResultSet* result_set);
  void Unregister(TResultSet* result_set);
  std::vector<TResultSet*> result_sets_;
};

}  // namespace velmorra
