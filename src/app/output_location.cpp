#include "app/output_location.h"

namespace velmorra {

bool IsInstalledProgramDirectory(const std::string& program_directory) {
  const std::string installed = "/lib/velmorra/";
  return program_directory.size() >= installed.size() &&
         program_directory.compare(program_directory.size() - installed.size(), installed.size(),
                                   installed) == 0;
}

std::string WindowOutputDirectory(const std::string& program_directory,
                                  const std::string& documents_directory) {
  if (IsInstalledProgramDirectory(program_directory) && !documents_directory.empty())
    return documents_directory;
  return program_directory;
}

}  // namespace velmorra
