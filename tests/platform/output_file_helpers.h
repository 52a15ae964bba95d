#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/output_file.h"

namespace velmorra::testing {

// The names of the entries of `directory`, sorted.
inline std::vector<std::string> FileNamesIn(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Names that look like an output file's temporary file but are not one: the removal of the
// files killed runs left must keep them.
inline const std::vector<std::string> kTemporaryLookAlikes = {
    ".velmorra-short.tmp",    ".velmorra-ABCD-FGH.tmp", ".velmorra-ABCDEFGH.tmpx",
    ".velmorra-ABCDEFGH.xml", "xvelmorra-ABCDEFGH.tmp", ".sms.xml.AbC123"};

// Makes the output files of one scope use named temporary files, or not.
class TNamedTemporaryFiles {
 public:
  explicit TNamedTemporaryFiles(bool named) { TOutputFile::UseNamedTemporaryFiles(named); }
  ~TNamedTemporaryFiles() { TOutputFile::UseNamedTemporaryFiles(false); }
  TNamedTemporaryFiles(const TNamedTemporaryFiles&) = delete;
  TNamedTemporaryFiles& operator=(const TNamedTemporaryFiles&) = delete;
};

}  // namespace velmorra::testing
