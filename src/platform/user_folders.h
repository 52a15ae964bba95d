#pragma once

#include <string>
#include <vector>

namespace velmorra {

// The current user's home folder, ending in a separator: $HOME, else the user database's entry.
// The empty string when neither names one.
std::string HomeDirectory();

// The current user's documents folder, ending in a separator, as the desktop names it: on Linux
// the XDG documents folder (XDG_DOCUMENTS_DIR in $XDG_CONFIG_HOME/user-dirs.dirs, else in the
// environment, as `xdg-user-dir DOCUMENTS` reads it). The home folder when none is named or the
// one named is not an existing folder; the empty string when the home folder is unknown too.
std::string DocumentsDirectory();

// The folders that installed programs live in, each ending in a separator: on Linux the system's
// own (/usr/, where the Debian packages put them, and /opt/); on Windows the current user's
// programs folder (%LOCALAPPDATA%\Programs\), where Velmorra's per-user installer puts its folder.
std::vector<std::string> InstalledProgramFolders();

}  // namespace velmorra
