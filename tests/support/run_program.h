#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velmorra::testing {

// What a finished program left: its exit status (-1 when it did not exit normally) and both of its
// output streams.
struct TProgramRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// Runs `program` with `arguments` in `working_directory` (the test's own when empty), with the
// variables of `environment` added to the test's environment, and waits for it.
TProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& working_directory,
                       const std::vector<std::pair<std::string, std::string>>& environment = {});

// The text that a program wrote to a file or a pipe with this system's line ends (CR LF on
// Windows), with "\n" for each of them. On Windows a line break without its CR fails the test.
std::string WithPlainLineEnds(const std::string& written);

// The path of the running test program.
std::string CurrentProgramPath();

}  // namespace velmorra::testing
