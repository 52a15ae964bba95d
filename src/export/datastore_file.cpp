#include "export/datastore_file.h"

#include "db/database_header.h"
#include "db/lite3_db.h"
#include "platform/file_system.h"
#include "platform/program_directory.h"

namespace velmorra {

std::optional<std::string> ExistingDatastorePath(const std::string& DatastoreFile) {
  // The program's 8-bit text is UTF-8 already, and a path is bytes: one that is not UTF-8 names
  // its file only when it reaches the file system unchanged, so it is not converted here.
  // The test looks exactly where the open will (a bare name in the program's directory), and the
  // path returned is that one, so that no path ever reaches the library for a file that is not
  // there (it would create one).
  const std::string path = DatastoreFile.empty() || PathHasDirectoryPart(DatastoreFile)
                               ? DatastoreFile
                               : ProgramDirectory() + DatastoreFile;
  if (!RegularFileExists(path))
    return std::nullopt;
  return path;
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
