#pragma once

#include "app/cli/cli_command.h"

namespace velmorra {

// "stores": prints the datastores that the window would offer at start, one line each: the
// caption, a tab, the datastore file's path. The warning for a missing registration, or a registry
// read error, goes to Err with ExitFailure; datastores found before an error are still printed.
TCliCommand StoresCommand();
int RunStoresCommand(const std::vector<std::string>& arguments, TConsole& console);

}  // namespace velmorra
