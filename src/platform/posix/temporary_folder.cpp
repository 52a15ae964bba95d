#include "platform/temporary_folder.h"

#include <errno.h>
#include <stdlib.h>

#include <filesystem>

namespace velmorra {

TTemporaryFolder::~TTemporaryFolder() {
  if (path_.empty())
    return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

bool TTemporaryFolder::Create() {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error)
    base = "/tmp";
  std::string pattern = (base / "velmorra-XXXXXX").string();
  // mkdtemp makes the folder with mode 0700.
  if (mkdtemp(pattern.data()) == nullptr) {
    error_number_ = errno;
    return false;
  }
  path_ = pattern + "/";
  return true;
}

}  // namespace velmorra
