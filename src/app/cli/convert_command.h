#pragma once

#include "app/cli/cli_command.h"

namespace velmorra {

// "convert DATASTORE [--phone TEXT] [--output-dir DIR]": writes the SMS backup file of all phones,
// or of the phone whose IMEI is TEXT, into DIR (the current directory by default), then prints the
// file's full path and the number of messages. A message the window would show goes to Err with
// ExitFailure; a file that cannot be created or written gives ExitFileError.
TCliCommand ConvertCommand();
int RunConvertCommand(const std::vector<std::string>& arguments, TConsole& console);

}  // namespace velmorra
