#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velmorra::testing {

// The attributes of one element in document order, names and values as UTF-8.
using TAttributes = std::vector<std::pair<std::string, std::string>>;

// An SMS backup file as an XML parser (expat) reads it back.
struct TBackupFile {
  bool WellFormed = false;
  std::string Error;  // the parser's complaint when not well-formed
  std::string RootName;
  TAttributes RootAttributes;
  std::vector<TAttributes> Messages;  // the attributes of each child of the root, in order
  std::vector<std::string> MessageNames;
  bool HasText = false;  // any character data other than white space between the tags
};

TBackupFile ReadBackupFile(const std::string& path);
// ReadBackupFile of a file's content.
TBackupFile ParseBackupFile(const std::string& bytes);

// The attributes the export writes for a message, in the order it writes them.
TAttributes ExpectedMessage(const std::string& address, const std::string& date,
                            const std::string& type, const std::string& body);

}  // namespace velmorra::testing
