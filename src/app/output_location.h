#pragma once

#include <string>

namespace velmorra {

// True when `program_directory` is where an installation puts the programs, <prefix>/lib/velmorra/
// (as the Debian package does): a folder of the system, where neither the program nor its user
// should write. A folder the user built or unpacked the program into is not one.
bool IsInstalledProgramDirectory(const std::string& program_directory);

// Where the window writes its backups and its error report: beside the program, or, for an
// installed program, into the user's `documents_directory` (ending in a separator; when it is
// empty, beside the program all the same, where a failure to write is reported).
std::string WindowOutputDirectory(const std::string& program_directory,
                                  const std::string& documents_directory);

}  // namespace velmorra
