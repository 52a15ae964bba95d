#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "support/temp_directory.h"

namespace velmorra::testing {

// A Wine prefix in a temporary folder, made the process's WINEPREFIX for the object's life. Its
// drive C: is the folder drive_c, reached through dosdevices/c: as in a real prefix.
class TWinePrefix {
 public:
  TWinePrefix() {
    std::filesystem::create_directories(folder_.File("drive_c"));
    std::filesystem::create_directories(folder_.File("dosdevices"));
    std::filesystem::create_directory_symlink("../drive_c", folder_.File("dosdevices/c:"));
    setenv("WINEPREFIX", Path().c_str(), 1);
  }
  ~TWinePrefix() { unsetenv("WINEPREFIX"); }

  // The prefix folder, without a trailing separator.
  std::string Path() const { return folder_.Path().substr(0, folder_.Path().size() - 1); }
  // The folder of C:\ inside the prefix, ending in a separator.
  std::string DriveC() const { return folder_.File("drive_c/"); }

  // Writes user.reg: Wine's header followed by `body`.
  void WriteUserReg(const std::string& body) const {
    WriteFileBytes(folder_.File("user.reg"),
                   "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0\n\n"
                   "#arch=win32\n\n" +
                       body);
  }

 private:
  TTempDirectory folder_;
};

// Doubles the backslashes of `text` as Wine writes them inside a quoted string.
inline std::string WineEscaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\' || c == '"')
      escaped.push_back('\\');
    escaped.push_back(c);
  }
  return escaped;
}

// A user.reg section for the datastore subkey `subkey` holding the value line `value_line`
// (nothing for a subkey without values).
inline std::string DatastoreSection(const std::string& subkey, const std::string& value_line) {
  return "[Software\\\\Nokia\\\\MPlatform\\\\DataStores\\\\" + subkey + "] 1700000000\n" +
         "#time=1d9e2b8c0a4f3e2\n" + value_line + "\n\n";
}

// The value line of a string "DatastorePath".
inline std::string DatastorePathLine(const std::string& folder) {
  return "\"DatastorePath\"=\"" + WineEscaped(folder) + "\"";
}

}  // namespace velmorra::testing
