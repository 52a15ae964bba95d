#include "app/cli/stores_command.h"

#include "app/datastore_listing.h"
#include "platform/registry.h"

namespace velmorra {

TCliCommand StoresCommand() {
  return {"stores", "",
          "      Lists the datastores registered for the current user (on Linux: in the Wine\n"
          "      prefix of $WINEPREFIX, else ~/.wine), one a line: caption, a tab, the path.\n",
          &RunStoresCommand};
}

int RunStoresCommand(const std::vector<std::string>& arguments, TConsole& console) {
  const TParsedArguments parsed = ParseArguments(arguments, {});
  if (parsed.Help) {
    WriteCommandUsage(StoresCommand(), console.Out);
    return ExitSuccess;
  }
  if (!parsed.Error.empty())
    return CommandUsageError(StoresCommand(), parsed.Error, console);
  if (!parsed.Positional.empty())
    return CommandUsageError(StoresCommand(), "expected no arguments", console);

  const std::unique_ptr<IRegistry> registry = OpenCurrentUserRegistry();
  const TDatastoreListing listing = ListDiscoveredDatastores(*registry);
  console.Out << FormatDatastoreListing(listing);
  if (!listing.Warning.empty())
    console.Err << listing.Warning << '\n';
  for (const std::string& skipped : listing.Skipped)
    console.Err << skipped << '\n';
  return listing.Warning.empty() && listing.Skipped.empty() ? ExitSuccess : ExitFailure;
}

}  // namespace velmorra
