#include "db/private_datastore_copy.h"

#include <array>

#include "db/database_header.h"
#include "platform/file_system.h"

namespace velmorra {

namespace {

constexpr char kNeedsCopy[] =
    "The datastore can only be read from a private copy (it holds an unfinished change or a log "
    "that cannot be read where it is), and ";

std::string FileNameOf(const std::string& path) {
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

bool TPrivateDatastoreCopy::Make(const std::string& DatastorePath) {
  if (!folder_.Create()) {
    ErrorMessage = std::string(kNeedsCopy) + "no temporary folder could be made for it: " +
                   SystemErrorText(folder_.ErrorNumber());
    return false;
  }
  const std::string copy = folder_.Path() + FileNameOf(DatastorePath);
  // Logs before the datastore: see the header.
  const std::array<std::string, 3> sources = {RollbackJournalPath(DatastorePath),
                                              WriteAheadLogPath(DatastorePath), DatastorePath};
  const std::array<std::string, 3> targets = {RollbackJournalPath(copy), WriteAheadLogPath(copy),
                                              copy};
  std::array<TFileStamp, 3> before;
  for (size_t i = 0; i < sources.size(); ++i)
    before[i] = FileStampOf(sources[i]);
  for (size_t i = 0; i < sources.size(); ++i) {
    if (before[i].Exists && !CopyInto(sources[i], targets[i]))
      return false;
  }
  for (size_t i = 0; i < sources.size(); ++i) {
    if (FileStampOf(sources[i]) != before[i]) {
      ErrorMessage =
          "The datastore changed while a private copy of it was made for reading. Close the "
          "programs that use it (such as Nokia Ovi Suite) and try again";
      return false;
    }
  }
  path_ = copy;
  return true;
}

bool TPrivateDatastoreCopy::CopyInto(const std::string& source, const std::string& target) {
  int error_number = 0;
  if (copy_file_(source, target, error_number))
    return true;
  ErrorMessage = std::string(kNeedsCopy) + FileNameOf(source) +
                 " could not be copied to the temporary folder " + folder_.Path() + ": " +
                 SystemErrorText(error_number) + ". Free space there and try again";
  return false;
}

}  // namespace velmorra
