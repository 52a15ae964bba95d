#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "db/min_db.h"
#include "db/private_datastore_copy.h"
#include "db/sqlite_library.h"

namespace velmorra {

// The storage class of a value as the library reports it (sqlite3_column_type).
enum class TColumnType { Integer = 1, Real = 2, Text = 3, Blob = 4, Null = 5 };

// How the database keeps temporary tables and indexes (the temp_store pragma).
enum TTempStore { tsDefault = 0, tsMemory = 1, tsFile = 2 };

class TLite3Db;

// The encoding in which a database keeps its text, fixed when the database was made.
enum class TTextEncoding { Utf8 = 1, Utf16le = 2, Utf16be = 3 };

// What a connection opens: the user's datastore (only read), a private copy of it, or the
// library's own temporary database (the empty path).
enum class TDatabaseKind { Datastore, PrivateCopy, PrivateTemporary };

// A result set over an SQLite connection. Create it on an open connection with
// `new TLite3ResultSet(db)` (or db.NewResultSet()): the connection owns it from then on, so the
// caller may delete it early but need not. On a connection without a database handle every
// statement fails with ErrorCode -1 ("Database not open") and never reaches the library. A failing
// step reports the library's specific code and text (e.g. 11 for a corrupt file, 5 "database is
// locked" once the connection's BusyLimitMilliseconds has been waited). Next without a prepared
// statement fails with -1 ("No statement prepared").
class TLite3ResultSet : public TResultSet {
 public:
  explicit TLite3ResultSet(TLite3Db& db, TRegistration registration = TRegistration::Registered);
  ~TLite3ResultSet() override;

  bool Query(const std::string& Sql) override;
  bool QueryW(const std::u16string& Sql) override;
  bool Prepare(const std::string& Sql) override;
  bool PrepareW(const std::u16string& Sql) override;
  bool Next(TResultRow** Row = nullptr) override;
  bool NextW(TResultRow** Row = nullptr) override;
  void Clear() override;

  // Steps the held statement like Next, with the same results and errors, but copies nothing:
  // the values of the row it stands on are read with the Column operations below, which stay
  // valid until the next step. For a reader that needs a few columns of many rows.
  bool Step();
  // The current row's value `index` (a column out of range reads as NULL): its storage class; its
  // bytes (a text's UTF-8 by its byte length, zero bytes kept; a BLOB's raw bytes; a number's text
  // as the library prints it; empty for NULL), valid until the next step or Column call on the
  // same value; and, for numbers, the value itself. Only between a Step that returned true and
  // the next step.
  TColumnType ColumnType(int index);
  std::string_view ColumnBytes(int index);
  int64_t ColumnInteger(int index);
  double ColumnReal(int index);
  // The current row's value `index` as UTF-16 text (sqlite3_column_text16 by its byte count):
  // for a database that keeps its text in UTF-16, the stored code units exactly. Valid as
  // ColumnBytes is.
  std::u16string_view ColumnText16(int index);

  // The connection the result set was created on.
  TLite3Db& Connection() const { return lite3_db_; }

  // The statement held between Prepare and the next reset; nullptr otherwise.
  sqlite3_stmt* Statement = nullptr;

 private:
  friend int BusyHandler(void* UserData, int RetryCount);
  // Finalizes a held statement and clears everything (the start of every statement).
  void Reset();
  // False (ErrorCode -1) when the connection has no handle to run statements on.
  bool RequireHandle();
  void InstallBusyHandler();
  // The start of every statement: Reset, then the busy handler. False (ErrorCode -1) without a
  // handle.
  bool BeginStatement();
  // Compiles the first statement of Sql (or SqlW when `wide`); ErrorCode is the library's answer,
  // with its text on failure. nullptr for text that holds no statement.
  sqlite3_stmt* CompileStatement(bool wide);
  void ReadChangeCounts();
  // Compiles Sql (or SqlW when `wide`) and steps it to its end.
  bool RunQuery(bool wide);
  // Compiles Sql (or SqlW) and holds the statement.
  bool RunPrepare(bool wide);
  // Steps the held statement; copies the row into Rows(0) when `fill` is set.
  bool StepHeld(TResultRow** Row, bool wide, bool fill);
  bool HasColumn(int index) const;
  void ReadColumns(sqlite3_stmt* statement, bool wide_names);
  void StepToEnd(sqlite3_stmt* statement, bool wide);
  // ErrorCode and ErrorMessage after a step of `statement` answered the error `answer`.
  void TakeStepError(sqlite3_stmt* statement, int answer, bool wide);
  // Adds the current row of `statement`; while a statement is held, Rows(0) is reused instead.
  void FillRow(sqlite3_stmt* statement, bool wide);
  std::string LibraryErrorText(bool wide) const;

  TLite3Db& lite3_db_;
};

// A connection to an SQLite database through the run-time bound library. It owns its result sets
// and InternalQuery; deleting it finalizes every statement before closing the database. Never
// throws; failures are in ErrorCode/ErrorMessage (-1 library not bound, -2 open failed, -3
// the private copy of an unreadable datastore failed, -4 the datastore is damaged, other values
// from registering LowerW). A connection, with its result sets, may pass from one thread to another
// but is used by one thread at a time: the library is told to take no locks of its own.
class TLite3Db : public TMinDB {
 public:
  // Makes no library call.
  TLite3Db();
  ~TLite3Db() override;

