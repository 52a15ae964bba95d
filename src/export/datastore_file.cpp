#include "export/datastore_file.h"

#include "db/database_header.h"
#include "db/lite3_db.h"
#include "platform/dynamic_library.h"
#include "platform/file_system.h"

namespace velmorra {

std::optional<std::string> ExistingDatastorePath(const std::string& DatastoreFile,
                                                 IMessageBoxes& Messages) {
  // The program's 8-bit text is UTF-8 already, and a path is bytes: one that is not UTF-8 names
  // its file only when it reaches the file system unchanged, so it is not converted here.
  // The test looks exactly where the open will (a bare name in the program's directory), and the
  // path returned is that one, so that no path ever reaches the library for a file that is not
  // there (it would create one).
  const std::string path = DatabasePathToOpen(DatastoreFile);
  if (!RegularFileExists(path)) {
    Messages.ShowMessage(TMessageBoxKind::Error, kDatastoreMissingMessage);
    return std::nullopt;
  }
  return path;
}

bool OpenDatastore(TLite3Db& Db, const std::string& DatastorePath, IMessageBoxes& Messages) {
  Db.LibraryPath = SqliteLibraryPath();
  Db.Open(DatastorePath);
  if (Db.ErrorCode == 0)
    return true;
  Messages.ShowMessage(TMessageBoxKind::Error, DatastoreOpenErrorMessage(Db.ErrorMessage));
  return false;
}

bool IsDatastoreOrItsLog(const std::string& DatastorePath, const std::string& File) {
  // The logs are the ones beside the file the path leads to, which the library reads.
  const std::string real = RealPath(DatastorePath).value_or(DatastorePath);
  for (const std::string& datastore_file :
       {real, RollbackJournalPath(real), WriteAheadLogPath(real)}) {
    if (SameFile(datastore_file, File))
      return true;
  }
  return false;
}

std::string DatastoreOpenErrorMessage(const std::string& ErrorMessage) {
  return "Error openin datastore. Error was: " + ErrorMessage + ".";
}

std::string DatastoreReadErrorMessage(const std::string& ErrorMessage) {
  return "Error reading datastore. Error was: " + ErrorMessage + ".";
}

}  // namespace velmorra
