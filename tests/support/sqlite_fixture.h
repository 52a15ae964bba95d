#pragma once

#include <string>

namespace velmorra::testing {

// Creates (or extends) the SQLite database file at `path` by running `sql` (any number of
// statements) with the directly linked SQLite library. Returns false and records a test failure
// with the library's text when a statement fails.
bool CreateSqliteDatabase(const std::string& path, const std::string& sql);

// The SQLite library the product binds: ProgramDirectory() + kSqliteLibraryFileName.
std::string ProductSqliteLibraryPath();

}  // namespace velmorra::testing
