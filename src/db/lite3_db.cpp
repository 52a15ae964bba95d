#include "db/lite3_db.h"

#include <algorithm>

#include "db/database_header.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/lower_case.h"
#include "platform/program_directory.h"
#include "platform/text_encoding.h"

namespace velmorra {

namespace {

// Result and type codes of the library's C interface.
constexpr int kSqliteOk = 0;
constexpr int kSqliteRow = 100;
constexpr int kSqliteDone = 101;
constexpr int kSqliteBlob = 4;
constexpr int kSqliteNull = 5;
constexpr int kSqliteUtf16 = 4;
constexpr unsigned kBusySleepMilliseconds = 2;

// The library's open flags and the result codes Open looks at.
constexpr int kSqliteOpenReadOnly = 0x01;
constexpr int kSqliteOpenReadWrite = 0x02;
constexpr int kSqliteOpenCreate = 0x04;
constexpr int kSqliteOpenNoMutex = 0x8000;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteCantOpen = 14;

// How the library opens each kind of database; every open call takes its flags from here.
// A datastore is opened for reading only and never created: reading it must not change a byte of
// it or leave a file behind, and a path whose file has vanished fails instead of becoming an empty
// database. A private copy is the connection's own and the library may undo an unfinished change
// in it. The empty path's temporary database belongs to the library alone. A connection is used by
// one thread at a time (the export hands it to its reading thread and takes it back), so the
// library's own locks around every call are left out: they cost a lock and an unlock per call.
int OpenFlags(TDatabaseKind kind) {
  switch (kind) {
    case TDatabaseKind::Datastore:
      return kSqliteOpenReadOnly | kSqliteOpenNoMutex;
    case TDatabaseKind::PrivateCopy:
      return kSqliteOpenReadWrite | kSqliteOpenNoMutex;
    case TDatabaseKind::PrivateTemporary:
      return kSqliteOpenReadWrite | kSqliteOpenCreate | kSqliteOpenNoMutex;
  }
  return kSqliteOpenReadOnly | kSqliteOpenNoMutex;
}

// Open's answers (and ErrorCodes) of its own, beside the library's codes, which are positive: the
// private copy a datastore needs could not be made; the datastore's length disagrees with its
// header.
constexpr int kPrivateCopyFailed = -3;
constexpr int kDamagedDatastore = -4;

// The library's "copy the text now" destructor value.
void (*const kSqliteTransient)(void*) = reinterpret_cast<void (*)(void*)>(-1);

std::u16string WideFromLibrary(const void* text) {
  if (text == nullptr)
    return {};
  return std::u16string(static_cast<const char16_t*>(text));
}

std::string NarrowFromLibrary(const void* text) {
  if (text == nullptr)
    return {};
  return std::string(static_cast<const char*>(text));
}

const char* TempStoreText(TTempStore mode) {
  switch (mode) {
    case tsMemory:
      return "MEMORY";
    case tsFile:
      return "FILE";
    default:
      return "DEFAULT";
  }
}

// True when a rollback journal beside `path` is not empty and its header is not zeroed.
bool JournalMayHoldAChange(const std::string& path) {
  // An empty journal, or one whose header is zeroed, is what a finished change leaves in the
  // library's TRUNCATE and PERSIST journal modes.
  const std::optional<std::string> start = ReadFileStart(RollbackJournalPath(path), 1);
  return start && !start->empty() && (*start)[0] != 0;
}

}  // namespace

bool PathHasDirectoryPart(std::string_view Path) {
  return Path.find_first_of("/\\:") != std::string_view::npos;
}

std::string DatabasePathToOpen(const std::string& Path) {
  return Path.empty() || PathHasDirectoryPart(Path) ? Path : ProgramDirectory() + Path;
}

int BusyHandler(void* UserData, int RetryCount) {
  // Another program may hold its lock for ever; past the limit the statement fails with the
  // library's "database is locked" instead of hanging the program. The wait is read off a
  // monotonic clock, from the first call of each locking event (RetryCount 0) to this one, so that
  // slow sleeps and the library's retries count too.
  TLite3Db& db = *static_cast<TLite3Db*>(UserData);
  const int64_t now = MonotonicMicroseconds();
  if (RetryCount > 0)
    db.busy_waited_microseconds_ += now - db.busy_last_call_microseconds_;
  db.busy_last_call_microseconds_ = now;
  const int64_t remaining =
      static_cast<int64_t>(db.BusyLimitMilliseconds) * 1000 - db.busy_waited_microseconds_;
  if (remaining <= 0 || db.interrupted_)
    return 0;
  // Whole milliseconds, at least one, never past the limit by more than the last part of one.
  const int64_t sleep = std::min<int64_t>(kBusySleepMilliseconds, (remaining + 999) / 1000);
  SleepMilliseconds(static_cast<unsigned>(sleep));
  return -1;
}

void LowerWFunction(sqlite3_context* Context, int ArgCount, sqlite3_value** Args) {
  if (ArgCount != 1)
    return;
  const TSqliteApi& api = Sqlite();
  if (api.value_type(Args[0]) == kSqliteNull) {
    api.result_null(Context);
    return;
  }
  const std::u16string lower = LowerCaseUtf16(WideFromLibrary(api.value_text16(Args[0])));
  api.result_text16(Context, lower.data(), static_cast<int>(lower.size() * sizeof(char16_t)),
                    kSqliteTransient);
}

// ---- TLite3ResultSet ----

TLite3ResultSet::TLite3ResultSet(TLite3Db& db, TRegistration registration)
    : TResultSet(db, registration), lite3_db_(db) {}

TLite3ResultSet::~TLite3ResultSet() {
  Reset();
}

void TLite3ResultSet::Reset() {
  RowsAffected = 0;
  Clear();
}

void TLite3ResultSet::Clear() {
  if (Statement != nullptr) {
    Sqlite().finalize(Statement);
    Statement = nullptr;
  }
  TResultSet::Clear();
}

bool TLite3ResultSet::RequireHandle() {
  if (lite3_db_.Handle != nullptr && SqliteLibraryBound())
    return true;
  ErrorCode = -1;
  ErrorMessage = "Database not open";
  return false;
}

void TLite3ResultSet::InstallBusyHandler() {
  Sqlite().busy_timeout(lite3_db_.Handle, 2);
  // The connection, not this result set, is the handler's data: the handler stays installed
  // after this set is deleted, while other sets of the connection step on.
  Sqlite().busy_handler(lite3_db_.Handle, BusyHandler, &lite3_db_);
}

void TLite3ResultSet::ReadChangeCounts() {
  RowsAffected = Sqlite().changes(lite3_db_.Handle);
  LastInsertRowId = Sqlite().last_insert_rowid(lite3_db_.Handle);
}

std::string TLite3ResultSet::LibraryErrorText(bool wide) const {
  if (wide)
    return Utf16ToAnsi(WideFromLibrary(Sqlite().errmsg16(lite3_db_.Handle)));
  return NarrowFromLibrary(Sqlite().errmsg(lite3_db_.Handle));
}

void TLite3ResultSet::FillRow(sqlite3_stmt* statement, bool wide) {
  const TSqliteApi& api = Sqlite();
  TResultRow* row;
  if (Statement != nullptr && !rows_.empty()) {
    row = &rows_[0];
    row->Clear();
  } else {
    row = &AppendRow();
  }
  const int count = api.column_count(statement);
  for (int i = 0; i < count; ++i) {
    const int type = api.column_type(statement, i);
    if (type == kSqliteNull) {
      row->AddBytes(nullptr, 0, true);
    } else if (type == kSqliteBlob) {
      const int size = api.column_bytes(statement, i);
      const void* bytes = api.column_blob(statement, i);
      row->AddBytes(static_cast<const char*>(bytes), bytes ? static_cast<size_t>(size) : 0, false);
    } else if (wide) {
      // Text is read by its length, so that a zero inside it does not end it. The length is asked
      // after the text, as the library's conversions require.
      const auto* text = static_cast<const char16_t*>(api.column_text16(statement, i));
      const size_t units = text ? static_cast<size_t>(api.column_bytes16(statement, i)) / 2 : 0;
      row->Add(Utf16ToUtf8(std::u16string(text ? text : u"", units)), false);
    } else {
      const auto* text = reinterpret_cast<const char*>(api.column_text(statement, i));
      row->AddBytes(text, text ? static_cast<size_t>(api.column_bytes(statement, i)) : 0, false);
    }
  }
}

void TLite3ResultSet::ReadColumns(sqlite3_stmt* statement, bool wide_names) {
  const TSqliteApi& api = Sqlite();
  const int count = api.column_count(statement);
  Columns.reserve(count);
  for (int i = 0; i < count; ++i) {
    Columns.push_back(wide_names ? Utf16ToAnsi(WideFromLibrary(api.column_name16(statement, i)))
                                 : NarrowFromLibrary(api.column_name(statement, i)));
  }
}

void TLite3ResultSet::StepToEnd(sqlite3_stmt* statement, bool wide) {
  int answer = Sqlite().step(statement);
  while (answer == kSqliteRow) {
    FillRow(statement, wide);
    answer = Sqlite().step(statement);
  }
  if (answer == kSqliteDone) {
    ErrorMessage.clear();
    ErrorCode = kSqliteOk;
  } else {
    TakeStepError(statement, answer, wide);
  }
}

void TLite3ResultSet::TakeStepError(sqlite3_stmt* statement, int answer, bool wide) {
  // Statements compiled by the legacy prepare calls answer a failing step with the generic
  // SQLITE_ERROR and "SQL logic error"; the reset hands over the real code and text (a corrupt
  // file, an integer overflow, ...).
  const int specific = Sqlite().reset(statement);
  ErrorCode = specific != kSqliteOk ? specific : answer;
  ErrorMessage = LibraryErrorText(wide);
}

bool TLite3ResultSet::BeginStatement() {
  Active = false;
  Reset();
  if (!RequireHandle())
    return false;
  InstallBusyHandler();
  return true;
}

sqlite3_stmt* TLite3ResultSet::CompileStatement(bool wide) {
  const TSqliteApi& api = Sqlite();
  sqlite3_stmt* statement = nullptr;
  if (wide) {
    ErrorCode =
        api.prepare16(lite3_db_.Handle, SqlW.data(),
                      static_cast<int>(SqlW.size() * sizeof(char16_t)), &statement, nullptr);
  } else {
    ErrorCode = api.prepare(lite3_db_.Handle, Sql.data(), static_cast<int>(Sql.size()), &statement,
                            nullptr);
  }
  if (ErrorCode != kSqliteOk)
    ErrorMessage = LibraryErrorText(wide);
  return statement;
}

bool TLite3ResultSet::RunQuery(bool wide) {
  const bool empty = wide ? SqlW.empty() : Sql.empty();
  // Empty text, or text of only blanks or comments (which compiles to no statement): nothing to
  // step, and success.
  sqlite3_stmt* statement = empty ? nullptr : CompileStatement(wide);
  if (statement != nullptr && ErrorCode == kSqliteOk) {
    ReadColumns(statement, true);
    StepToEnd(statement, wide);
    Sqlite().finalize(statement);
  }
  ReadChangeCounts();
  Active = ErrorCode == kSqliteOk;
  return Active;
}

bool TLite3ResultSet::Query(const std::string& Sql_) {
  if (!BeginStatement())
    return false;
  Sql = Sql_;
  return RunQuery(false);
}

bool TLite3ResultSet::QueryW(const std::u16string& Sql_) {
  if (!BeginStatement())
    return false;
  SqlW = Sql_;
  return RunQuery(true);
}

bool TLite3ResultSet::RunPrepare(bool wide) {
  if (wide ? SqlW.empty() : Sql.empty())
    return false;
  sqlite3_stmt* statement = CompileStatement(wide);
  if (ErrorCode != kSqliteOk)
    return false;
  if (statement != nullptr)
    ReadColumns(statement, wide);
  Statement = statement;
  Active = true;
  return true;
}

bool TLite3ResultSet::Prepare(const std::string& Sql_) {
  if (!BeginStatement())
    return false;
  Sql = Sql_;
  return RunPrepare(false);
}

bool TLite3ResultSet::PrepareW(const std::u16string& Sql_) {
  if (!BeginStatement())
    return false;
  SqlW = Sql_;
  return RunPrepare(true);
}

bool TLite3ResultSet::StepHeld(TResultRow** Row, bool wide, bool fill) {
  if (Row != nullptr)
    *Row = &EmptyRow;
  if (Statement == nullptr) {
    // Either nothing was prepared, or the prepared text held no statement (nothing to step).
    ErrorCode = Active ? kSqliteDone : -1;
    ErrorMessage = Active ? "" : "No statement prepared";
    return false;
  }
  ErrorCode = Sqlite().step(Statement);
  if (ErrorCode == kSqliteRow) {
    if (fill) {
      FillRow(Statement, wide);
      if (Row != nullptr)
        *Row = &rows_[0];
    }
    return true;
  }
  if (ErrorCode != kSqliteDone)
    TakeStepError(Statement, ErrorCode, wide);
  return false;
}

bool TLite3ResultSet::Next(TResultRow** Row) {
  return StepHeld(Row, false, true);
}

bool TLite3ResultSet::NextW(TResultRow** Row) {
  return StepHeld(Row, true, true);
}

bool TLite3ResultSet::Step() {
  return StepHeld(nullptr, false, false);
}

bool TLite3ResultSet::HasColumn(int index) const {
  return Statement != nullptr && index >= 0 && index < static_cast<int>(Columns.size());
}

TColumnType TLite3ResultSet::ColumnType(int index) {
  if (!HasColumn(index))
    return TColumnType::Null;
  return static_cast<TColumnType>(Sqlite().column_type(Statement, index));
}

std::string_view TLite3ResultSet::ColumnBytes(int index) {
  if (!HasColumn(index))
    return {};
  const TSqliteApi& api = Sqlite();
  // The pointer first, then the length: asking for the text may convert the value.
  const void* bytes = api.column_type(Statement, index) == kSqliteBlob
                          ? api.column_blob(Statement, index)
                          : api.column_text(Statement, index);
  if (bytes == nullptr)
    return {};
  return {static_cast<const char*>(bytes), static_cast<size_t>(api.column_bytes(Statement, index))};
}

int64_t TLite3ResultSet::ColumnInteger(int index) {
  return HasColumn(index) ? Sqlite().column_int64(Statement, index) : 0;
}

double TLite3ResultSet::ColumnReal(int index) {
  return HasColumn(index) ? Sqlite().column_double(Statement, index) : 0;
}

std::u16string_view TLite3ResultSet::ColumnText16(int index) {
  if (!HasColumn(index))
    return {};
  const TSqliteApi& api = Sqlite();
  // The pointer first, then the length, as for ColumnBytes.
  const auto* text = static_cast<const char16_t*>(api.column_text16(Statement, index));
  if (text == nullptr)
    return {};
  return {text, static_cast<size_t>(api.column_bytes16(Statement, index)) / sizeof(char16_t)};
}

// ---- TLite3Db ----

TLite3Db::TLite3Db()
    : internal_query_(std::make_unique<TLite3ResultSet>(*this, TRegistration::Internal)) {}

TLite3Db::~TLite3Db() {
  // Every statement is finalized before the handle closes.
  FreeResultSets();
  Close();
  internal_query_.reset();
}

TLite3ResultSet* TLite3Db::NewResultSet() {
  return new TLite3ResultSet(*this);
}

void TLite3Db::Close() {
  FreeResultSets();
  CloseHandle();
  private_copy_.reset();
}

void TLite3Db::Interrupt() {
  interrupted_ = true;
  if (Handle != nullptr)
    Sqlite().interrupt(Handle);
}

void TLite3Db::CloseHandle() {
  internal_query_->Clear();
  if (Handle != nullptr && SqliteLibraryBound())
    Sqlite().close(Handle);
  Handle = nullptr;
}

bool TLite3Db::Open(const std::string& Path) {
  if (Handle != nullptr)
    Close();

  const std::string path = DatabasePathToOpen(Path);

  // The binding may fill in a default; it must not reach LibraryPath.
  std::string library_path = LibraryPath;
  LibraryLoaded = BindSqliteLibrary(library_path);
  if (!LibraryLoaded) {
    ErrorCode = -1;
    ErrorMessage = "Failed to load DLL library";
    return false;
  }

  busy_waited_microseconds_ = 0;
  const int rc =
      path.empty() ? OpenHandle(path, TDatabaseKind::PrivateTemporary) : OpenDatastore(path);
  if (rc > 0) {
    ErrorCode = -2;
    ErrorMessage = "Failed to open the database\r\n" + path + ", ErrorCode: " + std::to_string(rc);
  }
  if (Handle != nullptr)
    RegisterLowerW();
  if (rc == kSqliteOk)
    FileName = Utf8ToUtf16(path);
  return rc == kSqliteOk;
}

int TLite3Db::OpenHandle(const std::string& file, TDatabaseKind kind) {
  // The UTF-8 path reaches the library's one UTF-8 open call in both modes (on Linux its bytes
  // unchanged, whether or not they are UTF-8).
  const int rc = Sqlite().open_v2(file.c_str(), &Handle, OpenFlags(kind), nullptr);
  if (Handle != nullptr) {
    SetTempStore(tsMemory);
    RefreshSchema();
    ReadTextEncoding();
  }
  return rc;
}

void TLite3Db::ReadTextEncoding() {
  TextEncoding = TTextEncoding::Utf8;
  TResultSet& query = InternalQuery();
  if (!query.Query("PRAGMA encoding"))
    return;
  const std::string name = query.Rows(0).Cells(0).AsString;
  if (name == "UTF-16le")
    TextEncoding = TTextEncoding::Utf16le;
  else if (name == "UTF-16be")
    TextEncoding = TTextEncoding::Utf16be;
}

int TLite3Db::OpenDatastore(const std::string& given_path) {
  // The library follows a link to the file and reads the logs beside the file itself; every check
  // and the copy look at that same file.
  const std::string path = RealPath(given_path).value_or(given_path);
  // In WAL mode without its log the library would create the log and its index beside the
  // datastore just to read it.
  const std::optional<TDatabaseHeader> header = ReadDatabaseHeader(path);
  const bool log_missing =
      header && header->HasMagic && header->WalMode && !FileStampOf(WriteAheadLogPath(path)).Exists;
  if (!log_missing) {
    // Beside a journal that may hold an unfinished change the file may be in the middle of that
    // change; its length is checked once the change is undone, in the private copy.
    if (!JournalMayHoldAChange(path) && FailIfDamaged(path))
      return kDamagedDatastore;
    const int rc = OpenHandle(path, TDatabaseKind::Datastore);
    if (rc != kSqliteOk || !ReadingNeedsWrites(path))
      return rc;
    CloseHandle();
  }
  private_copy_ = std::make_unique<TPrivateDatastoreCopy>();
  if (!private_copy_->Make(path)) {
    ErrorCode = kPrivateCopyFailed;
    ErrorMessage = private_copy_->ErrorMessage;
    private_copy_.reset();
    return kPrivateCopyFailed;
  }
  const int rc = OpenHandle(private_copy_->Path(), TDatabaseKind::PrivateCopy);
  if (rc == kSqliteOk && FailIfDamaged(private_copy_->Path())) {
    CloseHandle();
    private_copy_.reset();
    return kDamagedDatastore;
  }
  return rc;
}

bool TLite3Db::FailIfDamaged(const std::string& file) {
  std::string damage = DatabaseFileDamage(file);
  if (damage.empty())
    return false;
  ErrorCode = kDamagedDatastore;
  ErrorMessage = std::move(damage);
  return true;
}

bool TLite3Db::ReadingNeedsWrites(const std::string& path) {
  // The library refuses to read a datastore in place when that would mean writing beside it:
  // undoing the unfinished change in a rollback journal that a writer left behind (a "hot"
  // journal, which must never be read through), or making the index of a log in a folder that
  // takes no new file. Reading the schema met that refusal.
  const int32_t code = InternalQuery().ErrorCode;
  if (code != kSqliteReadOnly && code != kSqliteCantOpen)
    return false;
  return FileStampOf(RollbackJournalPath(path)).Exists ||
         FileStampOf(WriteAheadLogPath(path)).Exists;
}

bool TLite3Db::OpenW(const std::u16string& Path) {
  UnicodeMode = true;
  return Open(Utf16ToUtf8(Path));
}

void TLite3Db::RegisterLowerW() {
  const TSqliteApi& api = Sqlite();
  int code;
  if (UnicodeMode) {
    code = api.create_function16(Handle, u"LowerW", 1, kSqliteUtf16, nullptr, LowerWFunction,
                                 nullptr, nullptr);
  } else {
    code = api.create_function(Handle, "LowerW", 1, kSqliteUtf16, nullptr, LowerWFunction, nullptr,
                               nullptr);
  }
  if (code == kSqliteOk)
    return;
  ErrorCode = code;
  ErrorMessage += UnicodeMode ? Utf16ToAnsi(WideFromLibrary(api.errmsg16(Handle)))
                              : NarrowFromLibrary(api.errmsg(Handle));
}

void TLite3Db::RefreshSchema() {
  TMinDB::RefreshSchema();
  TResultSet& query = InternalQuery();
  if (query.Query("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name")) {
    Tables = query.ColumnValues(0);
  }
  if (query.Query("SELECT name FROM sqlite_master WHERE type='index' ORDER BY name")) {
    Indexes = query.ColumnValues(0);
  }
}

void TLite3Db::SetTempStore(TTempStore Mode) {
  InternalQuery().QueryFmt("PRAGMA temp_store = %s", {TSqlArg::String(TempStoreText(Mode))});
}

}  // namespace velmorra
