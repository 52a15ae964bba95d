#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/file_system.h"
#include "platform/temporary_folder.h"

namespace velmorra {

// A copy of a datastore, with the rollback journal or write-ahead log beside it, in a temporary
// folder of its own that is removed with everything in it when the object goes. The library may
// do on the copy what reading needs and the original must be spared: undo the unfinished change
// of a writer that stopped half-way, or make the log's index where the datastore's folder cannot
// take one. The original files are only read.
class TPrivateDatastoreCopy {
 public:
  // How one file is copied: CopyFileBytes's contract.
  using TCopyFile =
      std::function<bool(const std::string& from, const std::string& to, int& error_number)>;

  // `copy_file` copies each file; tests put a copy there that changes the source meanwhile.
  explicit TPrivateDatastoreCopy(TCopyFile copy_file = CopyFileBytes)
      : copy_file_(std::move(copy_file)) {}

  // Copies the datastore at `DatastorePath` (logs first, so that a writer finishing meanwhile
  // leaves a copy that still undoes to a committed state). False, with a sentence for the user in
  // ErrorMessage, when a file cannot be copied or a source file changed while it was copied.
  bool Make(const std::string& DatastorePath);

  // The copy of the datastore file; empty until Make succeeded.
  const std::string& Path() const { return path_; }
  std::string ErrorMessage;

 private:
  bool CopyInto(const std::string& source, const std::string& target);

  TCopyFile copy_file_;
  TTemporaryFolder folder_;
  std::string path_;
};

}  // namespace velmorra
