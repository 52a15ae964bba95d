#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velmorra::testing {

// A fresh directory under the system's temporary folder, removed with everything in it when the
// object goes. Path() ends in a separator.
class TTempDirectory {
 public:
  TTempDirectory();
  ~TTempDirectory();
  TTempDirectory(const TTempDirectory&) = delete;
  TTempDirectory& operator=(const TTempDirectory&) = delete;

  const std::string& Path() const { return path_; }
  // Path() followed by `name`.
  std::string File(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// A path of the program's 8-bit text (UTF-8) for the standard library's file functions, which
// would take a plain string in the ANSI code page on Windows.
std::filesystem::path Utf8Path(const std::string& path);

// The whole content of a file; the empty string when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Writes `bytes` to `path`, replacing any file there.
void WriteFileBytes(const std::string& path, const std::string& bytes);

// The names of the entries of `directory`, sorted, in UTF-8.
std::vector<std::string> FileNamesIn(const std::string& directory);

}  // namespace velmorra::testing
