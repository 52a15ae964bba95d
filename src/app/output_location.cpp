#include "app/output_location.h"

#include "platform/program_directory.h"

namespace velmorra {

std::string WindowOutputDirectory(const std::string& program_directory,
                                  const std::string& documents_directory,
                                  const std::vector<std::string>& installed_program_folders) {
  if (IsInstalledProgramDirectory(program_directory, installed_program_folders) &&
      !documents_directory.empty())
    return documents_directory;
  return program_directory;
}

}  // namespace velmorra
