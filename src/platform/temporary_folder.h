#pragma once

#include <string>

namespace velmorra {

// A new, empty folder under the system's temporary folder that only this user may enter. It is
// removed with every file in it when the object goes (files in folders below it are not expected).
class TTemporaryFolder {
 public:
  TTemporaryFolder() = default;
  ~TTemporaryFolder();
  TTemporaryFolder(const TTemporaryFolder&) = delete;
  TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;

  // Creates the folder; false with the system's error number in ErrorNumber() when it cannot.
  bool Create();
  // The folder's path ending in a separator; empty before a successful Create.
  const std::string& Path() const { return path_; }
  int ErrorNumber() const { return error_number_; }

 private:
  std::string path_;
  int error_number_ = 0;
};

}  // namespace velmorra
