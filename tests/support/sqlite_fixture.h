#pragma once

#include <string>

namespace velmorra::testing {

// Creates (or extends) the SQLite database file at `path` by running `sql` (any number of
// statements) with the directly linked SQLite library. Returns false and records a test failure
// with the library's text when a statement fails.
bool CreateSqliteDatabase(const std::string& path, const std::string& sql);

// Creates the database at `path` by running `sql`, then switches it to WAL mode and runs
// `logged_sql` without a checkpoint, so that its changes stay in the "-wal" beside the file, as a
// writer that exits without one leaves them. False, with a test failure, when a statement fails.
bool CreateWalDatabaseWithChangesInTheLog(const std::string& path, const std::string& sql,
                                          const std::string& logged_sql);

// The SQLite library the product binds: ProgramDirectory() + kSqliteLibraryFileName.
std::string ProductSqliteLibraryPath();

}  // namespace velmorra::testing
