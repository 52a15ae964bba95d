#include "support/sqlite_fixture.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "db/sqlite_library.h"
#include "platform/program_directory.h"

namespace velmorra::testing {

bool CreateSqliteDatabase(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    ADD_FAILURE() << "cannot create " << path << ": " << (db ? sqlite3_errmsg(db) : "no memory");
    sqlite3_close(db);
    return false;
  }
  char* error = nullptr;
  const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
  if (!ok)
    ADD_FAILURE() << "SQL failed on " << path << ": " << (error ? error : "?");
  sqlite3_free(error);
  sqlite3_close(db);
  return ok;
}

std::string ProductSqliteLibraryPath() {
  return ProgramDirectory() + kSqliteLibraryFileName;
}

}  // namespace velmorra::testing
