#pragma once

#include <string>
#include <vector>

namespace velmorra {

// The directory of the running executable, always ending in a path separator. The empty string
// when the platform cannot tell (it practically always can).
std::string ProgramDirectory();

// True when `program_directory` lies inside one of `installed_program_folders` (each ending in a
// separator, as InstalledProgramFolders() gives them): the program was installed there, rather
// than built or unpacked by its user. Letters A to Z match either case, as Windows matches paths.
bool IsInstalledProgramDirectory(const std::string& program_directory,
                                 const std::vector<std::string>& installed_program_folders);

}  // namespace velmorra
