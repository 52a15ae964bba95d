#include "support/sqlite_fixture.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "db/sqlite_library.h"
#include "platform/program_directory.h"

namespace velmorra::testing {

namespace {

// Runs `sql` on `db` (the database at `path`) and closes it; false, with a test failure, when a
// statement fails.
bool ExecuteAndClose(sqlite3* db, const std::string& path, const std::string& sql) {
  char* error = nullptr;
  const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
  if (!ok)
    ADD_FAILURE() << "SQL failed on " << path << ": " << (error ? error : "?");
  sqlite3_free(error);
  sqlite3_close(db);
  return ok;
}

}  // namespace

bool CreateSqliteDatabase(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    ADD_FAILURE() << "cannot create " << path << ": " << (db ? sqlite3_errmsg(db) : "no memory");
    sqlite3_close(db);
    return false;
  }
  return ExecuteAndClose(db, path, sql);
}

bool CreateWalDatabaseWithChangesInTheLog(const std::string& path, const std::string& sql,
                                          const std::string& logged_sql) {
  if (!CreateSqliteDatabase(path, "PRAGMA journal_mode = WAL;" + sql))
    return false;
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  int set = 0;
  sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, &set);
  return ExecuteAndClose(db, path, "PRAGMA wal_autocheckpoint = 0;" + logged_sql);
}

std::string ProductSqliteLibraryPath() {
  return ProgramDirectory() + kSqliteLibraryFileName;
}

}  // namespace velmorra::testing
