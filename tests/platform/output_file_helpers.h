#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/output_file.h"
#include "support/temp_directory.h"

namespace velmorra::testing {

// Names that look like an output file's temporary file but are not one: the removal of the
// files killed runs left must keep them.
inline const std::vector<std::string> kTemporaryLookAlikes = {
    ".velmorra-short.tmp",    ".velmorra-ABCD-FGH.tmp", ".velmorra-ABCDEFGH.tmpx",
    ".velmorra-ABCDEFGH.xml", "xvelmorra-ABCDEFGH.tmp", ".sms.xml.AbC123"};

// Puts the look-alikes into `directory` (ending in a separator), opens `still_writing` on a file
// of its own there, and lets the next run clean the folder up. Returns the names that must stay
// besides the folder's other files: the look-alikes and the temporary file still written.
inline std::set<std::string> NamesKeptByTheNextRun(const std::string& directory,
                                                   TOutputFile& still_writing) {
  for (const std::string& name : kTemporaryLookAlikes)
    WriteFileBytes(directory + name, "kept");
  EXPECT_TRUE(still_writing.Create(directory + "other.xml"));
  TOutputFile next;
  EXPECT_TRUE(next.Create(directory + "next.xml"));
  next.Discard();
  std::set<std::string> kept(kTemporaryLookAlikes.begin(), kTemporaryLookAlikes.end());
  if (!still_writing.TemporaryPath().empty())
    kept.insert(still_writing.TemporaryPath().substr(directory.size()));
  return kept;
}

// Makes the output files of one scope use named temporary files, or not.
class TNamedTemporaryFiles {
 public:
  explicit TNamedTemporaryFiles(bool named) { TOutputFile::UseNamedTemporaryFiles(named); }
  ~TNamedTemporaryFiles() { TOutputFile::UseNamedTemporaryFiles(false); }
  TNamedTemporaryFiles(const TNamedTemporaryFiles&) = delete;
  TNamedTemporaryFiles& operator=(const TNamedTemporaryFiles&) = delete;
};

}  // namespace velmorra::testing
