#include "platform/user_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>

namespace velmorra {

namespace {

std::string WithSeparator(std::string directory) {
  if (!directory.empty() && directory.back() != '/')
    directory += '/';
  return directory;
}

bool IsDirectory(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A value of user-dirs.dirs: "$HOME/rest" or "/absolute", in double quotes, with backslash
// escapes. Anything else is not a folder the file may name.
std::optional<std::string> UserDirsValue(const std::string& quoted, const std::string& home) {
  std::string value;
  if (quoted.size() < 2 || quoted.front() != '"')
    return std::nullopt;
  size_t i = 1;
  for (; i < quoted.size() && quoted[i] != '"'; ++i) {
    if (quoted[i] == '\\' && i + 1 < quoted.size())
      ++i;
    value += quoted[i];
  }
  if (i == quoted.size())
    return std::nullopt;
  const std::string home_variable = "$HOME";
  const bool from_home =
      value.rfind(home_variable, 0) == 0 &&
      (value.size() == home_variable.size() || value[home_variable.size()] == '/');
  if (from_home && !home.empty())  // `home` ends in the separator that follows $HOME
    return home + value.substr(std::min(value.size(), home_variable.size() + 1));
  if (!from_home && !value.empty() && value.front() == '/')
    return value;
  return std::nullopt;
}

// The last XDG_DOCUMENTS_DIR line of user-dirs.dirs, as the shell that sources the file keeps.
std::optional<std::string> DocumentsFromUserDirs(const std::string& home) {
  const char* config_home = std::getenv("XDG_CONFIG_HOME");
  const std::string config = config_home != nullptr && config_home[0] == '/'
                                 ? WithSeparator(config_home)
                                 : home + ".config/";
  std::ifstream file(config + "user-dirs.dirs");
  const std::string name = "XDG_DOCUMENTS_DIR=";
  std::optional<std::string> documents;
  for (std::string line; std::getline(file, line);) {
    const size_t start = line.find_first_not_of(" \t");
    if (start != std::string::npos && line.compare(start, name.size(), name) == 0) {
      if (auto value = UserDirsValue(line.substr(start + name.size()), home))
        documents = value;
    }
  }
  return documents;
}

}  // namespace

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0')
    return WithSeparator(home);
  const passwd* entry = getpwuid(getuid());
  if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] != '\0')
    return WithSeparator(entry->pw_dir);
  return std::string();
}

std::string DocumentsDirectory() {
  const std::string home = HomeDirectory();
  std::optional<std::string> documents = DocumentsFromUserDirs(home);
  if (!documents) {
    const char* variable = std::getenv("XDG_DOCUMENTS_DIR");
    if (variable != nullptr && variable[0] == '/')
      documents = variable;
  }
  if (documents && IsDirectory(*documents))
    return WithSeparator(*documents);
  return home;
}

std::vector<std::string> InstalledProgramFolders() {
  return {"/usr/", "/opt/"};
}

}  // namespace velmorra
