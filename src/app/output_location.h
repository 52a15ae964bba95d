#pragma once

#include <string>
#include <vector>

#include "platform/user_folders.h"

namespace velmorra {

// Where the window writes its backups and its error report: beside the program, or, for a program
// installed in one of `installed_program_folders` (the Debian package's /usr/bin, the Windows
// installer's %LOCALAPPDATA%\Programs\Velmorra: folders that are not the user's to write to, or
// not where the user looks), into the user's `documents_directory` (ending in a separator; when it
// is empty, beside the program all the same, where a failure to write is reported).
std::string WindowOutputDirectory(
    const std::string& program_directory, const std::string& documents_directory,
    const std::vector<std::string>& installed_program_folders = InstalledProgramFolders());

}  // namespace velmorra
