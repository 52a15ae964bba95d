#include "app/window_command_line.h"

#include "version.h"

namespace velmorra {

TWindowCommandLine ParseWindowCommandLine(const std::vector<std::string>& arguments) {
  using TAction = TWindowCommandLine::TAction;
  if (arguments.empty())
    return {};
  const std::string& first = arguments[0];
  if (first == "--help" || first == "-h")
    return {TAction::Help, "", ""};
  if (first == "--version")
    return {TAction::Version, "", ""};
  if (first == "--")
    return {TAction::Open, arguments.size() > 1 ? arguments[1] : "", ""};
  if (first.size() > 1 && first[0] == '-')
    return {TAction::Error, "", "unknown option \"" + first + "\""};
  return {TAction::Open, first, ""};
}

std::string WindowUsage() {
  return "Usage: velmorra [DATASTORE]\n"
         "       velmorra --help | --version\n"
         "\n"
         "Opens the window that moves the text messages of a Nokia Ovi datastore\n"
         "(MDataStore.db3) into an SMS backup file that an Android phone restores. The window\n"
         "offers the datastores registered for the current user; a DATASTORE given (the file, or\n"
         "the folder that holds it) is opened at once instead, as if picked with \"Open ...\".\n"
         "The datastore is only read, never changed.\n"
         "\n"
         "Options:\n"
         "  --help\n"
         "      Shows this text.\n"
         "  --version\n"
         "      Shows the program's version.\n";
}

std::string WindowVersion() {
  return std::string("velmorra ") + VELMORRA_VERSION + "\n";
}

}  // namespace velmorra
