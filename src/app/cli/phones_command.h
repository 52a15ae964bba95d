#pragma once

#include "app/cli/cli_command.h"

namespace velmorra {

// "phones DATASTORE": prints the phone list of the datastore, one item a line (EscapedText),
// "All Phones" first. A message the window would show, and a datastore whose phones cannot be
// read, go to Err and the status is ExitFailure.
TCliCommand PhonesCommand();
int RunPhonesCommand(const std::vector<std::string>& arguments, TConsole& console);

}  // namespace velmorra
