#pragma once

#include <string>
#include <vector>

#include "app/cli/cli_command.h"

namespace velmorra {

// Runs velmorra-cli with the arguments after the program name: dispatches to the command named by
// the first argument, or answers --help and --version. Returns the exit status; never throws.
int RunCli(const std::vector<std::string>& arguments, TConsole& console);

// The commands that RunCli knows, in the order the usage text lists them.
const std::vector<TCliCommand>& CliCommands();

}  // namespace velmorra
