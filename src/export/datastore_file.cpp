#include "export/datastore_file.h"

#include "db/lite3_db.h"
#include "platform/file_system.h"
#include "platform/program_directory.h"
#include "platform/text_encoding.h"

namespace velmorra {

std::optional<std::string> ExistingDatastorePath(const std::string& DatastoreFile) {
  const std::string path = Utf16ToUtf8(AnsiToUtf16(DatastoreFile));
  // The test looks exactly where the open will, so that no path ever reaches the library for a
  // file that is not there (it would create one).
  const std::string opened =
      path.empty() || PathHasDirectoryPart(path) ? path : ProgramDirectory() + path;
  if (!RegularFileExists(opened))
    return std::nullopt;
  return path;
}

std::string DatastoreOpenErrorMessage(const std::string& ErrorMessage) {
  return "Error openin datastore. Error was: " + ErrorMessage + ".";
}

}  // namespace velmorra
