#pragma once

#include <optional>
#include <string>

#include "platform/message_box.h"

namespace velmorra {

class TLite3Db;

// The path at which the database layer is to open the datastore `DatastoreFile`, or nothing when
// no regular file is there (an empty path, a path that names nothing or a directory), the
// kDatastoreMissingMessage then shown in `Messages`. The bytes pass unchanged (on Linux a file
// name need not be UTF-8); a path without a directory part is looked for, and returned, in the
// program's directory. Callers test this before opening so that a missing file gets its own
// message; should the file vanish between the test and the open, the open fails and creates
// nothing.
std::optional<std::string> ExistingDatastorePath(const std::string& DatastoreFile,
                                                 IMessageBoxes& Messages);

// Opens `Db` on the datastore at `DatastorePath` (as ExistingDatastorePath gave it) with the
// SQLite library beside the program. False when it cannot be opened, the
// DatastoreOpenErrorMessage then shown in `Messages`.
bool OpenDatastore(TLite3Db& Db, const std::string& DatastorePath, IMessageBoxes& Messages);

// True when `File` is the datastore at `DatastorePath` itself or one of its logs (its "-journal"
// or "-wal"), however either path is written: the same file, links followed. A backup written
// there would destroy what it was made from.
bool IsDatastoreOrItsLog(const std::string& DatastorePath, const std::string& File);

// The message shown when ExistingDatastorePath finds no file.
inline constexpr char kDatastoreMissingMessage[] = "Datastore file doesn't exist.";

// The message shown when the datastore cannot be opened, with the connection's ErrorMessage.
std::string DatastoreOpenErrorMessage(const std::string& ErrorMessage);

// The message for a datastore whose messages cannot be read, with the result set's ErrorMessage.
std::string DatastoreReadErrorMessage(const std::string& ErrorMessage);

}  // namespace velmorra
