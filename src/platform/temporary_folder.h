#pragma once

#include <memory>
#include <string>

namespace velmorra {

// A new, empty folder under the system's temporary folder that only this user may enter. It is
// removed with every file in it when the object goes (files in folders below it are not expected),
// and also when the program is interrupted meanwhile (on Linux by SIGINT, SIGTERM or SIGHUP, then
// ending as the signal ends it; on Windows by Ctrl+C, Ctrl+Break or the closing of its console,
// as far as the files are not held open by the program at that moment). The folder is held (a
// lock on Linux, an open handle on Windows) for as long as the object lives, so that a folder of
// this kind that nobody holds is known to be left over by a run that was killed: Create removes
// such folders of this user first.
class TTemporaryFolder {
 public:
  TTemporaryFolder();
  ~TTemporaryFolder();
  TTemporaryFolder(const TTemporaryFolder&) = delete;
  TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;

  // Creates the folder; false with the system's error number in ErrorNumber() when it cannot.
  bool Create();
  // The folder's path ending in a separator; empty before a successful Create.
  const std::string& Path() const { return path_; }
  int ErrorNumber() const { return error_number_; }

 private:
  // Gives up the folder: forgets it for interruptions, lets go of it and removes it.
  void Remove();

  // What holds the folder while the object lives; each system's own.
  class THold;

  std::string path_;
  int error_number_ = 0;
  std::unique_ptr<THold> hold_;
};

}  // namespace velmorra
