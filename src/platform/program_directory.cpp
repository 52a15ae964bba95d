#include "platform/program_directory.h"

namespace velmorra {

namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringAsciiCase(const std::string& text, const std::string& start) {
  if (start.empty() || text.size() < start.size())
    return false;
  for (size_t i = 0; i < start.size(); ++i) {
    if (AsciiLower(text[i]) != AsciiLower(start[i]))
      return false;
  }
  return true;
}

}  // namespace

bool IsInstalledProgramDirectory(const std::string& program_directory,
                                 const std::vector<std::string>& installed_program_folders) {
  for (const std::string& folder : installed_program_folders) {
    if (StartsWithIgnoringAsciiCase(program_directory, folder))
      return true;
  }
  return false;
}

}  // namespace velmorra
