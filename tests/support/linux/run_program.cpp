#include "support/run_program.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_directory.h"

namespace velmorra::testing {

namespace {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

TProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& working_directory,
                       const std::vector<std::pair<std::string, std::string>>& environment) {
  TTempDirectory capture;
  std::string command;
  if (!working_directory.empty())
    command = "cd " + ShellQuoted(working_directory) + " && ";
  for (const auto& [name, value] : environment)
    command += name + "=" + ShellQuoted(value) + " ";
  command += ShellQuoted(program);
  for (const std::string& argument : arguments)
    command += " " + ShellQuoted(argument);
  command += " >" + ShellQuoted(capture.File("out")) + " 2>" + ShellQuoted(capture.File("err"));
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(capture.File("out")),
          ReadFileBytes(capture.File("err"))};
}

std::string WithPlainLineEnds(const std::string& written) {
  return written;
}

std::string CurrentProgramPath() {
  return std::filesystem::read_symlink("/proc/self/exe").string();
}

}  // namespace velmorra::testing
