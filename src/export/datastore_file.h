#pragma once

#include <optional>
#include <string>

namespace velmorra {

// The datastore path in the form the database layer opens (UTF-8), or nothing when no regular
// file is there: an empty path, a path that names nothing or a directory. A path without a
// directory part is looked for in the program's directory, where the database layer opens it.
// Callers test this before opening so that a missing file gets its own message; should the file
// vanish between the test and the open, the open fails and creates nothing.
std::optional<std::string> ExistingDatastorePath(const std::string& DatastoreFile);

// The message shown when ExistingDatastorePath finds no file.
inline constexpr char kDatastoreMissingMessage[] = "Datastore file doesn't exist.";

// The message shown when the datastore cannot be opened, with the connection's ErrorMessage.
std::string DatastoreOpenErrorMessage(const std::string& ErrorMessage);

}  // namespace velmorra