  // Binds the library (LibraryPath), opens the existing database file at the UTF-8 `Path` for
  // reading only (a path with no directory part is taken from the program's directory; the empty
  // path opens a private temporary database, which can be written), sets temporary storage to
  // memory, reads the schema and registers LowerW. A path that leads through symbolic links is
  // opened at the file it leads to, whose logs are the ones read. True when the library opened
  // the file; a path where no file is fails (-2, library code 14) and creates nothing. No
  // statement on the connection can change the file, its "-journal" or its "-wal", nor create or
  // delete such a file (the library may make or use the "-shm" index of a log, as every reader
  // does). A file
  // that cannot be read without writing beside it (a rollback journal left by a writer that
  // stopped half-way, a log whose index cannot be made, WAL mode without its log) is read from a
  // private copy in a temporary folder instead, where the library undoes the unfinished change:
  // the last committed state is read. When that copy cannot be made Open fails with -3 and a
  // sentence for the user. A datastore cut short (its length disagrees with its header) fails
  // with -4 and a sentence for the user before anything reads it. Calling it on an open connection
  // first closes it as Close does (its result sets are deleted).
  bool Open(const std::string& Path) override;
  // As Open, with UnicodeMode set and the library's UTF-16 calls for statements, error texts and
  // LowerW.
  bool OpenW(const std::u16string& Path) override;
  // Deletes the registered result sets, finalizes InternalQuery's statement and closes the
  // handle once; no library call when there is no handle. Removes a private copy.
  void Close() override;
  void RefreshSchema() override;
  void SetTempStore(TTempStore Mode);
  // Makes the statement under way on this connection end soon with the library's "interrupted"
  // error, whichever thread steps it, and every later wait of the connection for another
  // program's lock give up at once. The only operation that may be called from another thread
  // than the one using the connection, and only while the connection stays open.
  void Interrupt();

  TResultSet& InternalQuery() override { return *internal_query_; }
  // A new result set owned by this connection (same as `new TLite3ResultSet(*this)`).
  TLite3ResultSet* NewResultSet();

  // The library's connection handle; nullptr until an open call returned one and after Close.
  sqlite3* Handle = nullptr;
  // The longest total time the statements of one open connection wait for another program's
  // lock (measured on a monotonic clock, kept to within a few milliseconds); past it every
  // statement that meets the lock fails with the library's "database is locked" error. Counted over
  // all statements, so that the set-up reads of Open and the caller's query together wait no longer
  // than this.
  unsigned BusyLimitMilliseconds = 10000;
  // The encoding of the open database's text; UTF-8 until Open read it.
  TTextEncoding TextEncoding = TTextEncoding::Utf8;

 private:
  friend int BusyHandler(void* UserData, int RetryCount);

  // Opens `file` with the flags of its kind, then sets temporary storage and reads the schema;
  // the library's answer.
  int OpenHandle(const std::string& file, TDatabaseKind kind);
  // Opens the datastore at `given_path` (at its real path, links resolved) in place, or a private
  // copy of it when reading it in place would need writes beside it.
  int OpenDatastore(const std::string& given_path);
  bool ReadingNeedsWrites(const std::string& path);
  // True, with ErrorCode -4 and DatabaseFileDamage's sentence, when `file` is cut short.
  bool FailIfDamaged(const std::string& file);
  // Finalizes InternalQuery's statement and closes the handle, leaving the result sets.
  void CloseHandle();
  void RegisterLowerW();
  void ReadTextEncoding();

  std::unique_ptr<TLite3ResultSet> internal_query_;
  // The copy the connection reads when the datastore cannot be read in place; removed by Close.
  std::unique_ptr<TPrivateDatastoreCopy> private_copy_;
  // The time spent in the busy handler since Open, and when it was last called.
  int64_t busy_waited_microseconds_ = 0;
  int64_t busy_last_call_microseconds_ = 0;
  // Set by Interrupt: the busy handler waits no more.
  std::atomic<bool> interrupted_{false};
};

// True when `Path` names a directory: it contains "/", "\" or ":".
bool PathHasDirectoryPart(std::string_view Path);

// The path TLite3Db::Open opens for `Path`: a bare file name (no directory part) in the program's
// directory, any other path (the empty one too) as it is. The bytes pass unchanged.
std::string DatabasePathToOpen(const std::string& Path);

// The library's busy callback: sleeps 2 ms and asks for a retry, until the connection `UserData`
// (a TLite3Db) has waited its BusyLimitMilliseconds in total since it was opened, as a
// monotonic clock measures it (the last sleep is shortened to end at the limit), or at once
// once the connection was interrupted.
int BusyHandler(void* UserData, int RetryCount);

// The SQL function LowerW(text): the Unicode lower case of its one UTF-16 argument; NULL for NULL.
void LowerWFunction(sqlite3_context* Context, int ArgCount, sqlite3_value** Args);

}  // namespace velmorra
